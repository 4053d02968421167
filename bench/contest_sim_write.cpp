// The simulated logs as Cabrillo 3.0 files, in the plugin's own QSO line layout, and
// the truth of every line beside them.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

#include "bench/contest_sim.h"

namespace tavik::bench {

namespace {

// Header lines before the first QSO: line numbers of the truth count from them.
constexpr int kHeaderLines = 9;

// "yyyy-mm-dd" of a day counted from 1970-01-01.
std::string DateOfDay(std::int64_t days) {
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", static_cast<int>(year),
                  static_cast<int>(month), static_cast<int>(day));
    return text;
}

// What the station claims: points 3 for a CIS call worked from outside, else 1, times
// the distinct numbers received per band; dupes left out.
long long ClaimedScore(const Station& station, const std::vector<SimLine>& lines) {
    long long points = 0;
    std::set<std::pair<int, std::string>> multipliers;
    for (const SimLine& line : lines) {
        if (line.truth == Truth::kDupe) continue;
        points += !station.cis && IsCisCall(line.call) ? 3 : 1;
        multipliers.emplace(line.band, line.received);
    }
    return points * static_cast<long long>(multipliers.size());
}

std::string LogText(const Station& station, const std::vector<SimLine>& lines,
                    std::int64_t startMinute) {
    std::string text = "START-OF-LOG: 3.0\r\nCALLSIGN: " + station.call +
                       "\r\nCONTEST: CIS-QPSK63-DX\r\nCATEGORY-OPERATOR: SINGLE-OP\r\n"
                       "CATEGORY-BAND: ALL\r\nCATEGORY-MODE: DIGI\r\nCATEGORY-POWER: " +
                       std::string(station.weight > 5 ? "HIGH" : "LOW") +
                       "\r\nCLAIMED-SCORE: " + std::to_string(ClaimedScore(station, lines)) +
                       "\r\nCREATED-BY: tavik-contest-sim\r\n";
    text.reserve(text.size() + lines.size() * 80);
    const std::string days[2] = {DateOfDay(startMinute / 1440), DateOfDay(startMinute / 1440 + 1)};
    char buffer[160];
    for (const SimLine& line : lines) {
        const std::int64_t minute = startMinute + line.minute;
        const int ofDay = static_cast<int>(minute % 1440);
        const std::string& date = days[minute / 1440 - startMinute / 1440];
        std::snprintf(buffer, sizeof buffer,
                      "QSO: %5u QM %s %02d%02d %-13s 599 %-6s %-13s 599 %s\r\n", line.khz,
                      date.c_str(), ofDay / 60, ofDay % 60, station.call.c_str(),
                      line.sent.c_str(), line.call.c_str(), line.received.c_str());
        text += buffer;
    }
    return text + "END-OF-LOG:\r\n";
}

bool WriteFile(const std::filesystem::path& path, const std::string& text, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    const bool ok = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (file && std::fclose(file) != 0) return (error = "cannot write " + path.string()), false;
    if (!ok) error = "cannot write " + path.string();
    return ok;
}

}  // namespace

bool WriteContest(const SimContest& contest, const std::string& dir, std::string& error) {
    const std::filesystem::path logs = std::filesystem::path(dir) / "logs";
    std::error_code code;
    // Logs of an earlier contest would be checked with this one's.
    if (std::filesystem::exists(logs, code) && !std::filesystem::is_empty(logs, code))
        return (error = logs.string() + " is not empty"), false;
    std::filesystem::create_directories(logs, code);
    if (code) return (error = "cannot make " + logs.string() + ": " + code.message()), false;
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < contest.stations.size(); ++i)
        if (contest.stations[i].submits) order.push_back(i);
    std::sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
        return contest.stations[x].call < contest.stations[y].call;
    });
    std::string truth = "log\tline\ttruth\tdetail\tvisible\n";
    for (std::size_t index : order) {
        const Station& station = contest.stations[index];
        const std::vector<SimLine>& lines = contest.lines[index];
        std::string name = station.call;
        std::replace(name.begin(), name.end(), '/', '_');
        if (!WriteFile(logs / (name + ".log"), LogText(station, lines, contest.startMinute), error))
            return false;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            truth += station.call + '\t' + std::to_string(kHeaderLines + 1 + i) + '\t' +
                     TruthName(lines[i].truth) + '\t' + lines[i].detail + '\t' +
                     (lines[i].visible ? "1\n" : "0\n");
        }
    }
    return WriteFile(std::filesystem::path(dir) / "truth.tsv", truth, error);
}

}  // namespace tavik::bench
