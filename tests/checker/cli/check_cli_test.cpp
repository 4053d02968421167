// Runs the built tavik-check on small hand-made logs in a scratch folder.
#if !defined(_WIN32)
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/scratch_folder.h"

namespace {

// DL1AAA's lines give every verdict; UA3BBB and OK1CCC lose nothing.
const char kDl1aaa[] =
    "START-OF-LOG: 3.0\n"
    "CONTEST: CIS-QPSK63-DX\n"
    "CALLSIGN: DL1AAA\n"
    "CATEGORY-OPERATOR: SINGLE-OP\n"
    "CATEGORY-POWER: LOW\n"
    "QSO: 14070 QM 2025-09-20 1200 DL1AAA 1001 UA3BBB 2002\n"
    "QSO: 14070 QM 2025-09-20 1205 DL1AAA 1001 OK1CCC 3003\n"
    "QSO: 14070 QM 2025-09-20 1210 DL1AAA 1001 UA3BBB 2002\n"
    "QSO:  7040 QM 2025-09-20 1215 DL1AAA 1001 UA3BBB 2003\n"
    "QSO:  7040 QM 2025-09-20 1220 DL1AAA 1001 OK1CCD 3003\n"
    "QSO:  3550 QM 2025-09-20 1230 DL1AAA 1001 OK1CCC 3003\n"
    "QSO: 14070 QM 2025-09-20 1235 DL1AAA 1001 RA9XYZ 5555\n"
    "QSO: 14070 QM 2025-09-21 1300 DL1AAA 1001 UA3BBB 2002\n"
    "QSO: 14080 RY 2025-09-20 1240 DL1AAA 1001 OK1CCC 3003\n"
    "END-OF-LOG:\n";
const char kUa3bbb[] =
    "START-OF-LOG: 3.0\n"
    "CALLSIGN: UA3BBB\n"
    "CATEGORY-OPERATOR: SINGLE-OP\n"
    "QSO: 14070 QM 2025-09-20 1200 UA3BBB 2002 DL1AAA 1001\n"
    "QSO:  7040 QM 2025-09-20 1215 UA3BBB 2002 DL1AAA 1001\n"
    "QSO: 14070 QM 2025-09-20 1300 UA3BBB 2002 OK1CCC 3003\n"
    "END-OF-LOG:\n";
const char kOk1ccc[] =
    "START-OF-LOG: 2.0\n"
    "CALLSIGN: OK1CCC\n"
    "QSO: 14070 QM 2025-09-20 1205 OK1CCC 3003 DL1AAA 1001\n"
    "QSO:  7040 QM 2025-09-20 1220 OK1CCC 3003 DL1AAA 1001\n"
    "QSO: 14070 QM 2025-09-20 1300 OK1CCC 3003 UA3BBB 2002\n"
    "END-OF-LOG:\n";

class CheckRun : public ScratchFolderTest {
protected:
    void SetUp() override {
        ScratchFolderTest::SetUp();
        std::filesystem::create_directory("logs");
        WriteFile("logs/dl1aaa.log", kDl1aaa);
        WriteFile("logs/ua3bbb.log", kUa3bbb);
        WriteFile("logs/ok1ccc.log", kOk1ccc);
        WriteFile("logs/notes.txt", "not a log\n");
    }

