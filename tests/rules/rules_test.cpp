#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/numbered.h"
#include "rules/cis_prefix.h"
#include "rules/exchange_check.h"
#include "rules/score_report.h"

using namespace tavik;

TEST(CisPrefix, WholeCaseSensitiveTextOfTheSet) {
    for (const char* prefix : {"UA", "UA9", "UA2", "U5", "UR", "UZ", "UJ", "UQ", "GM", "4J",
                               "4K", "4L", "EK", "ER", "EU", "EZ"})
        EXPECT_EQ(IsCisPrefix(prefix), 1) << prefix;
    for (const char* other : {"", "UA3", "UA9A", "ua9", " UA9", "UA9 ", "EL", "UA9ABC", "U",
                              "DL", "4L1", "gm", "UA9/P"})
        EXPECT_EQ(IsCisPrefix(other), 0) << other;
    EXPECT_EQ(IsCisPrefix(nullptr), 0);
}

TEST(ExchangeCheck, ExactlyFourAsciiDigits) {
    for (const char* good : {"0000", "1234", "9999"}) EXPECT_EQ(IsValidExchange(good), 1) << good;
    for (const char* bad : {"", "599", "12345", "12A4", "12 4", "-123", "+123", " 123", "123 ",
                            "\xd9\xa1\xd9\xa2", "１２３４"})
        EXPECT_EQ(IsValidExchange(bad), 0) << bad;
    EXPECT_EQ(IsValidExchange(nullptr), 0);
}

namespace {

CInfo Qso(const char* call, const char* band, const char* prefix = "DL",
          const char* received = "0001") {
    CInfo qso;
    qso.call = call;
    qso.band = band;
    qso.countryPrefix = prefix;
    qso.mode = "QPSK63";
    qso.exchangeReceived = received;
    qso.exchangeSent = "0100";
    qso.multiplier = received;
    return qso;
}

}  // namespace

TEST(CheckCall, DuplicateNewAndBandDisagreement) {
    QsoList list;
    EXPECT_EQ(CheckCall(list, "UA9ABC", "20M", "20M"), kCallIsNew);
    ASSERT_TRUE(list.AppendUnlessDuplicate(Qso("UA9ABC", "20M")));
    EXPECT_EQ(CheckCall(list, "UA9ABC", "20M", "20M"), kCallIsDuplicate);
    EXPECT_EQ(CheckCall(list, "UA9ABC", "40M", "40M"), kCallIsNew);
    EXPECT_EQ(CheckCall(list, "ua9abc", "20M", "20M"), kCallIsNew);
    // Case is ignored between the two band texts, not in the duplicate test.
    EXPECT_EQ(CheckCall(list, "UA9ABC", "20m", "20M"), kCallIsNew);
    EXPECT_EQ(CheckCall(list, "UA9ABC", "20M", "20m"), kCallIsDuplicate);
    EXPECT_EQ(CheckCall(list, "UA9ABC", "20M", "40M"), kBandsDisagree);
    EXPECT_EQ(CheckCall(list, "UA9ABC", "20M", "20"), kBandsDisagree);
    // Missing texts skip the comparison or count as nothing matched.
    EXPECT_EQ(CheckCall(list, "UA9ABC", "20M", nullptr), kCallIsDuplicate);
    EXPECT_EQ(CheckCall(list, nullptr, "20M", "20M"), kCallIsNew);
    EXPECT_EQ(CheckCall(list, "UA9ABC", nullptr, "20M"), kCallIsNew);
    EXPECT_EQ(CheckCall(list, nullptr, nullptr, nullptr), kCallIsNew);
}

TEST(BandOrder, DescendingByZeroPaddedText) {
    EXPECT_EQ(SortBandsForReport({"20", "40", "160", "80"}),
              (std::vector<std::string>{"160", "80", "40", "20"}));
    EXPECT_EQ(SortBandsForReport({"20M", "40M", "160M", "80M", "10M", "15M"}),
              (std::vector<std::string>{"160M", "80M", "40M", "20M", "15M", "10M"}));
    // Same digits, different suffix: byte order of the suffix decides; case counts.
    EXPECT_EQ(SortBandsForReport({"20M", "20m", "2M", "70CM"}),
              (std::vector<std::string>{"70CM", "20m", "20M", "2M"}));
    // Twenty characters or more are their own key and so sort ahead of padded ones.
    const std::string longBand(21, 'A');
    EXPECT_EQ(SortBandsForReport({"20M", longBand, "160M"}),
              (std::vector<std::string>{longBand, "160M", "20M"}));
    EXPECT_EQ(SortBandsForReport({""}), (std::vector<std::string>{""}));
    EXPECT_TRUE(SortBandsForReport({}).empty());
    // High bytes compare as unsigned.
    EXPECT_EQ(SortBandsForReport({"2M", "\xe9M"}), (std::vector<std::string>{"\xe9M", "2M"}));
}

