#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "checker/engine/check_text.h"
#include "checker/engine/call_neighbours.h"
#include "checker/engine/clock_offsets.h"
#include "checker/engine/cross_check.h"

using namespace tavik::check;
using tavik::check::testing::ParseLogs;
using tavik::check::testing::Render;

namespace {

struct Case {
    const char* name;
    std::vector<std::string> logs;
    const char* expected;
};

const Case kCases[] = {
    {"match", {"UA1AA: UR2BB 20M 600", "UR2BB: UA1AA 20M 601"},
     "UA1AA: ok>1.0 | UR2BB: ok>0.0"},
    {"band must agree", {"UA1AA: UR2BB 20M 600", "UR2BB: UA1AA 40M 600"},
     "UA1AA: nil | UR2BB: nil"},
    {"nearest of two", {"UA1AA: UR2BB 20M 600", "UR2BB: UA1AA 20M 596, UA1AA 20M 602"},
     "UA1AA: ok>1.1 | UR2BB: nil ok>0.0"},
    // First come would give A's first QSO the only one of B's.
    {"nearest first, not first come",
     {"UA1AA: UR2BB 20M 600, UR2BB 20M 604", "UR2BB: UA1AA 20M 603"},
     "UA1AA: nil ok>1.0 | UR2BB: ok>0.1"},
    {"window 5 in", {"UA1AA: UR2BB 20M 600", "UR2BB: UA1AA 20M 605"},
     "UA1AA: ok>1.0 | UR2BB: ok>0.0"},
    {"window 6 out", {"UA1AA: UR2BB 20M 600", "UR2BB: UA1AA 20M 594"},
     "UA1AA: nil | UR2BB: nil"},
    {"busted exchange", {"UA1AA/001: UR2BB 20M 600 092", "UR2BB/002: UA1AA 20M 600 001"},
     "UA1AA: busted-exchange(002)>1.0 | UR2BB: ok>0.0"},
    {"busted call replaced", {"UA1AA: UR2BD 20M 600", "UR2BB: UA1AA 20M 601"},
     "UA1AA: busted-call(UR2BB)>1.0 | UR2BB: ok>0.0"},
    {"busted call added", {"UA1AA: UR2BBB 20M 600", "UR2BB: UA1AA 20M 601"},
     "UA1AA: busted-call(UR2BB)>1.0 | UR2BB: ok>0.0"},
    {"busted call dropped", {"UA1AA: UR2B 20M 600", "UR2BB: UA1AA 20M 601"},
     "UA1AA: busted-call(UR2BB)>1.0 | UR2BB: ok>0.0"},
    {"busted call swapped", {"UA1AA: U2RBB 20M 600", "UR2BB: UA1AA 20M 601"},
     "UA1AA: busted-call(UR2BB)>1.0 | UR2BB: ok>0.0"},
    {"two edits are no bust", {"UA1AA: UR3BC 20M 600", "UR2BB: UA1AA 20M 601"},
     "UA1AA: unique | UR2BB: nil"},
    {"busted call outside the window", {"UA1AA: UR2BD 20M 600", "UR2BB: UA1AA 20M 607"},
     "UA1AA: unique | UR2BB: nil"},
    {"busted call and the number checked on the right side",
     {"UA1AA/001: UR2BD 20M 600 002", "UR2BB/002: UA1AA 20M 601 091"},
     "UA1AA: busted-call(UR2BB)>1.0 | UR2BB: busted-exchange(001)>0.0"},
    {"both calls busted", {"UA1AA: UR2BD 20M 600", "UR2BB: UA1AB 20M 601"},
     "UA1AA: busted-call(UR2BB)>1.0 | UR2BB: busted-call(UA1AA)>0.0"},
    // The nearer of two lines is paired, the other left as it is.
    {"busted call nearest first",
     {"UA1AA: UR2BD 20M 600", "UR2BB: UA1AA 20M 603", "UR2BC: UA1AA 20M 601"},
     "UA1AA: busted-call(UR2BC)>2.0 | UR2BB: nil | UR2BC: ok>0.0"},
    {"one side busted before both", {"UA1AA: UR2BD 20M 600", "UR2BB: UA1AB 20M 600, UA1AA 20M 602"},
     "UA1AA: busted-call(UR2BB)>1.1 | UR2BB: unique ok>0.0"},
    {"nil", {"UA1AA: UR2BB 20M 600", "UR2BB: UR3CC 20M 600"},
     "UA1AA: nil | UR2BB: unique"},
    {"unique and named twice", {"UA1AA: UR3CC 20M 600, UR4DD 20M 610", "UR2BB: UR3CC 40M 700"},
     "UA1AA: ok unique | UR2BB: ok"},
    {"verdicts alone kept",
     {"UA1AA: UR2BB 20M 600 !dupe, UR2BB 40M 600 !out-of-period, UR2BB 80M 600 !refused=band",
      "UR2BB: UA1AA 20M 600, UA1AA 40M 600, UA1AA 80M 600"},
     "UA1AA: dupe out-of-period refused(band) | UR2BB: nil nil nil"},
    {"a log against itself", {"UA1AA: UA1AA 20M 600"}, "UA1AA: nil"},
    // A call that sent two logs is one station: either log's QSOs are its QSOs.
    {"two logs of one call",
     {"UA1AA: UR2BB 20M 600", "UR2BB: UA1AA 20M 600, UA1AA 40M 700", "UA1AA: UR2BB 40M 700"},
     "UA1AA: ok>1.0 | UR2BB: ok>0.0 ok>2.0 | UA1AA: ok>1.1"},
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class Verdicts : public ::testing::TestWithParam<Case> {};

TEST_P(Verdicts, AsExpected) {
    const std::vector<EntrantLog> logs = ParseLogs(GetParam().logs);
    EXPECT_EQ(Render(logs, Check(logs, CheckSettings{})), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, Verdicts, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// A log whose clock runs `offset` ahead, with one QSO each with `right` logs
// whose clocks are right and `wrong` more whose lines lie `apart` minutes earlier.
std::vector<std::string> ClockCase(int offset, int right, int wrong, int apart = 1000) {
    std::string own = "UA1AA:";
    std::vector<std::string> logs{""};
    for (int i = 0; i < right + wrong; ++i) {
        const std::string call = "UR" + std::to_string(i) + "B";
        const int minute = 600 + 10 * i;
        own += " " + call + " 20M " + std::to_string(minute + offset) + ",";
        logs.push_back(call + ": UA1AA 20M " + std::to_string(i < right ? minute : minute - apart));
    }
    logs[0] = own;
    return logs;
}

TEST(Clocks, AnHourOffCorrectedWithEnoughMatches) {
    const std::vector<EntrantLog> logs = ParseLogs(ClockCase(60, 5, 0));
    const CheckOutcome outcome = Check(logs, CheckSettings{});
    EXPECT_EQ(Render(logs, outcome),
              "UA1AA +60: ok>1.0 ok>2.0 ok>3.0 ok>4.0 ok>5.0 | UR0B: ok>0.0 | UR1B: ok>0.1 | "
              "UR2B: ok>0.2 | UR3B: ok>0.3 | UR4B: ok>0.4");
    EXPECT_EQ(outcome.logs[0].matches, 5u);
    EXPECT_FALSE(outcome.logs[1].offsetKnown);
    EXPECT_EQ(outcome.logs[1].matches, 1u);
}

TEST(Clocks, TooFewMatchesLeftAlone) {
    const std::vector<EntrantLog> logs = ParseLogs(ClockCase(60, 4, 0));
    const CheckOutcome outcome = Check(logs, CheckSettings{});
    EXPECT_EQ(Render(logs, outcome),
              "UA1AA: nil nil nil nil | UR0B: nil | UR1B: nil | UR2B: nil | UR3B: nil");
    EXPECT_EQ(outcome.logs[0].matches, 4u);
    EXPECT_EQ(outcome.logs[0].offsetMinutes, 0);
    CheckSettings fewer;
    fewer.fewestMatches = 4;
    EXPECT_EQ(Check(logs, fewer).logs[0].offsetMinutes, 60);
}

TEST(Clocks, PairsTooFarApartDoNotPullTheMedian) {
    // Five more pairs 1060 minutes apart would make the median of ten 560: no
    // two clocks are that far apart, so they are no pairs at all. Pairs 310
    // apart may be two clocks off, but no offset that size, so they do not vote.
    for (const auto& [apart, matches] : {std::pair(1000, 5u), std::pair(250, 10u)}) {
        const std::vector<EntrantLog> logs = ParseLogs(ClockCase(60, 5, 5, apart));
        const CheckOutcome outcome = Check(logs, CheckSettings{});
        EXPECT_TRUE(outcome.logs[0].offsetKnown) << apart;
        EXPECT_EQ(outcome.logs[0].offsetMinutes, 60) << apart;
        EXPECT_EQ(outcome.logs[0].matches, matches) << apart;
    }
}

TEST(Clocks, MedianRoundsHalvesTowardZero) {
    const std::vector<std::pair<std::vector<std::int64_t>, std::int64_t>> cases = {
        {{3}, 3}, {{5, 1, 3}, 3}, {{1, 2}, 1}, {{-1, -2}, -1}, {{60, 61, 59, 1000}, 60}};
    for (auto [values, median] : cases) EXPECT_EQ(RoundedMedian(values), median);
}

TEST(Neighbours, OneEditApart) {
    const std::vector<std::tuple<const char*, const char*, bool>> cases = {
        {"UR2BB", "UR2BD", true},  {"UR2BB", "UR2BBB", true}, {"UR2BB", "UR2B", true},
        {"UR2BB", "RU2BB", true},  {"UR2BB", "UR2BB", false}, {"UR2BB", "UR3BC", false},
        {"UR2BB", "UR2", false},   {"UR2BB", "2URBB", false}, {"A", "", true},
        {"AB", "BA", true},        {"ABC", "CBA", false},     {"UR2BB", "XUR2BB", true},
    };
    for (const auto& [a, b, apart] : cases) {
        EXPECT_EQ(OneEditApart(a, b), apart) << a << " " << b;
        EXPECT_EQ(OneEditApart(b, a), apart) << b << " " << a;
    }
    const std::vector<std::pair<std::string_view, std::uint32_t>> calls = {
        {"UR2BB", 7}, {"UR2BD", 3}, {"UR2B", 5}, {"UA1AA", 9}, {"UR2BBB", 1}};
    const NeighbourIndex index(calls);
    std::vector<std::uint32_t> found{42};
    index.Find("UR2BB", found);
    EXPECT_EQ(found, (std::vector<std::uint32_t>{1, 3, 5}));
    index.Find("RU2BB", found);
    EXPECT_EQ(found, (std::vector<std::uint32_t>{7}));
}

// Logs with every kind of fault, big enough for every thread to get work.
std::vector<EntrantLog> RandomLogs() {
    std::mt19937 random(7);
    std::vector<std::string> calls;
    for (int i = 0; i < 120; ++i) {
        std::string call(1, 'U');
        call += static_cast<char>('0' + i % 10);
        call += static_cast<char>('A' + i / 10);
        calls.push_back(call);
    }
    std::vector<EntrantLog> logs(100);
    for (std::size_t l = 0; l < logs.size(); ++l) logs[l].call = calls[l];
    for (int e = 0; e < 4000; ++e) {
        const std::size_t a = random() % logs.size(), b = random() % calls.size();
        if (a == b) continue;
        const std::string band = random() % 2 ? "20M" : "40M";
        const int minute = random() % 600 + (a % 17 == 0 ? 90 : 0);
        auto log = [&](std::size_t from, std::size_t to) {
            std::string call = calls[to];
            if (random() % 20 == 0) call += 'X';
            logs[from].qsos.push_back({0, band, minute + int(random() % 3), call, "", "",
                                       random() % 50 ? Verdict::kOk : Verdict::kDupe, ""});
        };
        if (random() % 30) log(a, b);
        if (b < logs.size() && random() % 30) log(b, a);
    }
    return logs;
}

TEST(Check, SameOutcomeForAnyNumberOfThreadsAndProgressReaches) {
    const std::vector<EntrantLog> logs = RandomLogs();
    CheckSettings settings;
    std::vector<std::pair<std::size_t, std::size_t>> calls;
    auto record = [](void* context, std::size_t done, std::size_t total) {
        static_cast<decltype(calls)*>(context)->emplace_back(done, total);
    };
    const std::string one = Render(logs, Check(logs, settings, record, &calls));
    ASSERT_FALSE(calls.empty());
    for (std::size_t i = 1; i < calls.size(); ++i) EXPECT_LE(calls[i - 1].first, calls[i].first);
    EXPECT_EQ(calls.back().first, calls.back().second);
    for (const char* verdict : {"ok>", "nil", "unique", "busted-call", "dupe"})
        EXPECT_NE(one.find(verdict), std::string::npos) << verdict;
    for (unsigned jobs : {2u, 3u}) {
        settings.jobs = jobs;
        EXPECT_EQ(Render(logs, Check(logs, settings)), one) << jobs;
    }
}

TEST(Check, NoLogs) { EXPECT_TRUE(Check({}, CheckSettings{}).logs.empty()); }

}  // namespace
