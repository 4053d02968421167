#if !defined(_WIN32)
#include <unistd.h>
#endif

#include <filesystem>
#include <string>

#include "export_fixture.h"
#include "support/settings_file.h"

namespace {
const std::string kErrHeader = "CIS-QPSK63-DX UBN file \r\n";
const std::string kReportHead =
    " CIS DX PSK 14.09-15.09.2013 \r\n     Contestant: DL1ABC\r\nBand\tQSOs\tPoints\tDXDA\r\n";
}  // namespace

TEST_F(ExportTest, SetQueriesAnswerWhateverTheArguments) {
    EXPECT_EQ(api.getNumberOfSets(), 1);
    EXPECT_STREQ(api.getSetName(0), "CIS DX PSK ");
    EXPECT_STREQ(api.getSetName(1), "");
    EXPECT_STREQ(api.getSetName(-1), "");
    EXPECT_NE(api.getSetName(2147483647), nullptr);
    EXPECT_EQ(api.getExchgCount0("a", "b", "c"), 1);
    EXPECT_EQ(api.getExchgCount0(nullptr, nullptr, nullptr), 1);
}

TEST_F(ExportTest, FullRunGivesReportErrorLogAndClaimedScore) {
    EXPECT_EQ(Reset(), 1);
    EXPECT_EQ(ReadFile("err.txt"), kErrHeader);
    QsoSpec cis;  // UA9 station: 3 points for a non-CIS own station
    EXPECT_EQ(Add(cis), 1);
    QsoSpec dx;
    dx.call = "K1AA";
    dx.countryPrefix = "K";
    dx.exchangeReceived = "0002";
    EXPECT_EQ(Add(dx), 1);
    EXPECT_EQ(Result(),
              kReportHead + "20M\t 2\t 4\t 2\r\nTotal\t 2\t 4\t 2\r\nScore = 4 * 2 = 8 \r\n");
    EXPECT_EQ(ReadFile(kSettingsFile), ClaimedOnlySettings("8"));
    // Accepted QSOs leave err.txt as it was.
    EXPECT_EQ(ReadFile("err.txt"), kErrHeader);
    // A second request gives the same text and leaves the flag alone without export.
    int32_t flag = 77;
    EXPECT_EQ(Result(&flag),
              kReportHead + "20M\t 2\t 4\t 2\r\nTotal\t 2\t 4\t 2\r\nScore = 4 * 2 = 8 \r\n");
    EXPECT_EQ(flag, 77);
}

TEST_F(ExportTest, RefusalsAreLoggedInCallOrderAndStillAddTheirBand) {
    Reset();
    QsoSpec badMode;
    badMode.mode = "BPSK31";
    badMode.band = "40M";
    EXPECT_EQ(Add(badMode), 0);
    QsoSpec lowerMode;
    lowerMode.mode = "qpsk63";
    lowerMode.call = "UR5AA";
    EXPECT_EQ(Add(lowerMode), 0);
    QsoSpec noReceived;  // fails both tests: only the control-number line
    noReceived.mode = "BPSK31";
    noReceived.exchangeReceived = "";
    noReceived.frequencyHz = 999;
    EXPECT_EQ(Add(noReceived), 0);
    QsoSpec noSent;
    noSent.exchangeSent = "";
    noSent.frequencyHz = 1999;
    noSent.band = "80M";
    EXPECT_EQ(Add(noSent), 0);
    EXPECT_EQ(ReadFile("err.txt"),
              kErrHeader +
                  "QSO:  14070  BPSK31  2013-09-14 1205  DL1ABC  599  0100  UA9XX  579  1001"
                  "   NO QPSK63 MODE !!!\r\n"
                  "QSO:  14070  qpsk63  2013-09-14 1205  DL1ABC  599  0100  UR5AA  579  1001"
                  "   NO QPSK63 MODE !!!\r\n"
                  "QSO:  0  BPSK31  2013-09-14 1205  DL1ABC  599  0100  UA9XX  579  "
                  "   Not full control number recieved !!!\r\n"
                  "QSO:  1  QPSK63  2013-09-14 1205  DL1ABC  599    UA9XX  579  1001"
                  "   Not full control number recieved !!!\r\n");
    EXPECT_EQ(Result(), kReportHead +
                            "80M\t 0\t 0\t 0\r\n40M\t 0\t 0\t 0\r\n20M\t 0\t 0\t 0\r\n"
                            "Total\t 0\t 0\t 0\r\nScore = 0 * 0 = 0 \r\n");
    EXPECT_EQ(ReadFile(kSettingsFile), ClaimedOnlySettings("0"));
}

