// Our automation date conversion against the system's VarUdateFromDate, compared
// field by field and as the texts the plugin prints.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "platform/date_time.h"
#include "platform/own_date_conversion.h"

namespace tavik {

// FormatDateTime (compiled in from date_time.cpp) converts through this, so here
// its status handling and formatting run on the system's conversion.
bool ConvertAutomationDate(double value, CalendarTime& out) {
    // The same guard as the product's Windows conversion: the system conversion
    // accepts NaN (SystemAcceptsNaN below), so the product never passes it one.
    if (!std::isfinite(value)) {
        return false;
    }
    UDATE calendar{};
    if (VarUdateFromDate(value, 0, &calendar) != S_OK) {
        return false;
    }
    out.year = calendar.st.wYear;
    out.month = calendar.st.wMonth;
    out.day = calendar.st.wDay;
    out.hour = calendar.st.wHour;
    out.minute = calendar.st.wMinute;
    out.second = calendar.st.wSecond;
    return true;
}

namespace {

constexpr double kSecond = 1.0 / 86400.0;
constexpr double kFirstDay = -657434.0;  // 1 Jan 100
constexpr double kLastDay = 2958465.0;   // 31 Dec 9999
constexpr const char* kPatterns[] = {"%Y-%m-%d %H%M", "%d.%m", "%d.%m.%Y"};

double NotANumberWithPayload(std::uint64_t bits) {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::string Describe(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string Describe(bool converted, const CalendarTime& t) {
    if (!converted) {
        return "rejected";
    }
    char text[64];
    std::snprintf(text, sizeof text, "%d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

std::string OwnText(double value, const char* pattern) {
    CalendarTime time;
    return OwnConvertAutomationDate(value, time) ? FormatCalendarTime(time, pattern)
                                                 : kInvalidDateTime;
}

std::string SystemText(double value, const char* pattern) {
    const COleDateTime date{value, kDateTimeValid};
    return FormatDateTime(&date, pattern);
}

// Empty when both sides agree on value, otherwise what each side made of it.
std::string Disagreement(double value) {
    CalendarTime own;
    CalendarTime system;
    const bool ownOk = OwnConvertAutomationDate(value, own);
    const bool systemOk = ConvertAutomationDate(value, system);
    std::string found;
    if (ownOk != systemOk ||
        (ownOk && (own.year != system.year || own.month != system.month ||
                   own.day != system.day || own.hour != system.hour ||
                   own.minute != system.minute || own.second != system.second))) {
        found = "fields";
    }
    for (const char* pattern : kPatterns) {
        if (OwnText(value, pattern) != SystemText(value, pattern)) {
            found += found.empty() ? "" : ", ";
            found += std::string("text \"") + pattern + "\" own \"" + OwnText(value, pattern) +
                     "\" system \"" + SystemText(value, pattern) + "\"";
        }
    }
    if (found.empty()) {
        return found;
    }
    return Describe(value) + ": own " + Describe(ownOk, own) + ", system " +
           Describe(systemOk, system) + " (" + found + ")";
}

// Checks every value and lists the disagreements, so one run shows all of them.
void ExpectAgreement(const std::vector<double>& values) {
    std::vector<std::string> found;
    for (double value : values) {
        std::string difference = Disagreement(value);
        if (!difference.empty()) {
            found.push_back(std::move(difference));
        }
    }
    std::string listed;
    for (size_t i = 0; i < found.size() && i < 40; ++i) {
        listed += "\n  " + found[i];
    }
    EXPECT_TRUE(found.empty()) << found.size() << " of " << values.size()
                               << " values disagree:" << listed;
}

size_t gCompared = 0;

void Compare(const std::vector<double>& values) {
    gCompared += values.size();
    ExpectAgreement(values);
}

TEST(DateDifferential, WholeDays) {
    std::vector<double> values;
    // Every 97th day across the range lands on every month, weekday and leap rule.
    for (double day = kFirstDay; day <= kLastDay; day += 97.0) {
        values.push_back(day);
    }
    for (double day = -800.0; day <= 800.0; day += 1.0) {
        values.push_back(day);
    }
    // Turns of century and leap days.
    for (double day : {59.0, 60.0, 61.0, 36584.0, 36585.0, 36586.0, 73109.0, 73110.0,
                       -36522.0, -36523.0, -36524.0, -73048.0, -73049.0}) {
        values.push_back(day);
    }
    Compare(values);
}

TEST(DateDifferential, FractionsOfPositiveAndNegativeDays) {
    std::vector<double> values = {-0.25, -1.25, -1.75, -0.5, -0.75, -1.0 / 3.0, -2.999,
                                  -0.0,  0.25,  1.75,  0.5,  2.0 / 3.0, 41531.5, 41531.999};
    for (double day : {-36600.0, -365.0, -2.0, -1.0, 0.0, 1.0, 41531.0, 2000000.0}) {
        for (int eighth = 1; eighth < 8; ++eighth) {
            values.push_back(day + eighth / 8.0);
            values.push_back(-(day + eighth / 8.0));
        }
        for (int minute = 0; minute < 1440; minute += 7) {
            values.push_back(day + minute / 1440.0);
            values.push_back(-(day + minute / 1440.0));
        }
    }
    Compare(values);
}

TEST(DateDifferential, EdgesOfTheRange) {
    std::vector<double> values;
    // A value and the doubles next to it on both sides.
    const auto withNeighbours = [&values](double value, int steps) {
        double below = value;
        double above = value;
        for (int step = 0; step < steps; ++step) {
            values.push_back(below);
            values.push_back(above);
            below = std::nextafter(below, -1e300);
            above = std::nextafter(above, 1e300);
        }
    };
    for (double edge : {kFirstDay - 1.0, kLastDay + 1.0}) withNeighbours(edge, 4);
    for (double offset : {0.0, 0.5, 0.75, 0.999, 0.99999, 0.999994, 0.9999942, 0.999999}) {
        values.push_back(kFirstDay - offset);
        values.push_back(kFirstDay + offset);
        values.push_back(kLastDay + offset);
        values.push_back(kLastDay - offset);
    }
    // Rounding up to the next second at both ends.
    for (double value : {kLastDay + 0.99999999, kLastDay + 0.999994, kFirstDay - 0.99999999})
        withNeighbours(value, 3);
    values.push_back(kLastDay + 86399.4 * kSecond);
    values.push_back(kLastDay + 86399.6 * kSecond);
    values.push_back(kFirstDay - 86399.6 * kSecond);
    Compare(values);
}

TEST(DateDifferential, RoundingToWholeSeconds) {
    std::vector<double> values;
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> second(0, 86399);
    std::uniform_int_distribution<int> day(-40000, 80000);
    for (int i = 0; i < 300; ++i) {
        const double d = day(random);
        const int s = second(random);
        const double half = d + (s + 0.5) * kSecond;
        values.push_back(half);
        values.push_back(std::nextafter(half, 1e300));
        values.push_back(std::nextafter(half, -1e300));
        values.push_back(d + s * kSecond);
        values.push_back(d + s * kSecond + 1e-11);
        values.push_back(d + s * kSecond - 1e-11);
        values.push_back(-(d + (s + 0.5) * kSecond));
    }
    // Carries from 23:59:59.5 into the next day, month and year.
    for (double d : {-2.0, -1.0, 0.0, 59.0, 60.0, 41333.0, 40967.0, 41639.0, 73050.0}) {
        values.push_back(d + 86399.5 * kSecond);
        values.push_back(d + 86399.49 * kSecond);
        values.push_back(d + 86399.51 * kSecond);
        values.push_back(d + 59.5 * kSecond);
        values.push_back(d + 3599.5 * kSecond);
    }
    Compare(values);
}

TEST(DateDifferential, RandomValuesInRange) {
    std::mt19937_64 random(0x7A71C);
    std::uniform_real_distribution<double> anywhere(kFirstDay - 1.0, kLastDay + 1.0);
    std::uniform_real_distribution<double> recent(30000.0, 60000.0);
    std::vector<double> values;
    for (int i = 0; i < 1500; ++i) {
        values.push_back(anywhere(random));
        values.push_back(recent(random));
    }
    Compare(values);
}

TEST(DateDifferential, InfinitiesAndHugeValues) {
    const double inf = std::numeric_limits<double>::infinity();
    Compare({inf, -inf, 1e300, -1e300, std::numeric_limits<double>::max(),
             -std::numeric_limits<double>::max(), 1e10, -1e10, 4294967296.0, -2147483649.0,
             std::numeric_limits<double>::denorm_min(), -std::numeric_limits<double>::denorm_min()});
}

// Kept apart from the finite values: both sides must reject NaN whatever its sign
// or payload.
TEST(DateDifferential, NotANumber) {
    Compare({std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN(),
             std::numeric_limits<double>::signaling_NaN(), NotANumberWithPayload(0x7FF8DEADBEEF0000),
             NotANumberWithPayload(0xFFF0000000000001)});
}

// Why the guard exists: the raw system call takes NaN for the day of its epoch,
// the same for every payload, and would print it as a real date.
TEST(DateDifferential, SystemAcceptsNaN) {
    for (const double value : {std::numeric_limits<double>::quiet_NaN(),
                               -std::numeric_limits<double>::quiet_NaN(),
                               NotANumberWithPayload(0x7FF8DEADBEEF0000)}) {
        UDATE calendar{};
        ASSERT_EQ(VarUdateFromDate(value, 0, &calendar), S_OK) << Describe(value);
        EXPECT_EQ(calendar.st.wYear, 1899);
        EXPECT_EQ(calendar.st.wMonth, 12);
        EXPECT_EQ(calendar.st.wDay, 30);
        EXPECT_EQ(calendar.st.wHour, 0);
        EXPECT_EQ(calendar.st.wMinute, 0);
        EXPECT_EQ(calendar.st.wSecond, 0);
    }
}

TEST(DateDifferential, NoYearBeyond9999IsPrinted) {
    for (const char* pattern : kPatterns) {
        EXPECT_EQ(SystemText(kLastDay + 0.99999999, pattern), kInvalidDateTime);
        EXPECT_EQ(OwnText(kLastDay + 0.99999999, pattern), kInvalidDateTime);
    }
    EXPECT_EQ(SystemText(kLastDay + 0.999994, "%Y-%m-%d %H%M"), "9999-12-31 2359");
    EXPECT_EQ(SystemText(kFirstDay - 0.99999999, "%Y-%m-%d %H%M"), "0100-01-02 0000");
}

TEST(DateDifferential, StatusDecidesBeforeTheValue) {
    const COleDateTime invalid{41531.5, kDateTimeInvalid};
    const COleDateTime odd{41531.5, 7};
    const COleDateTime null{41531.5, kDateTimeNull};
    const COleDateTime nullOutOfRange{1e300, kDateTimeNull};
    const COleDateTime outOfRange{1e300, kDateTimeValid};
    const COleDateTime valid{41531.5, kDateTimeValid};
    EXPECT_EQ(FormatDateTime(&invalid, "%d.%m.%Y"), "Invalid DateTime");
    EXPECT_EQ(FormatDateTime(&odd, "%d.%m.%Y"), "Invalid DateTime");
    EXPECT_EQ(FormatDateTime(&null, "%d.%m.%Y"), "");
    EXPECT_EQ(FormatDateTime(&nullOutOfRange, "%d.%m.%Y"), "");
    EXPECT_EQ(FormatDateTime(&outOfRange, "%d.%m.%Y"), "Invalid DateTime");
    EXPECT_EQ(FormatDateTime(nullptr, "%d.%m.%Y"), "");
    EXPECT_EQ(FormatDateTime(&valid, "%Y-%m-%d %H%M"), "2013-09-14 1200");
}

// Reports how many values the run compared, whatever filter or order it used.
class CountReport : public ::testing::Environment {
public:
    void TearDown() override { std::printf("%zu date values compared\n", gCompared); }
};

const auto* const gCountReport = ::testing::AddGlobalTestEnvironment(new CountReport);

}  // namespace
}  // namespace tavik
