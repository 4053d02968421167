#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "bench/contest_sim.h"
#include "host/input/log_reader.h"
#include "support/scratch_folder.h"

namespace tavik::bench {
namespace {

using host::Diagnostics;
using host::SourceFile;

TEST(ContestSimTest, CisCallsSendTheirRegionsNumber) {
    const char* european = "0103 0114 0121 0129 0138 0147 0156 0163";
    const char* asiatic = "0905 0912 0919 0926 0933";
    const std::pair<const char*, const char*> cases[] = {
        {"UA3ABC", european}, {"RA2AA", european}, {"R9XX", asiatic}, {"RA0AA", asiatic},
        {"RA2FA", "0201"}, {"UR5AB", "1201 1206 1211 1218"}, {"EM1A", "1201 1206 1211 1218"},
        {"EW1X", "1401 1403 1405"}, {"UN7AB", "1601 1604"}, {"4L1A", "2001"}, {"4K6A", "2401"},
        {"UK8AA", "2501"}, {"EX8A", "2201"}, {"EY8A", "2601"}, {"EZ8A", "2701"}, {"ER1A", "1801"},
        {"EK6A", "2301"}, {"DL1ABC", ""}, {"EA5X", ""}, {"E71A", ""}, {"K1UA", ""},
    };
    SimRng rng(5);
    for (const auto& [call, numbers] : cases) {
        EXPECT_EQ(IsCisCall(call), *numbers != '\0') << call;
        if (!*numbers) continue;
        for (int i = 0; i < 20; ++i) {
            const std::string number = CisNumber(call, rng);
            EXPECT_NE(std::string(numbers).find(number), std::string::npos)
                << call << " " << number;
        }
    }
}

TEST(ContestSimTest, BustsDifferByOneEditAtMost) {
    SimRng rng(9);
    for (const char* call : {"K1A", "DL1ABC", "UA9XYZW"}) {
        for (int i = 0; i < 200; ++i) {
            const std::string bust = MutateCall(call, rng);
            EXPECT_NE(bust, call);
            EXPECT_LE(std::max(bust.size(), std::string(call).size()) -
                          std::min(bust.size(), std::string(call).size()), 1u) << bust;
        }
    }
}

struct ReadBack : host::QsoHandler {
    const SourceFile* source = nullptr;
    std::vector<std::string> qsos;  // "line call received band"
    void OnQso(const host::Qso& qso, std::size_t offset, std::size_t, Diagnostics&) override {
        qsos.push_back(std::to_string(source->LineAt(offset)) + " " + qso.call + " " +
                       qso.exchangeReceived + " " + qso.band);
    }
};

class ContestSimFiles : public ScratchFolderTest {
protected:
    static SimContest Simulate(std::uint64_t seed) {
        std::ofstream calls("calls.txt");
        calls << "# list\n";
        for (const char* prefix : {"DL1", "K2", "UA3", "R9", "UR5", "OK1", "EW1", "JA1"})
            for (char a = 'A'; a <= 'H'; ++a)
                for (char b = 'A'; b <= 'F'; ++b) calls << prefix << a << b << "\r\n";
        calls.close();
        SimOptions options;
        options.logs = 40;
        options.seed = seed;
        options.linesPerLog = 60;
        options.rates = {0.05, 0.05, 0.3, 0.2, 0.05, 0.03, 0.1, 0.1};
        return SimulateContest(options, ReadScpCalls("calls.txt"));
    }
    static std::string Slurp(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

TEST_F(ContestSimFiles, LogsReadBackAsTheTruthSays) {
    const SimContest contest = Simulate(3);
    std::string error;
    ASSERT_TRUE(WriteContest(contest, "out", error)) << error;
    std::map<std::string, std::size_t> kinds;
    std::size_t logs = 0;
    for (std::size_t i = 0; i < contest.stations.size(); ++i) {
        const Station& station = contest.stations[i];
        const std::string path = "out/logs/" + station.call + ".log";
        ASSERT_EQ(std::filesystem::exists(path), station.submits) << path;
        if (!station.submits) continue;
        ++logs;
        const SourceFile source{path, Slurp(path)};
        ReadBack back;
        back.source = &source;
        Diagnostics diagnostics;
        EXPECT_EQ(host::ReadCabrilloLog(source, back, diagnostics).ownCall, station.call);
        EXPECT_EQ(diagnostics.Warnings(), 0u) << path;
        std::vector<std::string> expected;
        std::set<std::string> earlier;
        for (const SimLine& line : contest.lines[i]) {
            expected.push_back(std::to_string(10 + expected.size()) + " " + line.call + " " +
                               line.received + " " + kSimBands[line.band].name);
            ++kinds[TruthName(line.truth)];
            const bool first = earlier.insert(line.call + kSimBands[line.band].name).second;
            EXPECT_EQ(line.truth == Truth::kDupe, !first) << path << " " << expected.back();
            if (line.truth == Truth::kBustedCall) {
                EXPECT_NE(line.detail, line.call);
            } else if (line.truth == Truth::kBustedExchange) {
                EXPECT_NE(line.detail, line.received);
            }
        }
        EXPECT_EQ(back.qsos, expected) << path;
    }
    EXPECT_EQ(logs, 40u);
    for (const char* kind : {"ok", "nil", "busted-call", "busted-exchange", "dupe"})
        EXPECT_GT(kinds[kind], 0u) << kind;
}

TEST_F(ContestSimFiles, TheSeedAloneDecides) {
    std::string error, truths[3];
    const std::uint64_t seeds[3] = {3, 3, 4};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(WriteContest(Simulate(seeds[i]), "run" + std::to_string(i), error)) << error;
        truths[i] = Slurp("run" + std::to_string(i) + "/truth.tsv");
    }
    EXPECT_EQ(truths[0].compare(0, 30, "log\tline\ttruth\tdetail\tvisible\n"), 0);
    EXPECT_GT(std::count(truths[0].begin(), truths[0].end(), '\n'), 1000);
    EXPECT_EQ(truths[0], truths[1]);
    EXPECT_NE(truths[0], truths[2]);
    // A second contest into the same folder would mix two contests' logs.
    EXPECT_FALSE(WriteContest(Simulate(4), "run0", error));
    EXPECT_EQ(error, "run0/logs is not empty");
}

}  // namespace
}  // namespace tavik::bench
