// The small readings tavik-check relies on: the plugin's report and err.txt lines,
// Cabrillo categories, the line of an offset and report file names.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "checker/cli/log_set.h"
#include "checker/cli/plugin_scoring.h"
#include "checker/cli/ubn_report.h"

namespace {

using tavik::check::ParseScore;

TEST(CheckReadings, ScoreComesFromTheTotalAndScoreLines) {
    const struct {
        const char* report;
        bool known;
        std::int64_t points, multipliers, score;
    } cases[] = {
        {"CIS\r\nBand\tQSOs\r\nTotal\t 6\t 12\t 6\r\nScore = 12 * 6 = 72 \r\n", true, 12, 6, 72},
        {"x\r\nTotal\t 0\t 0\t 0\r\nScore = 0 * 0 = 0 \r\n", true, 0, 0, 0},
        {"x\r\nTotal\t 6\t 12\t 6\r\n", false, 0, 0, 0},             // no score line
        {"x\r\nTotal\t 6\t 11\t 6\r\nScore = 12 * 6 = 72 \r\n", false, 12, 6, 72},  // disagree
        {"", false, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const tavik::check::PluginScore score = ParseScore(c.report);
        EXPECT_EQ(score.known, c.known) << c.report;
        if (!c.known) continue;
        EXPECT_EQ(std::vector<std::int64_t>({score.points, score.multipliers, score.score}),
                  std::vector<std::int64_t>({c.points, c.multipliers, c.score}));
    }
}

TEST(CheckReadings, RefusalReasonIsWhatFollowsTheReceivedExchange) {
    tavik::host::QsoView qso{"OK1CCC", "DL1AAA", 0, 0, "RY", "599", "579", "1001", "3003", "20M"};
    EXPECT_EQ(tavik::check::RefusalReason(
                  "QSO:  14080  RY  2025-09-20 1240  DL1AAA  599  1001  OK1CCC  579  3003"
                  "   NO QPSK63 MODE !!!\r\n",
                  qso),
              "NO QPSK63 MODE !!!");
    qso.exchangeReceived = "";
    EXPECT_EQ(tavik::check::RefusalReason(
                  "QSO:  14080  QPSK63  2025-09-20 1240  DL1AAA  599  1001  OK1CCC  579  "
                  "   Not full control number recieved !!!\r\n",
                  qso),
              "Not full control number recieved !!!");
}

TEST(CheckReadings, CategoriesLinesAndFileNames) {
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(tavik::check::CabrilloCategories("START-OF-LOG: 3.0\r\nCATEGORY-POWER: LOW\r\n"
                                               "category-mode:\tDIGI \r\nCATEGORY: SO\tALL\n"
                                               "QSO: 1 QM\nCATEGORY-BAND: 20M\n"),
              (Pairs{{"POWER", "LOW"}, {"MODE", "DIGI"}, {"", "SO ALL"}}));
    const std::string text = "first\r\nsecond line\nthird";
    const struct {
        std::size_t offset;
        const char* line;
    } lines[] = {{0, "first"}, {3, "first"}, {7, "second line"}, {18, "second line"},
                 {19, "third"}, {24, "third"}};
    for (const auto& l : lines) EXPECT_EQ(tavik::check::LineAround(text, l.offset), l.line);
    EXPECT_EQ(tavik::check::UbnFileName("DL1AAA/P"), "DL1AAA_P.txt");
    EXPECT_EQ(tavik::check::UbnFileName("../X"), "___X.txt");
}

}  // namespace
