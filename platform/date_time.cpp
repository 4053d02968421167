// Date-time text for reports and file names, the same on every platform.
#include "platform/date_time.h"

namespace tavik {
namespace {

// Appends value in decimal, padded with zeros to at least width digits. Every
// calendar field is non-negative.
void AppendNumber(std::string& out, int value, int width) {
    char digits[16];
    int count = 0;
    unsigned rest = static_cast<unsigned>(value);
    do {
        digits[count++] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    for (int i = count; i < width; ++i) {
        out += '0';
    }
    while (count > 0) {
        out += digits[--count];
    }
}

}  // namespace

std::string FormatCalendarTime(const CalendarTime& time, const char* pattern) {
    // Rounding to the second can carry the last moment of 9999 into a year no
    // date-time may hold; it must not print as a five-digit year.
    if (time.year < 100 || time.year > 9999) {
        return kInvalidDateTime;
    }
    std::string out;
    for (const char* p = pattern; *p != '\0'; ++p) {
        if (*p != '%' || p[1] == '\0') {
            out += *p;
            continue;
        }
        switch (*++p) {
            case 'd': AppendNumber(out, time.day, 2); break;
            case 'm': AppendNumber(out, time.month, 2); break;
            case 'Y': AppendNumber(out, time.year, 4); break;
            case 'y': AppendNumber(out, time.year % 100, 2); break;
            case 'H': AppendNumber(out, time.hour, 2); break;
            case 'M': AppendNumber(out, time.minute, 2); break;
            case 'S': AppendNumber(out, time.second, 2); break;
            case '%': out += '%'; break;
            default:
                // Conversions the plugin never asks for stay visible rather than vanish.
                out += '%';
                out += *p;
                break;
        }
    }
    return out;
}

std::string FormatDateTime(const COleDateTime* date, const char* pattern) {
    if (date == nullptr || pattern == nullptr || date->status == kDateTimeNull) {
        return std::string();
    }
    CalendarTime time;
    if (date->status != kDateTimeValid || !ConvertAutomationDate(date->value, time)) {
        return kInvalidDateTime;
    }
    return FormatCalendarTime(time, pattern);
}

}  // namespace tavik
