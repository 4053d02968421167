// Turns one ADIF record into the texts and numbers that AddData0 takes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "host/input/adif_reader.h"
#include "host/input/ascii_text.h"
#include "host/input/source_file.h"

namespace tavik::host {

struct Qso {
    std::string call;          // upper case
    std::string stationCall;   // own call of the record, upper case; may be empty
    double time = 0;           // automation date: days since 1899-12-30
    std::uint32_t frequencyHz = 0;
    std::string mode;
    std::string rstSent;
    std::string rstReceived;
    std::string exchangeSent;
    std::string exchangeReceived;
    std::string band;

    bool operator==(const Qso&) const = default;
};

// A QSO as the plugin takes it: NUL-terminated texts owned elsewhere.
struct QsoView {
    const char* call;
    const char* stationCall;
    double time;
    std::uint32_t frequencyHz;
    const char* mode;
    const char* rstSent;
    const char* rstReceived;
    const char* exchangeSent;
    const char* exchangeReceived;
    const char* band;
};

inline QsoView ViewOf(const Qso& qso) {
    return {qso.call.c_str(),         qso.stationCall.c_str(), qso.time,
            qso.frequencyHz,          qso.mode.c_str(),        qso.rstSent.c_str(),
            qso.rstReceived.c_str(),  qso.exchangeSent.c_str(), qso.exchangeReceived.c_str(),
            qso.band.c_str()};
}

// Fills qso from record. A record the plugin cannot take (no CALL, QSO_DATE or
// TIME_ON, malformed date or time, a NUL byte, a BAND that is no ADIF band name and
// no band from FREQ) is warned about and false returned; repairs (decimal comma,
// exchange text around the control number, the band from FREQ) are warned about.
bool MapQso(const SourceFile& source, const AdifRecord& record, Qso& qso,
            Diagnostics& diagnostics);

// The contest's mode name from ADIF MODE and SUBMODE.
std::string ModeName(std::string_view mode, std::string_view submode);
void AssignModeName(std::string& to, std::string_view mode, std::string_view submode);

// The ADIF name, upper case, of a band name in any case with blanks around; "" for
// anything else.
std::string_view AdifBandName(std::string_view text);

// ADIF band name, upper case ("20M"), of a frequency in MHz; "" outside every band.
std::string_view BandOfFrequency(double megahertz);

// Days since 1899-12-30 of a proleptic Gregorian date.
std::int64_t DaysSinceAutomationEpoch(int year, int month, int day);

// Date (YYYYMMDD) and time (HHMM or HHMMSS) as an automation date; nullopt if malformed.
std::optional<double> ParseAdifDateTime(std::string_view date, std::string_view time);

// QSOs before this day are no contest QSOs (and their dates print badly).
constexpr int kEarliestYear = 1930;
constexpr const char* kEarliestDate = "19300101";

// An automation date as a number that grows with time (they differ before 1899-12-30),
// for comparing dates.
double LinearTime(double automationDate);

// "YYYY-MM-DD HH:MM" of an automation date, the seconds cut off.
std::string FormatAutomationDate(double automationDate);

// Frequency text in MHz; nullopt unless it is a plain non-negative decimal number.
std::optional<double> ParseMegahertz(std::string_view text);

// Hz rounded to the nearest unit; 0 when it does not fit 32 bits.
std::uint32_t MegahertzToHertz(double megahertz);

// The control number in an exchange text: the text itself when it is one, else the
// one four-digit number in it; nullopt when there is none or more than one.
std::optional<std::string_view> ControlNumberIn(std::string_view exchange);

// Takes exchange into to, cut to its control number when it holds one among other
// text, with a warning naming the field unless the text is an RST and the number.
void TakeExchange(std::string& to, std::string_view exchange, const char* fieldName,
                  const SourceFile& source, std::size_t offset, std::size_t record,
                  Diagnostics& diagnostics);

}  // namespace tavik::host
