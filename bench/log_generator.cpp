#include "bench/log_generator.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace tavik_bench {
namespace {

// splitmix64: tiny, fast and identical everywhere, unlike std distributions.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform in [0, n).
    uint64_t Below(uint64_t n) {
        return static_cast<uint64_t>((static_cast<unsigned __int128>(Next()) * n) >> 64);
    }

private:
    uint64_t state_;
};

uint64_t Fnv1a(const std::string& text) {
    uint64_t h = 0xCBF29CE484222325ULL;
    for (unsigned char c : text) {
        h ^= c;
        h *= 0x100000001B3ULL;
    }
    return h;
}

struct BandPlan {
    const char* name;
    uint32_t baseHz;
};
constexpr BandPlan kBands[] = {{"160M", 1838000}, {"80M", 3580000},  {"40M", 7040000},
                               {"20M", 14070000}, {"15M", 21070000}, {"10M", 28120000}};
constexpr std::size_t kBandCount = sizeof(kBands) / sizeof(kBands[0]);

// Stations from these areas mostly log a CIS prefix; the few near misses
// (UA0, ua, R, ...) are real-looking prefixes outside the CIS set.
const char* const kCisSide[] = {
    "UA", "UA9", "UA2", "EM", "EN", "EO", "U5", "UR", "US", "UT", "UU", "UV",  "UW", "UX",
    "UY", "UZ",  "UJ",  "UK", "UL", "UM", "UN", "UO", "UP", "UQ", "GM", "4J",  "4K", "4L",
    "EK", "ER",  "EU",  "EV", "EW", "EX", "EY", "EZ", "UA0", "UA3", "R", "RA", "EA", "ua"};
const char* const kOtherSide[] = {"DL", "K",  "W",  "JA", "G",  "F",  "I",  "SP",
                                  "OK", "HA", "VE", "PA", "ON", "YO", "LZ", "UA1X"};

// A few hundred distinct 4-digit numbers, some with leading zeros.
std::string ControlNumber(std::size_t index) {
    char text[8];
    std::snprintf(text, sizeof text, "%04u", static_cast<unsigned>((index * 24 + 7) % 10000));
    return text;
}
constexpr std::size_t kControlNumbers = 400;

std::string CountryPrefixFor(const std::string& baseCall) {
    const uint64_t h = Fnv1a(baseCall) >> 7;
    const bool cisSide = !baseCall.empty() &&
                         (baseCall[0] == 'U' || baseCall[0] == 'R' || baseCall[0] == 'E' ||
                          baseCall.rfind("4L", 0) == 0);
    if (cisSide) return kCisSide[h % (sizeof kCisSide / sizeof kCisSide[0])];
    return kOtherSide[h % (sizeof kOtherSide / sizeof kOtherSide[0])];
}

// Variant 0 is the call itself; later ones are portable, mobile, QRP or area variants.
std::string CallVariant(const std::string& base, std::size_t variant) {
    static const char* const kSuffixes[] = {"", "/P", "/M", "/QRP"};
    if (variant < 4) return base + kSuffixes[variant];
    return base + "/" + std::to_string(variant - 3);
}

std::vector<std::string> SyntheticCalls() {
    static const char* const kPrefixes[] = {"K",  "W",  "N",  "DL", "JA", "UA", "UR",
                                            "RA", "EA", "4L", "G",  "F",  "I",  "SP",
                                            "OK", "VE", "ON", "PA", "EU", "EW"};
    const std::size_t prefixes = sizeof kPrefixes / sizeof kPrefixes[0];
    std::vector<std::string> calls;
    for (std::size_t k = 0; k < 60000; ++k) {
        std::size_t rest = k / (prefixes * 10);
        std::string suffix;
        suffix += static_cast<char>('A' + rest % 26);
        suffix += static_cast<char>('A' + (rest / 26) % 26);
        if (rest >= 676) suffix += static_cast<char>('A' + (rest / 676) % 26);
        calls.push_back(std::string(kPrefixes[k % prefixes]) +
                        static_cast<char>('0' + (k / prefixes) % 10) + suffix);
    }
    return calls;
}

// Proleptic Gregorian day count relative to 1 Jan 1970.
long long DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void AdifField(std::string& out, const char* name, const std::string& value) {
    out += '<';
    out += name;
    out += ':';
    out += std::to_string(value.size());
    out += '>';
    out += value;
    out += ' ';
}

}  // namespace

void CivilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

std::vector<std::string> LoadBaseCalls(const std::string& callFile, std::string& source) {
    std::vector<std::string> calls;
    std::ifstream in(callFile);
    std::string line;
    while (in && std::getline(in, line)) {
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') continue;
        const auto last = line.find_last_not_of(" \t\r");
        calls.push_back(line.substr(first, last - first + 1));
    }
    if (calls.size() < 1000) {
        source = "synthetic calls (" + callFile + " missing or too short)";
        calls = SyntheticCalls();
    } else {
        source = callFile;
    }
    std::sort(calls.begin(), calls.end());
    calls.erase(std::unique(calls.begin(), calls.end()), calls.end());
    return calls;
}

