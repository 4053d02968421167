#include "host/input/qso_mapping.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace tavik::host {

namespace {

struct BandEdge {
    double lowest;  // MHz, both edges inclusive
    double highest;
    std::string_view name;
};

// The ADIF band enumeration.
constexpr BandEdge kBands[] = {
    {0.1357, 0.1378, "2190M"},  {0.472, 0.479, "630M"},      {0.501, 0.504, "560M"},
    {1.8, 2.0, "160M"},         {3.5, 4.0, "80M"},           {5.06, 5.45, "60M"},
    {7.0, 7.3, "40M"},          {10.1, 10.15, "30M"},        {14.0, 14.35, "20M"},
    {18.068, 18.168, "17M"},    {21.0, 21.45, "15M"},        {24.890, 24.99, "12M"},
    {28.0, 29.7, "10M"},        {40.0, 45.0, "8M"},          {50.0, 54.0, "6M"},
    {54.000001, 69.9, "5M"},    {70.0, 71.0, "4M"},          {144.0, 148.0, "2M"},
    {222.0, 225.0, "1.25M"},    {420.0, 450.0, "70CM"},      {902.0, 928.0, "33CM"},
    {1240.0, 1300.0, "23CM"},   {2300.0, 2450.0, "13CM"},    {3300.0, 3500.0, "9CM"},
    {5650.0, 5925.0, "6CM"},    {10000.0, 10500.0, "3CM"},   {24000.0, 24250.0, "1.25CM"},
    {47000.0, 47200.0, "6MM"},  {75500.0, 81000.0, "4MM"},   {119980.0, 123000.0, "2.5MM"},
    {134000.0, 149000.0, "2MM"}, {241000.0, 250000.0, "1MM"}, {300000.0, 7500000.0, "SUBMM"},
};

bool AllDigits(std::string_view text) {
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return !text.empty();
}

int Number(std::string_view digits) {
    int value = 0;
    for (char c : digits) value = value * 10 + (c - '0');
    return value;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}


// "599 1234", as fldigi writes the exchange: an RST report, blanks, the number.
bool IsRstThenNumber(std::string_view exchange) {
    exchange = TrimBlanks(exchange);
    if (exchange.size() < 7 || !AllDigits(exchange.substr(exchange.size() - 4)) ||
        !IsBlank(exchange[exchange.size() - 5]))
        return false;
    const std::string_view rst = TrimBlanks(exchange.substr(0, exchange.size() - 4));
    return (rst.size() == 2 || rst.size() == 3) && rst[0] >= '1' && rst[0] <= '5' &&
           rst[1] >= '1' && rst[1] <= '9' && (rst.size() == 2 || (rst[2] >= '1' && rst[2] <= '9'));
}

}  // namespace

std::string_view AdifBandName(std::string_view text) {
    text = TrimBlanks(text);
    for (const BandEdge& band : kBands)
        if (MatchesUpper(text, band.name)) return band.name;
    return {};
}

std::string ModeName(std::string_view mode, std::string_view submode) {
    std::string name;
    AssignModeName(name, mode, submode);
    return name;
}

void AssignModeName(std::string& to, std::string_view mode, std::string_view submode) {
    mode = TrimBlanks(mode);
    submode = TrimBlanks(submode);
    AssignUpper(to, mode);
    // Before ADIF 3, QPSK63 was a mode of its own; now it is a submode of PSK.
    if (to == "QPSK63") return;
    if (to == "PSK") {
        AssignUpper(to, submode);
        if (to == "QPSK63" || submode.empty()) {
            if (submode.empty()) to = "PSK";
            return;
        }
        return;
    }
    if (!submode.empty()) AssignUpper(to, submode);
}

std::string_view BandOfFrequency(double megahertz) {
    for (const BandEdge& band : kBands)
        if (megahertz >= band.lowest && megahertz <= band.highest) return band.name;
    return {};
}

std::int64_t DaysSinceAutomationEpoch(int year, int month, int day) {
    // Days from civil, counted in 400-year eras starting in March.
    std::int64_t y = year - (month <= 2 ? 1 : 0);
    std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    std::int64_t yearOfEra = y - era * 400;
    std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    std::int64_t unixDays = era * 146097 + dayOfEra - 719468;
    return unixDays + 25569;  // 1970-01-01 is day 25569 of the automation calendar
}