TEST_F(ExportTest, InvalidAndNullDatesInErrorLines) {
    Reset();
    QsoSpec invalid;
    invalid.mode = "PSK63";
    invalid.time = {41531.5, kDateTimeInvalid};
    Add(invalid);
    QsoSpec null;
    null.mode = "PSK63";
    null.time = {41531.5, kDateTimeNull};
    Add(null);
    QsoSpec outOfRange;
    outOfRange.mode = "PSK63";
    outOfRange.time = {1e300, kDateTimeValid};
    Add(outOfRange);
    EXPECT_EQ(ReadFile("err.txt"),
              kErrHeader +
                  "QSO:  14070  PSK63  Invalid DateTime  DL1ABC  599  0100  UA9XX  579  1001"
                  "   NO QPSK63 MODE !!!\r\n"
                  "QSO:  14070  PSK63    DL1ABC  599  0100  UA9XX  579  1001"
                  "   NO QPSK63 MODE !!!\r\n"
                  "QSO:  14070  PSK63  Invalid DateTime  DL1ABC  599  0100  UA9XX  579  1001"
                  "   NO QPSK63 MODE !!!\r\n");
}

TEST_F(ExportTest, DuplicatesRemovalAndCallCheck) {
    Reset();
    QsoSpec first;
    EXPECT_EQ(Add(first), 1);
    QsoSpec repeat;  // same call and band, everything else different
    repeat.exchangeReceived = "2222";
    repeat.frequencyHz = 7035000;
    EXPECT_EQ(Add(repeat), 1);
    QsoSpec otherBand;
    otherBand.band = "40M";
    EXPECT_EQ(Add(otherBand), 1);
    EXPECT_EQ(ReadFile("err.txt"), kErrHeader);

    EXPECT_EQ(Check("UA9XX", "20M", "20M"), 0);
    EXPECT_EQ(Check("UA9XX", "80M", "80M"), 1);
    EXPECT_EQ(Check("ua9xx", "20M", "20M"), 1);
    EXPECT_EQ(Check("UA9XX", "20m", "20M"), 1);
    EXPECT_EQ(Check("UA9XX", "20M", "40M"), 4);
    EXPECT_EQ(Check(nullptr, "20M", "20M"), 1);
    EXPECT_EQ(Check("UA9XX", nullptr, "20M"), 1);

    // The duplicate's control number was not stored: one multiplier on 20M.
    EXPECT_EQ(Result(), kReportHead +
                            "40M\t 1\t 3\t 1\r\n20M\t 1\t 3\t 1\r\n"
                            "Total\t 2\t 6\t 2\r\nScore = 6 * 2 = 12 \r\n");

    QsoSpec absent;
    absent.call = "K1AA";
    EXPECT_EQ(Remove(absent), 1);
    EXPECT_EQ(Remove(first), 1);
    EXPECT_EQ(Check("UA9XX", "20M", "20M"), 1);
    EXPECT_EQ(Check("UA9XX", "40M", "40M"), 0);
    // The band keeps its row after its last QSO was taken back.
    EXPECT_EQ(Result(), kReportHead +
                            "40M\t 1\t 3\t 1\r\n20M\t 0\t 0\t 0\r\n"
                            "Total\t 1\t 3\t 1\r\nScore = 3 * 1 = 3 \r\n");
    EXPECT_EQ(ReadFile("err.txt"), kErrHeader);
}

