#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/input/contest_period.h"

using namespace tavik::host;

namespace {

double At(const char* when) { return *ParsePeriodTime(when); }

PeriodChoice ChoiceOf(const std::vector<const char*>& times, const PeriodSettings& given = {}) {
    QsoTimes seen;
    for (const char* when : times) seen.Add(At(when));
    return ChoosePeriod(given, seen);
}

}  // namespace

TEST(ContestWeekend, LongLogsScoreTheirLatestContestWeekend) {
    const std::string other = " UTC; give --start and --end for another period";
    const struct {
        const char* what;
        std::vector<const char*> times;
        std::string note;  // "" : scored as a whole
    } cases[] = {
        {"47 hours", {"2025-09-19 13:00", "2025-09-21 12:00"}, ""},
        {"48 hours", {"2025-09-19 12:00", "2025-09-21 12:00"}, ""},
        {"49 hours",
         {"2025-09-19 11:00", "2025-09-21 12:00"},
         "the log spans 2 days; scoring the contest weekend 2025-09-20 12:00 to 2025-09-21 12:00" +
             other},
        {"two Septembers, the later taken",
         {"2025-09-20 13:00", "2021-01-01 00:00", "2023-09-16 13:00", "2024-03-01 00:00"},
         "the log spans 1,723 days; scoring the contest weekend 2025-09-20 12:00 to 2025-09-21 "
         "12:00" + other},
        // 2024-09-01 is a Sunday: the third Saturday is the 21st, not the 14th.
        {"the 1st a Sunday, at both ends",
         {"2024-09-14 13:00", "2024-09-22 12:00", "2023-01-01 00:00"},
         "the log spans 630 days; scoring the contest weekend 2024-09-21 12:00 to 2024-09-22 12:00" +
             other},
        {"a minute outside each end",
         {"2025-09-20 11:59", "2025-09-21 12:01", "2025-01-01 00:00"},
         "the log spans 263 days and none of its QSOs falls on a contest weekend; scoring all of "
         "them"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const PeriodChoice choice = ChoiceOf(c.times);
        EXPECT_EQ(choice.note, c.note);
        EXPECT_EQ(choice.weekend.has_value(), c.note.find("scoring the contest weekend") != std::string::npos);
        if (choice.weekend) {
            EXPECT_EQ(FormatAutomationDate(choice.weekend->start) + " to " +
                          FormatAutomationDate(choice.weekend->end),
                      c.note.substr(c.note.find("weekend ") + 8, 36));
        }
    }
    // A period or --all given: no rule.
    PeriodSettings all;
    all.all = true;
    EXPECT_FALSE(ChoiceOf({"2021-01-01 00:00", "2025-09-20 13:00"}, all).weekend);
    PeriodSettings start;
    start.start = At("2021-01-01 00:00");
    EXPECT_EQ(ChoiceOf({"2021-01-01 00:00", "2025-09-20 13:00"}, start).note, "");
}

TEST(ContestWeekend, PartsOfALogTakenTogetherAsOne) {
    QsoTimes first, second, whole;
    for (const char* when : {"2025-09-20 13:00", "2023-09-16 13:00"}) {
        first.Add(At(when));
        whole.Add(At(when));
    }
    for (const char* when : {"2024-09-21 13:00", "2026-02-01 00:00"}) {
        second.Add(At(when));
        whole.Add(At(when));
    }
    first.Add(second);
    EXPECT_EQ(first.Count(), 4u);
    EXPECT_EQ(first.Earliest(), whole.Earliest());
    EXPECT_EQ(first.Latest(), whole.Latest());
    ASSERT_TRUE(first.LatestWeekend());
    EXPECT_EQ(first.LatestWeekend()->year, 2025);
    EXPECT_EQ(WithThousands(1234567), "1,234,567");
    EXPECT_EQ(WithThousands(999), "999");
}
