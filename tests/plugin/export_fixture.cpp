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
    auto loaded = tavik::host::LoadPlugin(TAVIK_PLUGIN_PATH);
    if (!loaded) return loaded.Why().message;
    api = std::move(*loaded);
    return {};
}

int32_t ExportTest::Reset(const char* ownCall, const char* ownPrefix, int32_t exportFlag) {
    tavik::abi::RunSetup run;
    run.ownCall = ownCall;
    run.ownCountryPrefix = ownPrefix;
    run.periodStart = periodStart;
    run.periodEnd = periodEnd;
    run.exportFlag = exportFlag;
    return tavik::abi::ResetStats(api, run);
}

int32_t ExportTest::Add(const QsoSpec& q) { return tavik::abi::Add(api, q); }

int32_t ExportTest::Remove(const QsoSpec& q) { return tavik::abi::Remove(api, q); }

int32_t ExportTest::Check(const char* call, const char* band, const char* bandCheck) {
    char buffer27[16] = "untouched27";
    char buffer28[16] = "untouched28";
    // Odd values where the plugin reads nothing: they must stay unread.
    tavik::abi::CallCheckRawArguments raw;
    raw.number2 = 7;
    raw.number3 = 8;
    raw.text4 = "QPSK63";
    raw.number15 = 1;
    raw.number16 = 2;
    raw.number17 = 3;
    raw.number18 = 1.5;
    raw.number19 = 2.5;
    const int32_t answer =
        tavik::abi::CheckCall(api, call, band, bandCheck, buffer27, buffer28, raw);
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