class ReportTest : public ::testing::Test {
protected:
    std::string Build(int32_t ownIsCis) {
        const ReportInput input{start, end, own, ownIsCis};
        score = BuildResultReport(list, bands, input, report, order);
        return report;
    }
    QsoList list;
    BandList bands;
    std::string start = "14.09", end = "15.09.2013", own = "DL1ABC";
    std::string report;
    std::vector<std::string> order;
    int64_t score = -1;
};

TEST_F(ReportTest, NonCisStationScoresThreeForCisAndCountsMultipliersPerBand) {
    bands.Add("20M");
    list.AppendUnlessDuplicate(Qso("UA9XX", "20M", "UA9", "1001"));
    list.AppendUnlessDuplicate(Qso("K1AA", "20M", "K", "1002"));
    EXPECT_EQ(Build(0),
              " CIS DX PSK 14.09-15.09.2013 \r\n     Contestant: DL1ABC\r\n"
              "Band\tQSOs\tPoints\tDXDA\r\n"
              "20M\t 2\t 4\t 2\r\n"
              "Total\t 2\t 4\t 2\r\nScore = 4 * 2 = 8 \r\n");
    EXPECT_EQ(score, 8);
}

TEST_F(ReportTest, BandsSortedRowsOfZerosAndSharedMultipliers) {
    for (const char* band : {"20M", "40M", "160M", "80M"}) bands.Add(band);
    list.AppendUnlessDuplicate(Qso("UR5AA", "40M", "UR", "0500"));
    list.AppendUnlessDuplicate(Qso("UA9AA", "40M", "ua9", "0500"));   // lower case: 1 point
    list.AppendUnlessDuplicate(Qso("UA9AB", "40M", "UA9A", "0700"));  // not a whole prefix
    list.AppendUnlessDuplicate(Qso("UR5AA", "20M", "UR", "0500"));    // same number, other band
    list.AppendUnlessDuplicate(Qso("", "20M", "UR", "0900"));         // empty call: not counted
    EXPECT_EQ(Build(0),
              " CIS DX PSK 14.09-15.09.2013 \r\n     Contestant: DL1ABC\r\n"
              "Band\tQSOs\tPoints\tDXDA\r\n"
              "160M\t 0\t 0\t 0\r\n"
              "80M\t 0\t 0\t 0\r\n"
              "40M\t 3\t 5\t 2\r\n"
              "20M\t 1\t 3\t 1\r\n"
              "Total\t 4\t 8\t 3\r\nScore = 8 * 3 = 24 \r\n");
    EXPECT_EQ(order, (std::vector<std::string>{"160M", "80M", "40M", "20M"}));
}

TEST_F(ReportTest, CisStationScoresOnePointForEveryone) {
    bands.Add("20M");
    list.AppendUnlessDuplicate(Qso("UA9XX", "20M", "UA9", "1001"));
    list.AppendUnlessDuplicate(Qso("UR5AA", "20M", "UR", "1001"));
    list.AppendUnlessDuplicate(Qso("K1AA", "20M", "K", "1002"));
    EXPECT_NE(Build(1).find("20M\t 3\t 3\t 2\r\nTotal\t 3\t 3\t 2\r\nScore = 3 * 2 = 6 \r\n"),
              std::string::npos)
        << report;
}

TEST_F(ReportTest, EmptyBandListGivesHeaderAndTotalsOnly) {
    EXPECT_EQ(Build(0),
              " CIS DX PSK 14.09-15.09.2013 \r\n     Contestant: DL1ABC\r\n"
              "Band\tQSOs\tPoints\tDXDA\r\nTotal\t 0\t 0\t 0\r\nScore = 0 * 0 = 0 \r\n");
    EXPECT_EQ(score, 0);
}

TEST_F(ReportTest, ScoreBeyondThirtyTwoBitsIsPrintedWhole) {
    bands.Add("20M");
    // 50000 three-point QSOs, each with its own control number: 150000 * 50000.
    for (int i = 0; i < 50000; ++i) {
        const std::string call = Numbered("UA", i);
        const std::string number = std::to_string(100000 + i);
        list.AppendUnlessDuplicate(Qso(call.c_str(), "20M", "UA", number.c_str()));
    }
    Build(0);
    EXPECT_EQ(score, 7500000000LL);
    EXPECT_NE(report.find("Score = 150000 * 50000 = 7500000000 \r\n"), std::string::npos);
}

TEST_F(ReportTest, HostTextsWithPercentSignsAreNotFormats) {
    own = "%s%n%x";
    bands.Add("%n");
    list.AppendUnlessDuplicate(Qso("%s", "%n", "UA", "%d"));
    Build(0);
    EXPECT_NE(report.find("Contestant: %s%n%x\r\n"), std::string::npos);
    EXPECT_NE(report.find("%n\t 1\t 3\t 1\r\n"), std::string::npos);
}
