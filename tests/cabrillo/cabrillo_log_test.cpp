#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cabrillo/header_settings.h"
#include "support/scratch_folder.h"

using namespace tavik;

namespace {

HeaderSettings SingleOperator() {
    HeaderSettings header;
    header.callSign = "DL1ABC";
    header.categoryOperator = "SINGLE-OP";
    header.categoryBand = "ALL";
    header.categoryPower = "HIGH";
    header.operators = "DL1ABC";
    header.name = "Anna Example";
    header.address = "Main Street 1";
    header.addressCity = "Berlin";
    header.addressPostalCode = "10115";
    header.addressCountry = "Germany";
    header.email = "anna@example.org";
    header.baseName = "DL1ABC";
    return header;
}

const COleDateTime kQsoTime{45920.50347222222, kDateTimeValid};  // 2025-09-20 12:05

}  // namespace

TEST(CabrilloLog, SingleOperatorHeaderWithBandPowerAndClaimedScore) {
    HeaderSettings header = SingleOperator();
    header.AddQsoLine("UA9XX", 14070, "QM", kQsoTime, "599", "0001", "579", "1001");
    EXPECT_EQ(header.CabrilloText(8, "2.5"),
              "START-OF-LOG: 3.0\r\n"
              "CONTEST: CIS-QPSK63-DX\r\n"
              "CALLSIGN: DL1ABC\r\n"
              "CATEGORY-OPERATOR: SINGLE-OP\r\n"
              "CATEGORY-BAND: ALL\r\n"
              "CATEGORY-POWER: HIGH\r\n"
              "CLAIMED-SCORE: 8\r\n"
              "OPERATORS: DL1ABC\r\n"
              "CREATED-BY: Qorv 2.5\r\n"
              "NAME: Anna Example\r\n"
              "ADDRESS: Main Street 1\r\n"
              "ADDRESS-CITY: Berlin\r\n"
              "ADDRESS-POSTALCODE: 10115\r\n"
              "ADDRESS-COUNTRY: Germany\r\n"
              "EMAIL: anna@example.org\r\n"
              "SOAPBOX: \r\n"
              "QSO: 14070 QM 2025-09-20 1205 DL1ABC        599 0001   UA9XX         579 1001\r\n"
              "END-OF-LOG:\r\n");
}

TEST(CabrilloLog, TimeAndOffTimeLinesOnlyWhenSetAndMultiLineFieldsTagged) {
    HeaderSettings header = SingleOperator();
    header.categoryTime = "24-HOURS";
    header.offTime = CabrilloFormOf("2025-09-20 1200 2025-09-20 1300<CR><LF>"
                                    "2025-09-21 0100 2025-09-21 0200", "OFFTIME: ");
    header.soapBox = CabrilloFormOf("First<CR><LF>Second", "SOAPBOX: ");
    const std::string log = header.CabrilloText(123456789012LL, "");
    EXPECT_NE(log.find("CATEGORY-POWER: HIGH\r\nCATEGORY-TIME: 24-HOURS\r\n"
                       "OFFTIME: 2025-09-20 1200 2025-09-20 1300\r\n"
                       "OFFTIME: 2025-09-21 0100 2025-09-21 0200\r\n"
                       "CLAIMED-SCORE: 123456789012\r\n"),
              std::string::npos)
        << log;
    // No version found: the bare tag and nothing more.
    EXPECT_NE(log.find("\r\nCREATED-BY: Qorv \r\n"), std::string::npos);
    EXPECT_NE(log.find("SOAPBOX: First\r\nSOAPBOX: Second\r\nEND-OF-LOG:\r\n"), std::string::npos);
}

TEST(CabrilloLog, MultiOperatorTakesTransmitterAndOverlayInsteadOfBandPowerScore) {
    HeaderSettings header = SingleOperator();
    header.categoryOperator = "MULTI-OP";
    header.categoryTransmitter = "ONE";
    header.categoryTime = "24-HOURS";
    header.offTime = "x";
    std::string log = header.CabrilloText(8, "2.5");
    EXPECT_NE(log.find("CATEGORY-OPERATOR: MULTI-OP\r\nCATEGORY-TRANSMITTER: ONE\r\n"
                       "OPERATORS: DL1ABC\r\n"),
              std::string::npos)
        << log;
    for (const char* absent : {"CATEGORY-BAND", "CATEGORY-POWER", "CATEGORY-TIME", "OFFTIME",
                               "CLAIMED-SCORE", "CATEGORY-OVERLAY"})
        EXPECT_EQ(log.find(absent), std::string::npos) << absent;
    header.categoryOverlay = "JUNIOR";
    log = header.CabrilloText(8, "2.5");
    EXPECT_NE(log.find("CATEGORY-TRANSMITTER: ONE\r\nCATEGORY-OVERLAY: JUNIOR\r\n"),
              std::string::npos);
    // Letter case counts: this is not the multi-operator category.
    header.categoryOperator = "multi-op";
    log = header.CabrilloText(8, "2.5");
    EXPECT_NE(log.find("CATEGORY-OPERATOR: multi-op\r\nCATEGORY-BAND: ALL\r\n"), std::string::npos);
    EXPECT_EQ(log.find("CATEGORY-TRANSMITTER"), std::string::npos);
}

