// Failing disks and odd files: every entry point still answers, nothing written
// before is lost, and a failed export says so.
#include <filesystem>
#include <fstream>
#include <string>

#include "export_fixture.h"
#include "support/settings_file.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#endif

namespace fs = std::filesystem;

namespace {

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

const std::string kReport =
    " CIS DX PSK 14.09-15.09.2013 \r\n     Contestant: DL1ABC\r\nBand\tQSOs\tPoints\tDXDA\r\n"
    "20M\t 1\t 3\t 1\r\nTotal\t 1\t 3\t 1\r\nScore = 3 * 1 = 3 \r\n";

}  // namespace

TEST_F(ExportTest, SettingsFileThatIsAFolderChangesNoAnswer) {
    ASSERT_TRUE(fs::create_directory(kSettingsFile));
    EXPECT_EQ(Reset(), 1);
    QsoSpec qso;
    EXPECT_EQ(Add(qso), 1);
    EXPECT_EQ(Result(), kReport);
    EXPECT_TRUE(fs::is_directory(kSettingsFile));
}

TEST_F(ExportTest, SettingsChangedBetweenCallsKeepTheirOtherContent) {
    Reset();
    QsoSpec qso;
    Add(qso);
    Result();
    // Someone edits the file between two result requests.
    WriteText(kSettingsFile,
              "; edited by hand\r\n[Settings]\r\nName=Anna\r\nClaimed=77\r\n[Other]\r\nx=1\r\n");
    Result();
    EXPECT_EQ(ReadFile(kSettingsFile),
              "; edited by hand\r\n[Settings]\r\nName=Anna\r\nClaimed=3\r\n[Other]\r\nx=1\r\n");
}

TEST_F(ExportTest, ReadOnlySettingsFileIsLeftAsItWas) {
#if defined(_WIN32)
    // Wine run as root writes read-only files; the profile functions of Windows refuse them.
    GTEST_SKIP() << "the read-only attribute is not honoured under Wine as root";
#endif
    WriteText(kSettingsFile, ClaimedOnlySettings("99"));
    fs::permissions(kSettingsFile, fs::perms::owner_read | fs::perms::group_read |
                                              fs::perms::others_read);
    Reset();
    QsoSpec qso;
    Add(qso);
    EXPECT_EQ(Result(), kReport);
    EXPECT_EQ(ReadFile(kSettingsFile), ClaimedOnlySettings("99"));
}

#if !defined(_WIN32)
// A disk that fills up: writes beyond a few bytes fail as on a full disk.
class FullDiskTest : public ExportTest {
protected:
    void SetUp() override {
        ExportTest::SetUp();
        savedIn_ = dup(0);
        const int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, 0);  // no terminal: no header form, no waiting notice
        close(devNull);
        std::fflush(stderr);
        savedErr_ = dup(2);
        // A pipe: the file-size limit below would cut a captured file short.
        ASSERT_EQ(pipe(capture_), 0);
        fcntl(capture_[0], F_SETFL, O_NONBLOCK);
        dup2(capture_[1], 2);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previousLimit_);
    }
    void TearDown() override {
        setrlimit(RLIMIT_FSIZE, &previousLimit_);
        std::signal(SIGXFSZ, previousHandler_);
        std::fflush(stderr);
        dup2(savedErr_, 2);
        dup2(savedIn_, 0);
        close(savedErr_);
        close(savedIn_);
        close(capture_[0]);
        close(capture_[1]);
        ExportTest::TearDown();
    }
    void FillDisk(rlim_t bytes) {
        rlimit limit = previousLimit_;
        limit.rlim_cur = bytes;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    std::string Notices() {
        std::fflush(stderr);
        std::string text;
        char buffer[512];
        for (ssize_t got; (got = read(capture_[0], buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<size_t>(got));
        return text;
    }

private:
    int savedIn_ = -1;
    int savedErr_ = -1;
    int capture_[2] = {-1, -1};
    void (*previousHandler_)(int) = SIG_DFL;
    rlimit previousLimit_{};
};

TEST_F(FullDiskTest, FailedWritesKeepThePreviousSettingsAndLog) {
    const std::string oldSettings = "[Settings]\r\nName=Anna Example\r\nClaimed=99\r\n";
    WriteText(kSettingsFile, oldSettings);
    WriteText("DL1ABC.cbr", "previous log\r\n");
    Reset("DL1ABC", "DL", 1);
    QsoSpec qso;
    Add(qso);
    FillDisk(16);
    int32_t flag = 0;
    EXPECT_EQ(Result(&flag), kReport);
    EXPECT_EQ(flag, -1);
    QsoSpec refused;
    refused.mode = "BPSK31";
    EXPECT_EQ(Add(refused), 0);
    EXPECT_EQ(ReadFile(kSettingsFile), oldSettings);
    EXPECT_EQ(ReadFile("DL1ABC.cbr"), "previous log\r\n");
    const std::string notices = Notices();
    EXPECT_EQ(notices.rfind("Output: File not produced: DL1ABC.cbr (", 0), 0u) << notices;
    // Nothing half-written is left beside them.
    for (const auto& entry : fs::directory_iterator("."))
        EXPECT_TRUE(entry.path().filename() == "Plugins" || entry.path().filename() == "err.txt" ||
                    entry.path().filename() == "DL1ABC.cbr")
            << entry.path();
    for (const auto& entry : fs::directory_iterator("Plugins"))
        EXPECT_EQ(entry.path().filename(), "Tavik.ini");
}
#endif
