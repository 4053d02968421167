// tavik-contest-sim: a simulated contest of known truth, to measure a log checker by.
//
//   tavik-contest-sim --logs N --seed S --out DIR [--scp FILE] [--year Y]
//                     [--lines-per-log L] [--rates NAME=RATE,...]
//
// Writes DIR/logs/<CALL>.log (Cabrillo 3.0) and DIR/truth.tsv. Exit status 0, or 2
// on bad options or when the call list or the folder fails.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/contest_sim.h"

namespace tavik::bench {
namespace {

struct RateName {
    const char* name;
    double SimRates::*rate;
};
constexpr RateName kRateNames[] = {
    {"not-logged", &SimRates::notLogged},     {"busted-call", &SimRates::bustedCall},
    {"real-call-bust", &SimRates::realCallBust}, {"both-bust", &SimRates::bothBust},
    {"busted-number", &SimRates::bustedNumber}, {"repeat", &SimRates::repeat},
    {"clock-off", &SimRates::clockOff},       {"no-log", &SimRates::noLog},
};

bool Number(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && value >= 0;
}

// "name=rate,name=rate"; false on an unknown name or a rate outside 0 to 1.
bool ParseRates(const std::string& text, SimRates& rates) {
    for (std::size_t at = 0; at <= text.size();) {
        std::size_t comma = text.find(',', at);
        if (comma == std::string::npos) comma = text.size();
        const std::string item = text.substr(at, comma - at);
        const std::size_t equals = item.find('=');
        double value = 0;
        if (equals == std::string::npos || !Number(item.c_str() + equals + 1, value) || value > 1)
            return false;
        bool known = false;
        for (const RateName& rate : kRateNames) {
            if (item.compare(0, equals, rate.name) == 0 && std::strlen(rate.name) == equals) {
                rates.*rate.rate = value;
                known = true;
            }
        }
        if (!known) return false;
        at = comma + 1;
    }
    return true;
}

int Usage(const std::string& why) {
    std::fprintf(stderr, "tavik-contest-sim: %s\n", why.c_str());
    std::fputs("usage: tavik-contest-sim --logs N --seed S --out DIR [--scp FILE] [--year Y]\n"
               "         [--lines-per-log L] [--rates NAME=RATE,...]\n"
               "rates: not-logged, busted-call, real-call-bust, both-bust, busted-number,\n"
               "       repeat, clock-off, no-log\n",
               stderr);
    return 2;
}

// "" when the options are good, else what is wrong with them.
std::string ParseOptions(int argc, char** argv, SimOptions& options, std::string& out) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) return option + " wants a value";
        const char* value = argv[++i];
        double number = 0;
        if (option == "--out") {
            out = value;
        } else if (option == "--scp") {
            options.scp = value;
        } else if (option == "--rates") {
            if (!ParseRates(value, options.rates)) return "bad rates '" + std::string(value) + "'";
        } else if (!Number(value, number)) {
            return "bad " + option + " '" + value + "'";
        } else if (option == "--logs" && number >= 1) {
            options.logs = static_cast<std::size_t>(number);
        } else if (option == "--seed") {
            options.seed = static_cast<std::uint64_t>(number);
        } else if (option == "--year" && number >= 1930 && number <= 9999) {
            options.year = static_cast<int>(number);
        } else if (option == "--lines-per-log" && number > 0) {
            options.linesPerLog = number;
        } else {
            return "bad option " + option + " " + value;
        }
    }
    return out.empty() ? "no --out DIR" : "";
}

int Run(int argc, char** argv) {
    SimOptions options;
    std::string out;
    const std::string why = ParseOptions(argc, argv, options, out);
    if (!why.empty()) return Usage(why);
    const auto began = std::chrono::steady_clock::now();
    const std::vector<std::string> calls = ReadScpCalls(options.scp);
    if (calls.size() < 2) {
        std::fprintf(stderr, "tavik-contest-sim: no calls in %s\n", options.scp.c_str());
        return 2;
    }
    const SimContest contest = SimulateContest(options, calls);
    std::string error;
    if (!WriteContest(contest, out, error)) {
        std::fprintf(stderr, "tavik-contest-sim: %s\n", error.c_str());
        return 2;
    }
    const SimCounts counts = CountLines(contest);
    std::size_t logs = 0;
    for (const Station& station : contest.stations) logs += station.submits;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    std::printf("%zu stations, %zu logs, %zu QSO lines: %zu ok, %zu nil, %zu busted-call, "
                "%zu busted-exchange, %zu dupe; %zu faults visible; %.2f s\n",
                contest.stations.size(), logs, counts.lines, counts.qsos, counts.nil,
                counts.bustedCall, counts.bustedExchange, counts.dupe, counts.visible, seconds);
    return 0;
}

}  // namespace
}  // namespace tavik::bench

int main(int argc, char** argv) { return tavik::bench::Run(argc, argv); }
