#include "host/qso_mapping.h"

#include <charconv>
#include <cmath>

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

const AdifItem& Required(const SourceFile& source, const AdifRecord& record, AdifField field,
                         const char* name) {
    const AdifItem* item = record.Get(field);
    if (!item) throw source.ErrorAt(record.Offset(), std::string("QSO record without ") + name);
    return *item;
}

void Assign(std::string& to, std::string_view from) { to.assign(from.data(), from.size()); }

}  // namespace

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string_view TrimBlanks(std::string_view text) {
    const char* blanks = " \t\r\n";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::string ModeName(std::string_view mode, std::string_view submode) {
    std::string upperMode = UpperAscii(TrimBlanks(mode));
    std::string upperSubmode = UpperAscii(TrimBlanks(submode));
    // Before ADIF 3, QPSK63 was a mode of its own; now it is a submode of PSK.
    if ((upperMode == "PSK" && upperSubmode == "QPSK63") || upperMode == "QPSK63") return "QPSK63";
    return upperSubmode.empty() ? upperMode : upperSubmode;
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

void MapQso(const SourceFile& source, const AdifRecord& record, Qso& qso) {
    const AdifItem& call = Required(source, record, AdifField::Call, "CALL");
    std::string_view callText = TrimBlanks(call.data);
    if (callText.empty()) throw source.ErrorAt(call.offset, "CALL is blank");
    qso.call = UpperAscii(callText);
    qso.stationCall = UpperAscii(TrimBlanks(record.Data(AdifField::StationCallsign)));

    const AdifItem& date = Required(source, record, AdifField::QsoDate, "QSO_DATE");
    const AdifItem& time = Required(source, record, AdifField::TimeOn, "TIME_ON");
    std::optional<double> when = ParseAdifDateTime(TrimBlanks(date.data), TrimBlanks(time.data));
    if (!when) {
        if (!ParseAdifDateTime(TrimBlanks(date.data), "0000"))
            throw source.ErrorAt(date.offset, "QSO_DATE '" + Printable(date.data) +
                                                  "' is not a date YYYYMMDD");
        throw source.ErrorAt(time.offset, "TIME_ON '" + Printable(time.data) +
                                              "' is not a time HHMM or HHMMSS");
    }
    qso.time = *when;

    qso.frequencyHz = 0;
    std::optional<double> megahertz;
    if (const AdifItem* freq = record.Get(AdifField::Freq)) {
        megahertz = ParseMegahertz(freq->data);
        if (!megahertz)
            throw source.ErrorAt(freq->offset, "FREQ '" + Printable(freq->data) +
                                                   "' is not a frequency in MHz");
        qso.frequencyHz = MegahertzToHertz(*megahertz);
    }

    if (const AdifItem* band = record.Get(AdifField::Band))
        qso.band = UpperAscii(TrimBlanks(band->data));
    else if (megahertz)
        Assign(qso.band, BandOfFrequency(*megahertz));
    else
        qso.band.clear();

    qso.mode = ModeName(record.Data(AdifField::Mode), record.Data(AdifField::Submode));
    Assign(qso.rstSent, record.Data(AdifField::RstSent));
    Assign(qso.rstReceived, record.Data(AdifField::RstRcvd));
    const AdifItem* sent = record.Get(AdifField::StxString);
    if (!sent) sent = record.Get(AdifField::Stx);
    Assign(qso.exchangeSent, sent ? sent->data : std::string_view());
    const AdifItem* received = record.Get(AdifField::SrxString);
    if (!received) received = record.Get(AdifField::Srx);
    Assign(qso.exchangeReceived, received ? received->data : std::string_view());
}

}  // namespace tavik::host
