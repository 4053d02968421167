#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/date_time.h"

namespace tavik {
namespace {

constexpr double kSecond = 1.0 / 86400.0;

// Day number plus a time of day given in seconds.
double At(double day, double seconds) { return day + seconds * kSecond; }

::testing::AssertionResult Converts(double value, int year, int month, int day, int hour,
                                    int minute, int second) {
    CalendarTime t;
    if (!ConvertAutomationDate(value, t)) {
        return ::testing::AssertionFailure() << value << " rejected";
    }
    if (t.year != year || t.month != month || t.day != day || t.hour != hour ||
        t.minute != minute || t.second != second) {
        return ::testing::AssertionFailure()
               << value << " gave " << t.year << "-" << t.month << "-" << t.day << " " << t.hour
               << ":" << t.minute << ":" << t.second;
    }
    return ::testing::AssertionSuccess();
}

TEST(ConvertAutomationDate, EpochAndNearbyDays) {
    EXPECT_TRUE(Converts(0.0, 1899, 12, 30, 0, 0, 0));
    EXPECT_TRUE(Converts(1.0, 1899, 12, 31, 0, 0, 0));
    EXPECT_TRUE(Converts(2.0, 1900, 1, 1, 0, 0, 0));
    EXPECT_TRUE(Converts(41531.5, 2013, 9, 14, 12, 0, 0));
    // 1900 is no leap year, 2000 is.
    EXPECT_TRUE(Converts(60.0, 1900, 2, 28, 0, 0, 0));
    EXPECT_TRUE(Converts(61.0, 1900, 3, 1, 0, 0, 0));
    EXPECT_TRUE(Converts(36585.75, 2000, 2, 29, 18, 0, 0));
}

TEST(ConvertAutomationDate, NegativeValuesCountForwardFromMidnight) {
    EXPECT_TRUE(Converts(-1.25, 1899, 12, 29, 6, 0, 0));
    EXPECT_TRUE(Converts(-0.5, 1899, 12, 30, 12, 0, 0));
    EXPECT_TRUE(Converts(-1.0, 1899, 12, 29, 0, 0, 0));
    // 23:59:59.6 on 29 Dec rounds into 30 Dec, not back towards 28 Dec.
    EXPECT_TRUE(Converts(-At(1.0, 86399.6), 1899, 12, 30, 0, 0, 0));
}

TEST(ConvertAutomationDate, RangeLimits) {
    EXPECT_TRUE(Converts(-657434.0, 100, 1, 1, 0, 0, 0));
    EXPECT_TRUE(Converts(-At(657434.0, 86399.0), 100, 1, 1, 23, 59, 59));
    // The last half-second of the first day belongs to the second day.
    EXPECT_TRUE(Converts(std::nextafter(-657435.0, 0.0), 100, 1, 2, 0, 0, 0));
    EXPECT_TRUE(Converts(2958465.0, 9999, 12, 31, 0, 0, 0));
    EXPECT_TRUE(Converts(At(2958465.0, 86340.0), 9999, 12, 31, 23, 59, 0));
    EXPECT_TRUE(Converts(At(2958465.0, 86399.4), 9999, 12, 31, 23, 59, 59));
    EXPECT_TRUE(Converts(At(2958465.0, 86399.7), 10000, 1, 1, 0, 0, 0));
    EXPECT_TRUE(Converts(std::nextafter(2958466.0, 0.0), 10000, 1, 1, 0, 0, 0));

    CalendarTime t;
    EXPECT_FALSE(ConvertAutomationDate(-657435.0, t));
    EXPECT_FALSE(ConvertAutomationDate(2958466.0, t));
    EXPECT_FALSE(ConvertAutomationDate(-1e9, t));
    EXPECT_FALSE(ConvertAutomationDate(1e9, t));
    EXPECT_FALSE(ConvertAutomationDate(std::numeric_limits<double>::quiet_NaN(), t));
    EXPECT_FALSE(ConvertAutomationDate(std::numeric_limits<double>::infinity(), t));
    EXPECT_FALSE(ConvertAutomationDate(-std::numeric_limits<double>::infinity(), t));
}

TEST(ConvertAutomationDate, RoundsToTheNearestSecond) {
    const double day = 41531.0;
    EXPECT_TRUE(Converts(At(day, 12 * 3600 + 60 + 0.4999), 2013, 9, 14, 12, 1, 0));
    EXPECT_TRUE(Converts(At(day, 12 * 3600 + 60 + 0.5001), 2013, 9, 14, 12, 1, 1));
    EXPECT_TRUE(Converts(At(day, 12 * 3600 + 59 * 60 + 59.6), 2013, 9, 14, 13, 0, 0));
    // Exactly half a second is stored a little short of it; the platform still rounds up.
    EXPECT_TRUE(Converts(At(day, 12 * 3600 + 60 + 0.5), 2013, 9, 14, 12, 1, 1));
    EXPECT_TRUE(Converts(At(0.0, 59.5), 1899, 12, 30, 0, 1, 0));
}

TEST(ConvertAutomationDate, RoundingCarriesAcrossDaysMonthsAndYears) {
    EXPECT_TRUE(Converts(At(41531.0, 86399.6), 2013, 9, 15, 0, 0, 0));
    EXPECT_TRUE(Converts(At(41333.0, 86399.6), 2013, 3, 1, 0, 0, 0));
    EXPECT_TRUE(Converts(At(40967.0, 86399.6), 2012, 2, 29, 0, 0, 0));
    EXPECT_TRUE(Converts(At(41639.0, 86399.6), 2014, 1, 1, 0, 0, 0));
    EXPECT_TRUE(Converts(At(41639.0, 86399.4), 2013, 12, 31, 23, 59, 59));
}

// Every day of the valid range against a plain day-by-day calendar.
TEST(ConvertAutomationDate, EveryDayMatchesASimpleCalendar) {
    int year = 100, month = 1, day = 1;
    for (long n = -657434; n <= 2958465; ++n) {
        CalendarTime t;
        ASSERT_TRUE(ConvertAutomationDate(static_cast<double>(n), t)) << n;
        ASSERT_TRUE(t.year == year && t.month == month && t.day == day)
            << n << " gave " << t.year << "-" << t.month << "-" << t.day;
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        static const int kLength[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        if (++day > kLength[month - 1] + (month == 2 && leap ? 1 : 0)) {
            day = 1;
            if (++month > 12) {
                month = 1;
                ++year;
            }
        }
    }
    EXPECT_EQ(year, 10000);
}

std::string Format(double value, const char* pattern, int32_t status = kDateTimeValid) {
    const COleDateTime date{value, status};
    return FormatDateTime(&date, pattern);
}

TEST(FormatDateTime, Conversions) {
    EXPECT_EQ(Format(41531.5, "%Y-%m-%d %H%M"), "2013-09-14 1200");
    EXPECT_EQ(Format(41531.0, "%d.%m"), "14.09");
    EXPECT_EQ(Format(41532.0, "%d.%m.%Y"), "15.09.2013");
    EXPECT_EQ(Format(At(41532.0, 3 * 3600 + 4 * 60 + 5), "%H:%M:%S %y"), "03:04:05 13");
    EXPECT_EQ(Format(-657434.0, "%Y/%y"), "0100/00");
    EXPECT_EQ(Format(At(2958465.0, 86399.7), "%Y-%m-%d"), "Invalid DateTime");
    EXPECT_EQ(Format(At(2958465.0, 86399.4), "%Y-%m-%d %H%M"), "9999-12-31 2359");
    EXPECT_EQ(Format(36585.0, "%y%m%d"), "000229");
}

TEST(FormatDateTime, OtherTextIsCopied) {
    EXPECT_EQ(Format(41531.0, "100%% on %d"), "100% on 14");
    EXPECT_EQ(Format(41531.0, "%q%A %d %"), "%q%A 14 %");
    EXPECT_EQ(Format(41531.0, "QSO log"), "QSO log");
    EXPECT_EQ(Format(41531.0, ""), "");
}

TEST(FormatDateTime, StatusAndBadInput) {
    EXPECT_EQ(Format(41531.0, "%d", kDateTimeInvalid), "Invalid DateTime");
    EXPECT_EQ(Format(41531.0, "%d", 7), "Invalid DateTime");
    EXPECT_EQ(Format(41531.0, "%d", -1), "Invalid DateTime");
    EXPECT_EQ(Format(41531.0, "%d", kDateTimeNull), "");
    EXPECT_EQ(Format(3e6, "%d"), "Invalid DateTime");
    EXPECT_EQ(Format(std::numeric_limits<double>::quiet_NaN(), "%d"), "Invalid DateTime");
    EXPECT_EQ(FormatDateTime(nullptr, "%d"), "");
    EXPECT_EQ(Format(41531.0, nullptr), "");
}

}  // namespace
}  // namespace tavik