TEST_F(ExportTest, ResetStartsANewRunAndReclassifiesTheOwnStation) {
    Reset("UA3AAA", "UA");
    QsoSpec cis;
    Add(cis);
    QsoSpec refused;
    refused.mode = "BPSK31";
    refused.band = "10M";
    Add(refused);
    const std::string cisHead =
        " CIS DX PSK 14.09-15.09.2013 \r\n     Contestant: UA3AAA\r\nBand\tQSOs\tPoints\tDXDA\r\n";
    EXPECT_EQ(Result(), cisHead + "20M\t 1\t 1\t 1\r\n10M\t 0\t 0\t 0\r\n"
                                  "Total\t 1\t 1\t 1\r\nScore = 1 * 1 = 1 \r\n");

    periodStart = {45920.0, kDateTimeValid};  // 2025-09-20
    periodEnd = {45921.5, kDateTimeValid};
    Reset("DL1ABC", "DL");
    EXPECT_EQ(ReadFile("err.txt"), kErrHeader);
    EXPECT_EQ(Result(),
              " CIS DX PSK 20.09-21.09.2025 \r\n     Contestant: DL1ABC\r\nBand\tQSOs\tPoints\tDXDA\r\n"
              "Total\t 0\t 0\t 0\r\nScore = 0 * 0 = 0 \r\n");
    Add(cis);
    EXPECT_NE(Result().find("20M\t 1\t 3\t 1\r\n"), std::string::npos);
}

TEST_F(ExportTest, ErrorLogBeforeTheFirstResetIsAppendedWithoutHeader) {
    {
        FILE* old = fopen("err.txt", "wb");
        ASSERT_NE(old, nullptr);
        fputs("old line\r\n", old);
        fclose(old);
    }
    QsoSpec refused;
    refused.mode = "BPSK31";
    EXPECT_EQ(Add(refused), 0);
    EXPECT_EQ(ReadFile("err.txt"),
              "old line\r\nQSO:  14070  BPSK31  2013-09-14 1205  DL1ABC  599  0100  UA9XX  579  "
              "1001   NO QPSK63 MODE !!!\r\n");
    // Accepted QSOs still create a missing file, empty.
    ASSERT_TRUE(std::filesystem::remove("err.txt"));
    QsoSpec good;
    EXPECT_EQ(Add(good), 1);
    EXPECT_EQ(ReadFile("err.txt"), "");
    // Load-time state: empty texts in the title, own station not CIS.
    EXPECT_EQ(Result(), " CIS DX PSK - \r\n     Contestant: \r\nBand\tQSOs\tPoints\tDXDA\r\n"
                        "20M\t 1\t 3\t 1\r\nTotal\t 1\t 3\t 1\r\nScore = 3 * 1 = 3 \r\n");
}

TEST_F(ExportTest, ReloadingTheLibraryStartsFromEmptyState) {
    Reset();
    QsoSpec qso;
    Add(qso);
    ASSERT_EQ(Load(), "");
    EXPECT_EQ(Result(), " CIS DX PSK - \r\n     Contestant: \r\nBand\tQSOs\tPoints\tDXDA\r\n"
                        "Total\t 0\t 0\t 0\r\nScore = 0 * 0 = 0 \r\n");
}

TEST_F(ExportTest, ValidExchangeIsFourDigits) {
    EXPECT_EQ(api.isValidExchg0("0000", "", "", "", 0, 0, 0), 1);
    EXPECT_EQ(api.isValidExchg0("1234", nullptr, nullptr, nullptr, 0, 0, 0), 1);
    for (const char* bad : {"", "599", "12345", "12a4", "12 4", "-123"})
        EXPECT_EQ(api.isValidExchg0(bad, "", "", "", 0, 0, 0), 0) << bad;
    EXPECT_EQ(api.isValidExchg0(nullptr, "", "", "", 0, 0, 0), 0);
}

#if !defined(_WIN32)
// On Windows the message box is a window; a windowed test presses its OK.
TEST_F(ExportTest, SetupShowsItsMessageAndReturnsWithoutATerminal) {
    // Standard input is not a terminal here, so the box must not wait for Enter.
    fflush(stderr);
    const int savedErr = dup(2);
    const int savedIn = dup(0);
    FILE* capture = fopen("setup.txt", "w+b");
    ASSERT_NE(capture, nullptr);
    dup2(fileno(capture), 2);
    FILE* devNull = fopen("/dev/null", "rb");
    ASSERT_NE(devNull, nullptr);
    dup2(fileno(devNull), 0);
    api.setupSet0();
    fflush(stderr);
    dup2(savedErr, 2);
    dup2(savedIn, 0);
    close(savedErr);
    close(savedIn);
    fclose(capture);
    fclose(devNull);
    EXPECT_EQ(ReadFile("setup.txt"), "Error: No additional setup for this plugin\n");
}
#endif
