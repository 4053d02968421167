// Deterministic contest logs for the benchmark: the same options always give the
// same QSOs, byte for byte, on every platform (own RNG, no std distributions).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tavik_bench {

struct Qso {
    std::string call;
    std::string band;
    std::string mode;
    std::string rstSent;
    std::string rstReceived;
    std::string exchangeSent;
    std::string exchangeReceived;
    std::string countryPrefix;
    uint32_t secondsFromStart = 0;  // since the contest start, 0..86399
    uint32_t frequencyHz = 0;
};

struct LogOptions {
    std::size_t count = 0;
    uint64_t seed = 0x7A51C0DEULL;
    // Adds a few QSOs with an empty call; off for ADIF, where a host would not log them.
    bool includeEmptyCalls = true;
    std::string callFile = "/usr/share/hamradio-files/MASTER.SCP";
};

struct LogStats {
    std::size_t refusedMode = 0;
    std::size_t refusedMissingReceived = 0;
    std::size_t refusedMissingSent = 0;
    std::size_t repeats = 0;     // same call and band as an earlier QSO
    std::size_t emptyCalls = 0;
};

struct GeneratedLog {
    std::vector<Qso> qsos;
    std::string callSource;  // the call file, or a note that calls are synthetic
    std::size_t baseCalls = 0;
    LogStats stats;
};

// The contest the logs belong to (all times are within its 24 hours).
struct ContestSetup {
    std::string ownCall = "N0CALL";
    std::string ownCountryPrefix = "DL";
    int startYear = 2024, startMonth = 2, startDay = 17, startHour = 12;
};

// The base calls: the call file's lines (comments and blanks skipped, sorted,
// duplicates dropped), or synthetic calls when the file cannot be read.
std::vector<std::string> LoadBaseCalls(const std::string& callFile, std::string& source);

GeneratedLog GenerateLog(const LogOptions& options);

// Days since 30 Dec 1899 for a UTC calendar time (the host's date-time value).
double AutomationDate(int year, int month, int day, int hour, int minute, int second);

// Calendar date of a day count relative to 1 Jan 1970.
void CivilFromDays(long long days, int& year, int& month, int& day);

double ContestStart(const ContestSetup& setup);
double QsoTime(const ContestSetup& setup, const Qso& qso);

// ADIF 3 text of the log; QSOs refused for a missing control number lack that field.
bool WriteAdif(const GeneratedLog& log, const ContestSetup& setup, const std::string& path);

}  // namespace tavik_bench
