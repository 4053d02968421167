#include <gtest/gtest.h>

#include <string>

#include "host/session/report_summary.h"

using namespace tavik::host;

namespace {

const std::string kReport =
    " CIS DX PSK 20.09-21.09.2025 \r\n     Contestant: DL6NBS\r\nBand\tQSOs\tPoints\tDXDA\r\n"
    "80M\t 96\t 188\t 41\r\n30M\t 0\t 0\t 0\r\nTotal\t 96\t 188\t 41\r\n"
    "Score = 188 * 41 = 7708 \r\n";

}  // namespace

TEST(ReportSummary, FiguresComeFromTheReport) {
    std::optional<ReportFigures> figures = ParseReport(kReport);
    ASSERT_TRUE(figures);
    RunFigures run{"2025-09-20 00:00", "2025-09-21 23:59", 100, 98, 97, 1, 1, 2, 3};
    EXPECT_EQ(SummaryJson(*figures, run),
              "{\"call\": \"DL6NBS\", \"start\": \"2025-09-20 00:00\", \"end\": \"2025-09-21 "
              "23:59\", \"records\": 100, \"offered\": 98, \"accepted\": 97, \"duplicates\": 1, "
              "\"refused\": 1, \"skipped\": 2, \"warnings\": 3, \"bands\": [{\"band\": \"80M\", "
              "\"qsos\": 96, \"points\": 188, \"multipliers\": 41}, {\"band\": \"30M\", \"qsos\": "
              "0, \"points\": 0, \"multipliers\": 0}], \"total\": {\"qsos\": 96, \"points\": 188, "
              "\"multipliers\": 41}, \"score\": 7708}\n");
    // Calls are bytes: quotes, controls and non-ASCII stay valid JSON.
    figures->call = "A\"\\\x01\xC3";
    const std::string json = SummaryJson(*figures, run);
    EXPECT_NE(json.find("\"call\": \"A\\\"\\\\\\u0001\\u00c3\""), std::string::npos) << json;
}

TEST(ReportSummary, OtherLayoutsAreRefused) {
    const std::string broken[] = {
        "",
        std::string(kReport).replace(kReport.find("96\t 188"), 2, "x6"),  // not a number
        std::string(kReport).replace(kReport.find("Total"), 5, "Sum"),
        std::string(kReport).replace(kReport.find("Band"), 4, "Bnd"),
        std::string(kReport).replace(kReport.find("= 7708 "), 7, "= 7708"),
    };
    for (const std::string& report : broken) EXPECT_FALSE(ParseReport(report)) << report;
}

TEST(ReportSummary, UtfEightPassesAndEverythingElseIsEscaped) {
    struct Case {
        std::string call;
        std::string json;  // the "call" value
    };
    const Case cases[] = {
        {"DL1\xC3\x84" "BC", "\"DL1\xC3\x84" "BC\""},
        {"\xE2\x82\xAC\xF0\x9F\x98\x80", "\"\xE2\x82\xAC\xF0\x9F\x98\x80\""},
        {"a\tb\nc\rd\x7F", "\"a\\tb\\nc\\rd\\u007f\""},
        {"\xC2\x85", "\"\\u0085\""},                            // a control, though UTF-8
        {"\xC4" "BC", "\"\\u00c4BC\""},                          // Latin-1
        {"\xC0\xAF", "\"\\u00c0\\u00af\""},                    // overlong
        {"\xED\xA0\x80", "\"\\u00ed\\u00a0\\u0080\""},        // a surrogate
        {"\xF4\x90\x80\x80", "\"\\u00f4\\u0090\\u0080\\u0080\""},  // beyond U+10FFFF
        {"\xE2\x82", "\"\\u00e2\\u0082\""},                    // cut short
    };
    for (const Case& c : cases) {
        ReportFigures figures;
        figures.call = c.call;
        const std::string json = SummaryJson(figures, RunFigures{});
        EXPECT_EQ(json.substr(0, json.find(", \"start\"")), "{\"call\": " + c.json) << json;
    }
}