std::optional<double> ParseAdifDateTime(std::string_view date, std::string_view time) {
    if (date.size() != 8 || !AllDigits(date)) return std::nullopt;
    if ((time.size() != 4 && time.size() != 6) || !AllDigits(time)) return std::nullopt;
    int year = Number(date.substr(0, 4));
    int month = Number(date.substr(4, 2));
    int day = Number(date.substr(6, 2));
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return std::nullopt;
    int hour = Number(time.substr(0, 2));
    int minute = Number(time.substr(2, 2));
    int second = time.size() == 6 ? Number(time.substr(4, 2)) : 0;
    if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
    double days = static_cast<double>(DaysSinceAutomationEpoch(year, month, day));
    double fraction = (hour * 3600 + minute * 60 + second) / 86400.0;
    // Before the epoch the whole days are negative but the time of day still counts
    // forward from midnight, so it is stored as a negative fraction too.
    return days < 0 ? days - fraction : days + fraction;
}

double LinearTime(double automationDate) {
    if (automationDate >= 0) return automationDate;
    double days = std::ceil(automationDate);
    return days + (days - automationDate);
}

std::optional<double> ParseMegahertz(std::string_view text) {
    text = TrimBlanks(text);
    // Digits with at most one point; strtod alone would also take "1e3", "inf" or "0x1".
    int points = 0;
    int digits = 0;
    for (char c : text) {
        if (c == '.') ++points;
        else if (c >= '0' && c <= '9') ++digits;
        else return std::nullopt;
    }
    if (digits == 0 || points > 1) return std::nullopt;
    if (digits <= 15) {
        // Few digits: an integer and a power of ten are exact doubles, so one division
        // rounds correctly, as from_chars would, at a fraction of its cost.
        static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        std::uint64_t mantissa = 0;
        int decimals = 0;
        bool afterPoint = false;
        for (char c : text) {
            if (c == '.') {
                afterPoint = true;
                continue;
            }
            mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
            decimals += afterPoint;
        }
        return static_cast<double>(mantissa) / kPowers[decimals];
    }
    double value = 0;
    if (text[0] == '.') {
        // from_chars wants a digit first.
        std::string withZero(1, '0');
        withZero.append(text);
        std::from_chars(withZero.data(), withZero.data() + withZero.size(), value);
    } else {
        std::from_chars(text.data(), text.data() + text.size(), value);
    }
    return value;
}

std::uint32_t MegahertzToHertz(double megahertz) {
    double hertz = std::round(megahertz * 1e6);
    if (!(hertz >= 0) || hertz > 4294967295.0) return 0;
    return static_cast<std::uint32_t>(hertz);
}

std::string FormatAutomationDate(double automationDate) {
    // Counted forward in time on both sides of the epoch. Rounded to the second, so
    // that a time a hair below its minute (from the parts of a date) stays in it,
    // then cut to the minute, as the plugin's Cabrillo line cuts it.
    const auto seconds =
        static_cast<std::int64_t>(std::floor(LinearTime(automationDate) * 86400.0 + 0.5));
    const std::int64_t minutes = seconds >= 0 ? seconds / 60 : -((-seconds + 59) / 60);
    std::int64_t days = minutes >= 0 ? minutes / 1440 : -((-minutes + 1439) / 1440);
    const std::int64_t minuteOfDay = minutes - days * 1440;
    // Civil from days (1970-01-01 is automation day 25569).
    std::int64_t z = days - 25569 + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    const std::int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    char text[96];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld",
                  static_cast<long long>(year), static_cast<long long>(month),
                  static_cast<long long>(day), static_cast<long long>(minuteOfDay / 60),
                  static_cast<long long>(minuteOfDay % 60));
    return text;
}

std::optional<std::string_view> ControlNumberIn(std::string_view exchange) {
    std::string_view trimmed = TrimBlanks(exchange);
    if (trimmed.size() == 4 && AllDigits(trimmed)) return exchange;
    std::optional<std::string_view> found;
    for (std::size_t i = 0; i < exchange.size();) {
        if (exchange[i] < '0' || exchange[i] > '9') {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < exchange.size() && exchange[end] >= '0' && exchange[end] <= '9') ++end;
        if (end - i == 4) {
            if (found) return std::nullopt;
            found = exchange.substr(i, 4);
        }
        i = end;
    }
    return found;
}

void TakeExchange(std::string& to, std::string_view exchange, const char* fieldName,
                  const SourceFile& source, std::size_t offset, std::size_t record,
                  Diagnostics& diagnostics) {
    std::optional<std::string_view> number = ControlNumberIn(exchange);
    if (number && (number->data() != exchange.data() || number->size() != exchange.size())) {
        // The RST before the number is a known layout, no problem to tell.
        if (!IsRstThenNumber(exchange))
            diagnostics.Warn(source, offset, record,
                             std::string(fieldName) + " '" + Printable(exchange) +
                                 "' holds more than the control number; " +
                                 std::string(*number) + " taken");
        exchange = *number;
    }
    Assign(to, exchange);
}

}  // namespace tavik::host
