// Automation date to calendar fields, rounding exactly as the Windows automation
// library does so that both builds print the same times.
#include <cmath>

#include "platform/own_date_conversion.h"

namespace tavik {
namespace {

// Limits of the automation date type: 1 Jan 100 and the end of 31 Dec 9999.
constexpr double kDateMin = -657435.0;
constexpr double kDateMax = 2958466.0;

// Day 0 of the automation calendar (30 Dec 1899) counted from 1 Mar 0000.
constexpr long kEraOffset = 693899;

// Proleptic Gregorian date of a day number, eras of 400 years starting on 1 March.
void CivilFromDays(long days, CalendarTime& out) {
    const long z = days + kEraOffset;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long dayOfEra = z - era * 146097;
    const long yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long monthIndex = (5 * dayOfYear + 2) / 153;  // 0 is March
    out.day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    out.month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    out.year = static_cast<int>(yearOfEra + era * 400 + (out.month <= 2 ? 1 : 0));
}

}  // namespace

bool OwnConvertAutomationDate(double value, CalendarTime& out) {
    // Written so that NaN fails too.
    if (!(value > kDateMin && value < kDateMax)) {
        return false;
    }
    const double dayPart = std::trunc(value);
    long days = static_cast<long>(dayPart);

    // The small addend makes up for binary fractions lying just below the intended time.
    double t = std::fabs(value - dayPart) + 1e-11;
    if (t >= 1.0) {
        t -= 1e-11;
    }
    t *= 24.0;
    int hour = static_cast<int>(t);
    t -= hour;
    t *= 60.0;
    int minute = static_cast<int>(t);
    t -= minute;
    t *= 60.0;
    int second = static_cast<int>(t);
    t -= second;

    if (t > 0.5 && ++second == 60) {
        second = 0;
        if (++minute == 60) {
            minute = 0;
            if (++hour == 24) {
                hour = 0;
                ++days;
            }
        }
    }

    CivilFromDays(days, out);
    out.hour = hour;
    out.minute = minute;
    out.second = second;
    return true;
}

}  // namespace tavik
