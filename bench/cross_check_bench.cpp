// The cross-check engine on logs made up in memory: many logs of one contest,
// some clocks off by minutes or hours, some calls and numbers busted, some QSOs
// left out by one side. Prints the engine's time and QSOs a second.
//   tavik-cross-check-bench [--logs N] [--qsos N] [--jobs N]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "checker/engine/cross_check.h"

using namespace tavik::check;

namespace {

constexpr const char* kBands[] = {"10M", "15M", "20M", "40M", "80M", "160M"};
constexpr const char* kPrefixes[] = {"UA", "UR", "RA", "EW", "UT", "DL", "SP", "OK", "K",
                                     "W", "YO", "LZ", "HA", "ES", "R", "UN"};
constexpr std::int64_t kContestStart = 29000000;  // minutes since 1970, any day will do

struct Station {
    std::string call;
    std::string sent;
    std::int64_t offset = 0;
    int log = -1;  // index into the logs, -1 for a station that sent none
};

std::vector<Station> MakeStations(std::size_t count, std::mt19937_64& random) {
    std::unordered_set<std::string> taken;
    std::vector<Station> stations;
    while (stations.size() < count) {
        std::string call = kPrefixes[random() % std::size(kPrefixes)];
        call += static_cast<char>('0' + random() % 10);
        for (int i = 0, letters = 2 + static_cast<int>(random() % 2); i < letters; ++i)
            call += static_cast<char>('A' + random() % 26);
        if (!taken.insert(call).second) continue;
        Station station;
        station.call = call;
        station.sent = std::to_string(1000 + random() % 9000);
        stations.push_back(station);
    }
    return stations;
}

std::string Bust(std::string call, std::mt19937_64& random) {
    const std::size_t at = random() % call.size();
    call[at] = call[at] == 'Z' ? 'A' : static_cast<char>(call[at] + 1);
    return call;
}

void Log(EntrantLog& log, const Station& worked, const Station& self, const char* band,
         std::int64_t minute, std::mt19937_64& random) {
    LoggedQso qso;
    qso.band = band;
    qso.minute = minute + self.offset + static_cast<std::int64_t>(random() % 3) - 1;
    qso.call = random() % 1000 < 15 ? Bust(worked.call, random) : worked.call;
    qso.sent = self.sent;
    qso.received = random() % 1000 < 10 ? std::string("9999") : worked.sent;
    log.qsos.push_back(std::move(qso));
}

std::vector<EntrantLog> MakeLogs(std::size_t logCount, std::size_t qsosPerLog,
                                 std::mt19937_64& random) {
    std::vector<Station> stations = MakeStations(logCount + logCount / 2, random);
    std::vector<EntrantLog> logs(logCount);
    for (std::size_t l = 0; l < logCount; ++l) {
        stations[l].log = static_cast<int>(l);
        logs[l].call = stations[l].call;
        // Three clocks in a hundred off by 5 to 90 minutes either way.
        if (random() % 100 < 3)
            stations[l].offset =
                (random() % 2 ? 1 : -1) * static_cast<std::int64_t>(5 + random() % 86);
    }
    std::unordered_set<std::uint64_t> worked;
    const std::size_t events = logCount * qsosPerLog / 2;
    for (std::size_t e = 0; e < events; ++e) {
        const std::size_t a = random() % logCount;
        // One QSO in ten with a station that sends no log.
        const std::size_t b = random() % 10 == 0 ? logCount + random() % (logCount / 2)
                                                 : random() % logCount;
        const std::size_t band = random() % std::size(kBands);
        const std::uint64_t key = (std::min(a, b) * stations.size() + std::max(a, b)) * 8 + band;
        if (a == b || !worked.insert(key).second) continue;
        const std::int64_t minute = kContestStart + static_cast<std::int64_t>(random() % 1440);
        // One side in a hundred leaves the QSO out of its log.
        const bool aLogs = random() % 100 != 0;
        const bool bLogs = stations[b].log >= 0 && random() % 100 != 0;
        if (aLogs) Log(logs[a], stations[b], stations[a], kBands[band], minute, random);
        if (bLogs) Log(logs[b], stations[a], stations[b], kBands[band], minute, random);
    }
    for (std::size_t l = 0; l < logCount; ++l)
        for (std::size_t q = 0; q < logs[l].qsos.size(); ++q) logs[l].qsos[q].line = q + 1;
    return logs;
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t logCount = 6000;
    std::size_t qsosPerLog = 250;
    CheckSettings settings;
    settings.jobs = 2;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        const unsigned long long value = std::strtoull(argv[i + 1], nullptr, 10);
        if (arg == "--logs") logCount = value;
        else if (arg == "--qsos") qsosPerLog = value;
        else if (arg == "--jobs") settings.jobs = static_cast<unsigned>(value);
    }
    if (logCount < 2) logCount = 2;
    std::mt19937_64 random(20240101);
    const std::vector<EntrantLog> logs = MakeLogs(logCount, qsosPerLog, random);
    std::size_t qsos = 0;
    for (const EntrantLog& log : logs) qsos += log.qsos.size();

    const auto start = std::chrono::steady_clock::now();
    const CheckOutcome outcome = Check(logs, settings);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::map<std::string, std::size_t> verdicts;
    std::size_t corrected = 0;
    for (const LogOutcome& log : outcome.logs) {
        if (log.offsetMinutes != 0) ++corrected;
        for (const QsoOutcome& qso : log.qsos) ++verdicts[VerdictName(qso.verdict)];
    }
    std::printf("%zu logs, %zu QSOs, jobs %u: %.3f s, %.0f QSOs/s\n", logs.size(), qsos,
                settings.jobs, seconds, qsos / seconds);
    std::printf("clocks corrected: %zu\n", corrected);
    for (const auto& [name, count] : verdicts) std::printf("  %-16s %zu\n", name.c_str(), count);
    return 0;
}
