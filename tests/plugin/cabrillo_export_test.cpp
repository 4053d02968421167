// The export runs through the entry points. On Windows the header dialog and the
// notice are windows; the windowed tests drive those.
#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "export_fixture.h"
#include "support/settings_file.h"

namespace {

// No terminal: the header form cannot open and the notice does not wait.
// Standard error is captured to see the notice.
class CabrilloExportTest : public ExportTest {
protected:
    void SetUp() override {
        ExportTest::SetUp();
        std::fflush(stderr);
        savedIn_ = dup(0);
        savedErr_ = dup(2);
        const int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, 0);
        close(devNull);
        const int capture = open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(capture, 2);
        close(capture);
    }
    void TearDown() override {
        std::fflush(stderr);
        dup2(savedIn_, 0);
        dup2(savedErr_, 2);
        close(savedIn_);
        close(savedErr_);
        ExportTest::TearDown();
    }
    std::string Notices() {
        std::fflush(stderr);
        return ReadFile("stderr.txt");
    }

private:
    int savedIn_ = -1;
    int savedErr_ = -1;
};

const char* const kHeader =
    "START-OF-LOG: 3.0\r\nCONTEST: CIS-QPSK63-DX\r\nCALLSIGN: DL1ABC/P\r\n"
    "CATEGORY-OPERATOR: SINGLE-OP\r\nCATEGORY-BAND: ALL\r\nCATEGORY-POWER: HIGH\r\n";

}  // namespace

TEST_F(CabrilloExportTest, ResultWritesTheLogStoresMinusOneAndShowsTheNotice) {
    ASSERT_EQ(Reset("DL1ABC/P", "DL", 1), 1);
    QsoSpec cis;
    Add(cis);
    QsoSpec dx;
    dx.call = "K1AA";
    dx.countryPrefix = "K";
    dx.exchangeReceived = "0002";
    dx.frequencyHz = 3580500;
    dx.band = "80M";
    Add(dx);
    int32_t flag = 0;
    Result(&flag);
    EXPECT_EQ(flag, -1);
    const std::string log = std::string(kHeader) +
                            "CLAIMED-SCORE: 8\r\nOPERATORS: DL1ABC/P\r\nCREATED-BY: Qorv \r\n"
                            "NAME: \r\nADDRESS: \r\nADDRESS-CITY: \r\nADDRESS-POSTALCODE: \r\n"
                            "ADDRESS-COUNTRY: \r\nEMAIL: \r\nSOAPBOX: \r\n"
                            "QSO: 14070 QM 2013-09-14 1205 DL1ABC/P      599 0100   UA9XX         579 1001\r\n"
                            "QSO:  3580 QM 2013-09-14 1205 DL1ABC/P      599 0100   K1AA          579 0002\r\n"
                            "END-OF-LOG:\r\n";
    EXPECT_EQ(ReadFile("DL1ABC_P.cbr"), log);
    EXPECT_EQ(Notices(), "Output: File produced: DL1ABC_P.cbr\n");

    // A second result writes the log again with every QSO once.
    flag = 0;
    Result(&flag);
    EXPECT_EQ(flag, -1);
    EXPECT_EQ(ReadFile("DL1ABC_P.cbr"), log);
    // Not confirmed: nothing but the claimed score reached the settings file.
    EXPECT_EQ(ReadFile(kSettingsFile), ClaimedOnlySettings("8"));
}

TEST_F(CabrilloExportTest, StoredHeaderFieldsReachTheLog) {
    {
        std::FILE* ini = std::fopen(kSettingsFile, "wb");
        ASSERT_NE(ini, nullptr);
        std::fputs("[Settings]\r\nName=Anna Example\r\nOperators=DL1ABC DL2XYZ\r\n"
                   "SoapBox=Nice contest<CR><LF>73\r\nOfftime=\r\nClaimed=5\r\n", ini);
        std::fclose(ini);
    }
    Reset("DL1ABC/P", "DL", 1);
    Result();
    const std::string log = ReadFile("DL1ABC_P.cbr");
    EXPECT_NE(log.find("CLAIMED-SCORE: 0\r\nOPERATORS: DL1ABC DL2XYZ\r\n"), std::string::npos)
        << log;
    EXPECT_NE(log.find("NAME: Anna Example\r\n"), std::string::npos);
    EXPECT_NE(log.find("SOAPBOX: Nice contest\r\nSOAPBOX: 73\r\nEND-OF-LOG:\r\n"),
              std::string::npos);
    EXPECT_EQ(log.find("OFFTIME"), std::string::npos);
}

TEST_F(CabrilloExportTest, UnwritableLogIsReportedNotClaimed) {
    ASSERT_TRUE(std::filesystem::create_directory("DL1ABC.cbr"));
    Reset("DL1ABC", "DL", 1);
    int32_t flag = 0;
    Result(&flag);
    EXPECT_EQ(flag, -1);
    const std::string notices = Notices();
    EXPECT_EQ(notices.rfind("Output: File not produced: DL1ABC.cbr (", 0), 0u) << notices;
}

TEST_F(CabrilloExportTest, ExportFlagClearWritesNoLog) {
    Reset("DL1ABC", "DL", 0);
    int32_t flag = 5;
    Result(&flag);
    EXPECT_EQ(flag, 5);
    EXPECT_FALSE(std::filesystem::exists("DL1ABC.cbr"));
    EXPECT_EQ(Notices(), "");
}

#endif  // !_WIN32
