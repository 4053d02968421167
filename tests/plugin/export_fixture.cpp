#include "export_fixture.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

void ExportTest::SetUp() {
    previousDir = fs::current_path().string();
    // A fresh folder per test: the plugin writes by bare relative names.
    static unsigned counter = 0;
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    fs::path folder = fs::temp_directory_path() /
                      ("tavik-export-" + std::to_string(stamp) + "-" + std::to_string(++counter));
    ASSERT_TRUE(fs::create_directory(folder));
    workDir = folder.string();
    fs::current_path(folder);
    ASSERT_TRUE(fs::create_directory("Plugins"));
    ASSERT_EQ(Load(), "");
}

void ExportTest::TearDown() {
    api = tavik::host::PluginApi{};  // unloads the library
    if (!previousDir.empty()) fs::current_path(previousDir);
    if (!workDir.empty()) {
        std::error_code error;
        for (const auto& entry : fs::recursive_directory_iterator(workDir, error))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, error);
        fs::permissions(workDir, fs::perms::owner_all, fs::perm_options::add, error);
        fs::remove_all(workDir, error);
        EXPECT_FALSE(error) << error.message();
    }
}

std::string ExportTest::Load() {
    api = tavik::host::PluginApi{};  // the old copy goes first, so the new one starts afresh
    std::string error;
    tavik::host::LoadPlugin(TAVIK_PLUGIN_PATH, api, error);
    return error;
}

int32_t ExportTest::Reset(const char* ownCall, const char* ownPrefix, int32_t exportFlag) {
    return api.resetStats0("", exportFlag, ownCall, &periodStart, &periodEnd, "", "", "", "", "",
                           "", "", "", "", ownPrefix, 0, 0, 0, 0.0, 0.0, "", "", "");
}

int32_t ExportTest::Add(const QsoSpec& q) {
    const COleDateTime other{0.0, kDateTimeValid};
    return api.addData0(q.ownCall, q.call, &q.time, &other, &other, &other, 0, q.frequencyHz,
                        q.mode, q.rstSent, q.rstReceived, q.exchangeSent, q.exchangeReceived, "",
                        "", "", "", "", "", "", "", "", q.countryPrefix, 0, 0, 0, 0.0, 0.0, "",
                        "", "", q.band, "");
}

int32_t ExportTest::Remove(const QsoSpec& q) {
    const COleDateTime other{0.0, kDateTimeValid};
    return api.removeData0(q.ownCall, q.call, &q.time, &other, &other, &other, 0, q.frequencyHz,
                           q.mode, q.rstSent, q.rstReceived, q.exchangeSent, q.exchangeReceived,
                           "", "", "", "", "", "", "", "", "", q.countryPrefix, 0, 0, 0, 0.0,
                           0.0, "", "", "", q.band, "");
}

int32_t ExportTest::Check(const char* call, const char* band, const char* bandCheck) {
    char buffer27[16] = "untouched27";
    char buffer28[16] = "untouched28";
    const int32_t answer =
        api.checkCall0(call, 7, 8, "QPSK63", "", "", "", "", "", "", "", "", "", "", 1, 2, 3,
                       1.5, 2.5, "", "", "", "", "", band, bandCheck, buffer27, buffer28);
    EXPECT_STREQ(buffer27, "untouched27");
    EXPECT_STREQ(buffer28, "untouched28");
    return answer;
}

std::string ExportTest::Result(int32_t* flag) {
    const char* report = api.getResult0(flag);
    EXPECT_NE(report, nullptr);
    return report ? report : "";
}

std::string ExportTest::ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool ExportTest::FileExists(const std::string& path) { return fs::exists(path); }
