// Turns one ADIF record into the texts and numbers that AddData0 takes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "host/adif_reader.h"
#include "host/source_file.h"

namespace tavik::host {

struct Qso {
    std::string call;          // upper case
    std::string stationCall;   // STATION_CALLSIGN of the record, upper case; may be empty
    double time = 0;           // automation date: days since 1899-12-30
    std::uint32_t frequencyHz = 0;
    std::string mode;
    std::string rstSent;
    std::string rstReceived;
    std::string exchangeSent;
    std::string exchangeReceived;
    std::string band;
};

// Fills qso from record; throws InputError placed at the offending field when
// CALL, QSO_DATE or TIME_ON is missing or malformed, or FREQ is not a number.
void MapQso(const SourceFile& source, const AdifRecord& record, Qso& qso);

// The contest's mode name from ADIF MODE and SUBMODE.
std::string ModeName(std::string_view mode, std::string_view submode);

// ADIF band name, upper case ("20M"), of a frequency in MHz; "" outside every band.
std::string_view BandOfFrequency(double megahertz);

// Days since 1899-12-30 of a proleptic Gregorian date.
std::int64_t DaysSinceAutomationEpoch(int year, int month, int day);

// Date (YYYYMMDD) and time (HHMM or HHMMSS) as an automation date; nullopt if malformed.
std::optional<double> ParseAdifDateTime(std::string_view date, std::string_view time);

// An automation date as a number that grows with time (they differ before 1899-12-30),
// for comparing dates.
double LinearTime(double automationDate);

// Frequency text in MHz; nullopt unless it is a plain non-negative decimal number.
std::optional<double> ParseMegahertz(std::string_view text);

// Hz rounded to the nearest unit; 0 when it does not fit 32 bits.
std::uint32_t MegahertzToHertz(double megahertz);

std::string UpperAscii(std::string_view text);
std::string_view TrimBlanks(std::string_view text);

}  // namespace tavik::host
