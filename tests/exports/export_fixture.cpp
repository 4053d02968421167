#include "export_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

void ExportTest::SetUp() {
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    previousDir = cwd;
    char pattern[] = "/tmp/tavik-export-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    workDir = pattern;
    ASSERT_EQ(chdir(workDir.c_str()), 0);
    ASSERT_EQ(mkdir("Plugins", 0755), 0);
    ASSERT_EQ(Load(), "");
}

void ExportTest::TearDown() {
    api = tavik::host::PluginApi{};  // unloads the library
    if (!previousDir.empty()) {
        EXPECT_EQ(chdir(previousDir.c_str()), 0);
    }
    if (!workDir.empty()) {
        const std::string command = "chmod -R u+w '" + workDir + "' && rm -rf '" + workDir + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
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

bool ExportTest::FileExists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}