GeneratedLog GenerateLog(const LogOptions& options) {
    GeneratedLog log;
    const std::vector<std::string> calls = LoadBaseCalls(options.callFile, log.callSource);
    log.baseCalls = calls.size();

    // Fresh QSOs walk a shuffled list of every (call, band) pair, so they never
    // repeat by chance; past its end the same walk continues with call variants.
    const std::size_t tier = calls.size() * kBandCount;
    std::vector<uint32_t> order(tier);
    for (std::size_t i = 0; i < tier; ++i) order[i] = static_cast<uint32_t>(i);
    Rng shuffle(options.seed ^ 0x5EEDF00DULL);
    for (std::size_t i = tier - 1; i > 0; --i) std::swap(order[i], order[shuffle.Below(i + 1)]);

    Rng rng(options.seed);
    const std::size_t n = options.count;
    const uint32_t spacing = n ? static_cast<uint32_t>(86400 / n) : 0;
    std::size_t fresh = 0;
    log.qsos.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        Qso q;
        std::string baseCall;
        if (options.includeEmptyCalls && i % 4999 == 1234) {
            q.band = kBands[rng.Below(kBandCount)].name;
            q.exchangeReceived = "0000";  // outside the usual numbers: only this QSO has it
            ++log.stats.emptyCalls;
        } else if (i > 0 && rng.Below(10000) < 300) {
            const Qso& earlier = log.qsos[rng.Below(i)];
            q.call = earlier.call;
            q.band = earlier.band;
            q.countryPrefix = earlier.countryPrefix;
            q.exchangeReceived = earlier.exchangeReceived;
            ++log.stats.repeats;
        } else {
            const uint32_t pair = order[fresh % tier];
            const std::size_t variant = fresh / tier;
            ++fresh;
            baseCall = calls[pair / kBandCount];
            q.call = CallVariant(baseCall, variant);
            q.band = kBands[pair % kBandCount].name;
            q.countryPrefix = CountryPrefixFor(baseCall);
            q.exchangeReceived = ControlNumber(Fnv1a(baseCall) % kControlNumbers);
        }
        for (const BandPlan& plan : kBands)
            if (q.band == plan.name) q.frequencyHz = plan.baseHz + static_cast<uint32_t>(rng.Below(3000));
        q.rstSent = "599";
        q.rstReceived = rng.Below(10) == 0 ? "579" : "599";
        q.exchangeSent = ControlNumber(i % kControlNumbers);
        q.mode = "QPSK63";
        const uint64_t refusal = rng.Below(10000);
        if (refusal < 120) {
            q.mode = "BPSK31";
            ++log.stats.refusedMode;
        } else if (refusal < 170) {
            q.exchangeReceived.clear();
            ++log.stats.refusedMissingReceived;
        } else if (refusal < 200) {
            q.exchangeSent.clear();
            ++log.stats.refusedMissingSent;
        }
        uint64_t seconds = static_cast<uint64_t>(i) * 86400 / n + rng.Below(spacing + 1);
        q.secondsFromStart = static_cast<uint32_t>(std::min<uint64_t>(seconds, 86399));
        log.qsos.push_back(std::move(q));
    }
    return log;
}

double AutomationDate(int year, int month, int day, int hour, int minute, int second) {
    // 30 Dec 1899 is day 0; 1 Jan 1970 is day 25569.
    return static_cast<double>(DaysFromCivil(year, month, day) + 25569) +
           (hour * 3600 + minute * 60 + second) / 86400.0;
}

double ContestStart(const ContestSetup& setup) {
    return AutomationDate(setup.startYear, setup.startMonth, setup.startDay, setup.startHour, 0, 0);
}

double QsoTime(const ContestSetup& setup, const Qso& qso) {
    const long long startSeconds =
        (DaysFromCivil(setup.startYear, setup.startMonth, setup.startDay) + 25569) * 86400LL +
        setup.startHour * 3600LL;
    const long long total = startSeconds + qso.secondsFromStart;
    return static_cast<double>(total / 86400) + static_cast<double>(total % 86400) / 86400.0;
}

bool WriteAdif(const GeneratedLog& log, const ContestSetup& setup, const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    std::string out = "Contest log generated by tavik-bench\n";
    AdifField(out, "ADIF_VER", "3.1.4");
    AdifField(out, "PROGRAMID", "tavik-bench");
    AdifField(out, "STATION_CALLSIGN", setup.ownCall);
    out += "<EOH>\n";
    const long long startSeconds =
        (DaysFromCivil(setup.startYear, setup.startMonth, setup.startDay)) * 86400LL +
        setup.startHour * 3600LL;
    for (const Qso& q : log.qsos) {
        const long long at = startSeconds + q.secondsFromStart;
        int y, m, d;
        CivilFromDays(at / 86400, y, m, d);
        const long long s = at % 86400;
        char date[16], time[16], freq[24];
        std::snprintf(date, sizeof date, "%04d%02d%02d", y, m, d);
        std::snprintf(time, sizeof time, "%02lld%02lld%02lld", s / 3600, s / 60 % 60, s % 60);
        std::snprintf(freq, sizeof freq, "%u.%06u", q.frequencyHz / 1000000, q.frequencyHz % 1000000);
        AdifField(out, "CALL", q.call);
        AdifField(out, "QSO_DATE", date);
        AdifField(out, "TIME_ON", time);
        AdifField(out, "FREQ", freq);
        AdifField(out, "BAND", q.band);
        AdifField(out, "MODE", "PSK");
        AdifField(out, "SUBMODE", q.mode);
        AdifField(out, "RST_SENT", q.rstSent);
        AdifField(out, "RST_RCVD", q.rstReceived);
        if (!q.exchangeSent.empty()) AdifField(out, "STX_STRING", q.exchangeSent);
        if (!q.exchangeReceived.empty()) AdifField(out, "SRX_STRING", q.exchangeReceived);
        AdifField(out, "STATION_CALLSIGN", setup.ownCall);
        out += "<EOR>\n";
        if (out.size() > (1u << 20)) {
            std::fwrite(out.data(), 1, out.size(), file);
            out.clear();
        }
    }
    const bool ok = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    return std::fclose(file) == 0 && ok;
}

}  // namespace tavik_bench