TEST(CabrilloLog, EmptyHeaderFieldsAreBareTags) {
    HeaderSettings header;
    EXPECT_EQ(header.CabrilloText(0, ""),
              "START-OF-LOG: 3.0\r\nCONTEST: CIS-QPSK63-DX\r\nCALLSIGN: \r\n"
              "CATEGORY-OPERATOR: \r\nCATEGORY-BAND: \r\nCATEGORY-POWER: \r\n"
              "CLAIMED-SCORE: 0\r\nOPERATORS: \r\nCREATED-BY: Qorv \r\nNAME: \r\nADDRESS: \r\n"
              "ADDRESS-CITY: \r\nADDRESS-POSTALCODE: \r\nADDRESS-COUNTRY: \r\nEMAIL: \r\n"
              "SOAPBOX: \r\nEND-OF-LOG:\r\n");
}

TEST(CabrilloLog, QsoColumnsPadOnlyWidenAndStayOnOneLine) {
    HeaderSettings header = SingleOperator();
    header.AddQsoLine("UA9XX", 3580, "QM", kQsoTime, "59", "1", "5", "");
    header.AddQsoLine("UA9XXXXXXXXXXXXXX/P", 144300, "QM", kQsoTime, "5999", "0001234", "599",
                      "1001");
    header.AddQsoLine("UA\r\n9XX", 7040, "QM", {0.0, kDateTimeInvalid}, "599", "1\n2", "599",
                      "10\r01");
    header.AddQsoLine("K1AA", 7040, "QM", {0.0, kDateTimeNull}, "", "", "", "");
    ASSERT_EQ(header.qsoLines.size(), 4u);
    EXPECT_EQ(header.qsoLines[0],
              "QSO:  3580 QM 2025-09-20 1205 DL1ABC        59  1      UA9XX         5   \r\n");
    EXPECT_EQ(header.qsoLines[1],
              "QSO: 144300 QM 2025-09-20 1205 DL1ABC        5999 0001234 UA9XXXXXXXXXXXXXX/P "
              "599 1001\r\n");
    EXPECT_EQ(header.qsoLines[2],
              "QSO:  7040 QM Invalid DateTime DL1ABC        599 1 2    UA  9XX       599 10 01\r\n");
    EXPECT_EQ(header.qsoLines[3],
              // empty time, then blanks for the padded empty fields around the call
              "QSO:  7040 QM  DL1ABC" + std::string(7 + 1 + 3 + 1 + 6 + 1, ' ') + "K1AA" +
                  std::string(9 + 1 + 3 + 1, ' ') + "\r\n");
}

class CabrilloFile : public PluginFolderTest {};

TEST_F(CabrilloFile, WrittenUnderTheBaseNameAndReplacedByTheNextExport) {
    HeaderSettings header = SingleOperator();
    header.AddQsoLine("UA9XX", 14070, "QM", kQsoTime, "599", "0001", "579", "1001");
    EXPECT_EQ(header.WriteCabrilloLog(3), "File produced: DL1ABC.cbr");
    const std::string first = ReadFile("DL1ABC.cbr");
    EXPECT_EQ(first, header.CabrilloText(3, ""));
    header.qsoLines.clear();
    EXPECT_EQ(header.WriteCabrilloLog(0), "File produced: DL1ABC.cbr");
    EXPECT_EQ(ReadFile("DL1ABC.cbr").find("QSO:"), std::string::npos);
    // Nothing is left beside it.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 2);  // Plugins and the log
}

TEST_F(CabrilloFile, AFailedWriteSaysSoAndKeepsNothingHalfWritten) {
    HeaderSettings header = SingleOperator();
    ASSERT_TRUE(std::filesystem::create_directory("DL1ABC.cbr"));
    const std::string notice = header.WriteCabrilloLog(3);
    EXPECT_EQ(notice.rfind("File not produced: DL1ABC.cbr (", 0), 0u) << notice;
    EXPECT_EQ(notice.back(), ')');
    EXPECT_TRUE(std::filesystem::is_directory("DL1ABC.cbr"));
}

TEST_F(CabrilloFile, ReadOnlyLogIsKeptAndNamedInTheNotice) {
    HeaderSettings header = SingleOperator();
    WriteFile("DL1ABC.cbr", "previous log\r\n");
    std::filesystem::permissions("DL1ABC.cbr", std::filesystem::perms::owner_read |
                                                    std::filesystem::perms::group_read |
                                                    std::filesystem::perms::others_read);
    const std::string notice = header.WriteCabrilloLog(3);
    EXPECT_EQ(notice.rfind("File not produced: DL1ABC.cbr (", 0), 0u) << notice;
    EXPECT_EQ(ReadFile("DL1ABC.cbr"), "previous log\r\n");
}
