#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "bench/check_figures_core.h"

namespace tavik::bench {
namespace {

struct Case {
    const char* name;
    const char* truth;    // rows after the header; '|' ends a row
    const char* qsos;
    int extraOk;          // further ok rows, verdict ok, on both sides
    const char* figures;  // "count/whole" of each figure, then met (1) or missed (0)
    const char* error;    // the start of the error; "" when there is none
};

std::string Rows(const char* rows) {
    std::string text = rows;
    for (char& c : text)
        if (c == '|') c = '\n';
    return text;
}

std::string Summary(const FigureTally& tally) {
    std::string text;
    for (const Figure& figure : tally.figures)
        text += std::to_string(figure.count) + "/" + std::to_string(figure.whole) + " ";
    for (const Figure& figure : tally.figures) text += figure.Met() ? "1" : "0";
    return text;
}

TEST(CheckFiguresTest, CountsEachFigureAndSaysWhatDoesNotMatch) {
    const char* faults =
        "A\t10\tok\t\t1|A\t11\tnil\t\t1|A\t12\tbusted-call\tK1ABC\t1|"
        "A\t13\tbusted-exchange\t0005\t1|B\t10\tdupe\t\t1|";
    const Case cases[] = {
        {"all found", faults,
         "A\t10\tok\t|A\t11\tnil\t|A\t12\tbusted-call\tK1ABC|A\t13\tbusted-exchange\t0005|"
         "B\t10\tdupe\t|", 0, "0/1 4/4 4/4 2/2 1/1 11111", ""},
        {"rows in another order", faults,
         "B\t10\tdupe\t|A\t13\tbusted-exchange\t0005|A\t12\tbusted-call\tK1ABC|A\t11\tnil\t|"
         "A\t10\tunique\t|", 0, "0/1 4/4 4/4 2/2 1/1 11111", ""},
        {"unique keeps, wrong verdict and detail", faults,
         "A\t10\tunique\t|A\t11\tunique\t|A\t12\tbusted-call\tK1ABD|A\t13\tnil\t|B\t10\tdupe\t|",
         0, "0/1 3/4 2/4 0/2 1/1 10001", ""},
        {"a dupe kept, a true QSO removed",
         "A\t10\tok\t\t0|B\t10\tdupe\t\t1|", "A\t10\tout-of-period\t|B\t10\tok\t|", 0,
         "1/1 0/1 0/1 0/0 0/1 00010", ""},
        {"invisible faults are no faults", "A\t10\tbusted-call\tK1ABC\t0|A\t11\tnil\t\t0|",
         "A\t10\tunique\t|A\t11\tunique\t|", 0, "0/0 0/0 0/0 0/0 0/0 11111", ""},
        {"one in 2000 removed meets the ceiling", "A\t1\tok\t\t1|", "A\t1\tnil\t|", 1999,
         "1/2000 0/0 0/0 0/0 0/0 11111", ""},
        {"two in 2000 do not", "A\t1\tok\t\t1|A\t2\tok\t\t1|", "A\t1\tnil\t|A\t2\trefused\tx|",
         1998, "2/2000 0/0 0/0 0/0 0/0 01111", ""},
        {"a verdict for a line not in the truth", "A\t10\tok\t\t1|", "A\t10\tok\t|A\t11\tok\t|",
         0, "", "qsos line 3: log A line 11 is not in the truth"},
        {"a line without verdict", "A\t10\tok\t\t1|A\t11\tok\t\t1|", "A\t10\tok\t|", 0, "",
         "qsos: no verdict for log A line 11"},
        {"a line twice", "A\t10\tok\t\t1|", "A\t10\tok\t|A\t10\tok\t|", 0, "",
         "qsos line 3: log A line 10 twice"},
        {"an unknown verdict", "A\t10\tok\t\t1|", "A\t10\tfine\t|", 0, "",
         "qsos line 2: unknown verdict 'fine'"},
        {"visible neither 0 nor 1", "A\t10\tok\t\t2|", "A\t10\tok\t|", 0, "",
         "truth line 2: visible is '2'"},
        {"a short truth row", "A\t10\tok|", "A\t10\tok\t|", 0, "",
         "truth line 2: 3 fields, not 5"},
    };
    for (const Case& c : cases) {
        std::string truth = "log\tline\ttruth\tdetail\tvisible\n" + Rows(c.truth);
        std::string qsos = "log\tline\tverdict\tdetail\n" + Rows(c.qsos);
        for (int i = 0; i < c.extraOk; ++i) {
            truth += "Z\t" + std::to_string(i) + "\tok\t\t1\n";
            qsos += "Z\t" + std::to_string(i) + "\tok\t\r\n";
        }
        std::istringstream truthIn(truth), qsosIn(qsos);
        const FigureTally tally = TallyFigures(truthIn, qsosIn);
        EXPECT_EQ(tally.error.substr(0, std::string(c.error).size()), c.error) << c.name;
        EXPECT_EQ(tally.error.empty(), *c.error == '\0') << c.name << ": " << tally.error;
        EXPECT_EQ(Summary(tally), c.figures) << c.name;
    }
}

TEST(CheckFiguresTest, HeadersMustNameTheColumns) {
    const char* badTruth = "truth: the header is not log, line, truth, detail, visible";
    const std::pair<const char*, const char*> headers[] = {
        {"log\tline\ttruth\tdetail\n", badTruth},
        {"", badTruth},
        {"log\tline\ttruth\tdetail\tvisible\n",
         "qsos: the header is not log, line, verdict, detail"},
    };
    for (const auto& [truth, error] : headers) {
        std::istringstream truthIn(truth), qsosIn("log\tline\tverdict\n");
        EXPECT_EQ(TallyFigures(truthIn, qsosIn).error, error) << truth;
    }
}

TEST(CheckFiguresTest, LineGivesCountsShareAndGoal) {
    const Figure figures[] = {
        {"true QSOs removed", 1, 2000, 0.05, true},
        {"dupes removed", 2, 3, 100, false},
        {"visible faults found", 0, 0, 99.5, false},
    };
    const char* lines[] = {
        "true QSOs removed: 1 of 2000 (0.050%), goal <= 0.05%: met",
        "dupes removed: 2 of 3 (66.667%), goal >= 100%: missed",
        "visible faults found: 0 of 0 (0.000%), goal >= 99.5%: met",
    };
    for (int i = 0; i < 3; ++i) EXPECT_EQ(FigureLine(figures[i]), lines[i]);
}

}  // namespace
}  // namespace tavik::bench
