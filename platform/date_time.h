// Automation date-time to text, the way the host's framework formats it.
#pragma once

#include <string>

#include "base/date_time_record.h"

namespace tavik {

// Calendar fields of an automation date, after rounding to whole seconds.
struct CalendarTime {
    int year = 0;
    int month = 0;   // 1..12
    int day = 0;     // 1..31
    int hour = 0;    // 0..23
    int minute = 0;  // 0..59
    int second = 0;  // 0..59
};

// Converts days since 30 Dec 1899 into calendar fields. For a negative value the
// fraction still counts forward from midnight of its day (-1.25 is 29 Dec 1899 06:00).
// False for NaN, infinities and days outside the years 100 to 9999; rounding the last
// second of 9999 up may still give the year 10000, as the system's conversion does.
bool ConvertAutomationDate(double value, CalendarTime& out);

constexpr const char* kInvalidDateTime = "Invalid DateTime";

// Formats calendar fields with the patterns FormatDateTime takes; pattern must not be
// null. A year outside 100 to 9999 gives "Invalid DateTime".
std::string FormatCalendarTime(const CalendarTime& time, const char* pattern);

// Formats with a strftime pattern (%d %m %Y %H %M %S %y %%): "Invalid DateTime" for an
// invalid record or one that cannot be converted, "" for a null record or null pointer.
std::string FormatDateTime(const COleDateTime* date, const char* pattern);

}  // namespace tavik
