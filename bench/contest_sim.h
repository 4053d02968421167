// A simulated CIS DX PSK contest of known truth: the stations, the QSOs they really
// made, and the logs they sent with faults of known kind, to measure a log checker by.
// Deterministic for a seed: own RNG, no std distributions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tavik::bench {

// splitmix64: tiny, fast and identical everywhere.
class SimRng {
public:
    explicit SimRng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // 0 <= result < bound
    std::uint32_t Below(std::uint32_t bound) {
        return static_cast<std::uint32_t>((Next() >> 32) * bound >> 32);
    }
    // 0 <= result < 1
    double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    bool Chance(double p) { return Unit() < p; }

private:
    std::uint64_t state_;
};

// Fault rates: per QSO side unless said otherwise.
struct SimRates {
    double notLogged = 0.015;     // one side did not log the QSO
    double bustedCall = 0.01;     // the partner's call logged wrong
    double realCallBust = 0.3;    // share of busted calls that give another real call
    double bothBust = 0.1;        // share of busted calls where the partner busts ours too
    double bustedNumber = 0.01;   // the received control number logged wrong
    double repeat = 0.005;        // the QSO logged again a few minutes later
    double clockOff = 0.05;       // per station: clock 1 to 90 minutes off all contest
    double noLog = 0.10;          // per station: sends no log
};

struct SimOptions {
    std::size_t logs = 6000;
    std::uint64_t seed = 1;
    std::string scp = "/usr/share/hamradio-files/MASTER.SCP";
    int year = 2025;
    double linesPerLog = 250;     // QSO lines of all logs over the number of logs
    double cisShare = 0.2;        // share of the stations in the CIS
    SimRates rates;
};

struct Station {
    std::string call;
    bool cis = false;
    bool submits = true;
    bool serial = false;          // sends its QSO count, else fixedNumber
    std::string fixedNumber;
    int clockMinutes = 0;         // its clock minus true time
    double weight = 1;            // activity
};

enum class Truth { kOk, kNil, kBustedCall, kBustedExchange, kDupe };
// "ok", "nil", "busted-call", "busted-exchange", "dupe".
const char* TruthName(Truth truth);

// One line of a station's log, with what it truly is.
struct SimLine {
    int minute = 0;               // by the station's clock, since the contest start
    std::uint32_t order = 0;      // ties of minute kept in the order drawn
    std::uint32_t khz = 0;
    std::uint8_t band = 0;        // index into the band table
    std::string call;             // as logged
    std::string sent;
    std::string received;         // as logged
    Truth truth = Truth::kOk;
    std::string detail;           // the right call or number
    bool visible = false;
};

struct SimContest {
    std::vector<Station> stations;
    std::vector<std::vector<SimLine>> lines;  // per station, in log order
    std::int64_t startMinute = 0;             // contest start, minutes since 1970-01-01
};

// The fault counts of a contest, for the summary.
struct SimCounts {
    std::size_t lines = 0, qsos = 0, nil = 0, bustedCall = 0, bustedExchange = 0, dupe = 0;
    std::size_t visible = 0;
};

// Plain calls of a MASTER.SCP file; empty when it cannot be read.
std::vector<std::string> ReadScpCalls(const std::string& path);
// Whether a call's prefix is one of the CIS.
bool IsCisCall(const std::string& call);
// The regional control number a CIS call sends.
std::string CisNumber(const std::string& call, SimRng& rng);
// A call with one character replaced, added, dropped or two swapped.
std::string MutateCall(const std::string& call, SimRng& rng);

SimContest SimulateContest(const SimOptions& options, const std::vector<std::string>& calls);
SimCounts CountLines(const SimContest& contest);

// DIR/logs/<CALL>.log for each station that sends a log, and DIR/truth.tsv; false
// with a message on a write failure.
bool WriteContest(const SimContest& contest, const std::string& dir, std::string& error);

// The bands: Cabrillo kHz range and name.
struct SimBand {
    const char* name;
    std::uint32_t lowKhz, highKhz;
};
extern const SimBand kSimBands[5];

}  // namespace tavik::bench