    // The exit status of tavik-check with args; its standard error is kept in err_.
    int Run(const std::vector<std::string>& args) {
        std::string command = std::string("'") + TAVIK_CHECK_PATH + "' --plugin '" +
                              TAVIK_PLUGIN_PATH + "'";
        for (const std::string& arg : args) command += " '" + arg + "'";
        const int status = std::system((command + " 2>err.txt >/dev/null").c_str());
        err_ = ReadFile("err.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // The column of each row of a table with a header line.
    static std::vector<std::string> Column(const std::string& table, std::size_t column) {
        std::vector<std::string> cells;
        std::size_t at = table.find('\n') + 1;
        while (at < table.size()) {
            const std::size_t end = table.find('\n', at);
            std::size_t cell = at;
            for (std::size_t c = 0; c < column; ++c) cell = table.find('\t', cell) + 1;
            cells.push_back(table.substr(cell, table.find_first_of("\t\n", cell) - cell));
            at = end + 1;
        }
        return cells;
    }

    std::string err_;
};

TEST_F(CheckRun, EveryQsoGetsItsVerdictInFileOrder) {
    ASSERT_EQ(Run({"--out", "out", "logs"}), 0) << err_;
    EXPECT_EQ(ReadFile("out/qsos.tsv"),
              "log\tline\tverdict\tdetail\n"
              "DL1AAA\t6\tok\t\n"
              "DL1AAA\t7\tok\t\n"
              "DL1AAA\t8\tdupe\t\n"
              "DL1AAA\t9\tbusted-exchange\t2002\n"
              "DL1AAA\t10\tbusted-call\tOK1CCC\n"
              "DL1AAA\t11\tnil\t\n"
              "DL1AAA\t12\tunique\t\n"
              "DL1AAA\t13\tout-of-period\t\n"
              "DL1AAA\t14\trefused\tNO QPSK63 MODE !!!\n"
              "OK1CCC\t3\tok\t\n"
              "OK1CCC\t4\tok\t\n"
              "OK1CCC\t5\tok\t\n"
              "UA3BBB\t4\tok\t\n"
              "UA3BBB\t5\tok\t\n"
              "UA3BBB\t6\tok\t\n");
    EXPECT_NE(err_.find("notes.txt not checked"), std::string::npos) << err_;
}

TEST_F(CheckRun, ResultsGoByGroupThenCheckedScoreAndListTheUnreadable) {
    ASSERT_EQ(Run({"--out", "out", "--jobs", "2", "logs"}), 0) << err_;
    const std::string table = ReadFile("out/results.tsv");
    EXPECT_EQ(table.substr(0, table.find('\n')),
              "file\tcall\tgroup\tcategories\tclaimed\tqso_lines\tchecked_qsos\tpoints\t"
              "multipliers\tchecked\toffset\tok\tunique\tdupe\tnil\tbusted-call\t"
              "busted-exchange\tout-of-period\trefused\tunreadable");
    // In the DX group DL1AAA's 21 goes before OK1CCC's 15; UA3BBB and OK1CCC lose nothing.
    EXPECT_EQ(Column(table, 1), (std::vector<std::string>{"UA3BBB", "DL1AAA", "OK1CCC", ""}));
    EXPECT_EQ(Column(table, 2), (std::vector<std::string>{"CIS", "DX", "DX", ""}));
    EXPECT_EQ(Column(table, 4), (std::vector<std::string>{"9", "72", "15", ""}));
    EXPECT_EQ(Column(table, 9), (std::vector<std::string>{"9", "21", "15", ""}));
    EXPECT_EQ(Column(table, 3)[1], "OPERATOR=SINGLE-OP;POWER=LOW");
    const std::vector<std::string> reasons = Column(table, 19);
    EXPECT_EQ(reasons[0], "");
    EXPECT_NE(reasons[3].find("notes.txt: holds no ADIF"), std::string::npos) << reasons[3];
    const std::string json = ReadFile("out/results.json");
    EXPECT_NE(json.find("\"call\": \"DL1AAA\", \"group\": \"DX\", \"categories\": "
                        "{\"OPERATOR\": \"SINGLE-OP\", \"POWER\": \"LOW\"}, \"claimed\": 72"),
              std::string::npos)
        << json;
}

TEST_F(CheckRun, TheEntrantsReportShowsEachRemovedQsoWithItsEvidence) {
    ASSERT_EQ(Run({"--out", "out", "logs"}), 0) << err_;
    EXPECT_EQ(ReadFile("out/ubn/DL1AAA.txt"),
              "Log of DL1AAA (dl1aaa.log)\n"
              "Claimed score: 72 (12 points x 6 multipliers)\n"
              "Checked score: 21 (7 points x 3 multipliers)\n"
              "Clock offset: not known (3 matches)\n"
              "QSO lines: 9 (2 ok, 1 unique, 1 dupe, 1 nil, 1 busted-call, 1 busted-exchange, "
              "1 out-of-period, 1 refused)\n"
              "\n"
              "Removed QSOs:\n"
              "\n"
              "Line 8: QSO: 14070 QM 2025-09-20 1210 DL1AAA 1001 UA3BBB 2002\n"
              "  dupe: UA3BBB was worked on 20M in line 6\n"
              "\n"
              "Line 9: QSO:  7040 QM 2025-09-20 1215 DL1AAA 1001 UA3BBB 2003\n"
              "  busted-exchange: the number sent was 2002\n"
              "  UA3BBB logged it in ua3bbb.log line 5: "
              "QSO:  7040 QM 2025-09-20 1215 UA3BBB 2002 DL1AAA 1001\n"
              "\n"
              "Line 10: QSO:  7040 QM 2025-09-20 1220 DL1AAA 1001 OK1CCD 3003\n"
              "  busted-call: the call is OK1CCC\n"
              "  OK1CCC logged it in ok1ccc.log line 4: "
              "QSO:  7040 QM 2025-09-20 1220 OK1CCC 3003 DL1AAA 1001\n"
              "\n"
              "Line 11: QSO:  3550 QM 2025-09-20 1230 DL1AAA 1001 OK1CCC 3003\n"
              "  nil: the log of OK1CCC (ok1ccc.log) holds no such QSO\n"
              "\n"
              "Line 13: QSO: 14070 QM 2025-09-21 1300 DL1AAA 1001 UA3BBB 2002\n"
              "  out-of-period: outside the contest period 2025-09-20 12:00 to 2025-09-21 "
              "12:00 UTC\n"
              "\n"
              "Line 14: QSO: 14080 RY 2025-09-20 1240 DL1AAA 1001 OK1CCC 3003\n"
              "  refused: NO QPSK63 MODE !!!\n");
    EXPECT_TRUE(std::filesystem::exists("out/ubn/UA3BBB.txt"));
    EXPECT_FALSE(std::filesystem::exists("out/ubn/.txt"));
}

TEST_F(CheckRun, BadCommandLinesAndImpossibleRunsExitAsDocumented) {
    WriteFile("a-file", "");
    const struct {
        std::vector<std::string> args;
        int exit;
        const char* told;
    } cases[] = {
        {{"logs"}, 2, "no --out folder given"},
        {{"--out", "out"}, 2, "no folder of logs given"},
        {{"--out", "out", "logs", "more"}, 2, "exactly one folder"},
        {{"--out", "out", "--bogus", "logs"}, 2, "unknown option --bogus"},
        {{"--out", "out", "--window", "five", "logs"}, 2, "--window 'five'"},
        {{"--out", "out", "--jobs", "0", "logs"}, 2, "--jobs '0'"},
        {{"--out", "out", "--start", "2025-09-31 12:00", "logs"}, 2, "is not a time"},
        {{"--out", "out", "--start", "2025-09-21 12:00", "--end", "2025-09-20 12:00", "logs"},
         2, "--start is later than --end"},
        {{"--out", "out", "--help=x", "logs"}, 2, "takes no value"},
        {{"--out", "out", "no-such-folder"}, 1, "no-such-folder"},
        {{"--out", "a-file", "logs"}, 1, "a-file"},
        {{"--out", "out", "--cty", "missing.dat", "logs"}, 1, "missing.dat"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run(c.args), c.exit) << c.args.back() << ": " << err_;
        EXPECT_NE(err_.find(c.told), std::string::npos) << err_;
    }
}

}  // namespace
#endif
