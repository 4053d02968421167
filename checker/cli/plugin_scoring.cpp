#include "checker/cli/plugin_scoring.h"

#include <cstdlib>
#include <fstream>

#include "host/input/ascii_text.h"

namespace tavik::check {

namespace {

// The numbers of "<label> a<sep>b<sep>c" at the start of line; false when they are not there.
bool Numbers(std::string_view text, std::int64_t* values, int count) {
    const char* at = text.data();
    const char* end = text.data() + text.size();
    for (int i = 0; i < count; ++i) {
        while (at < end && (*at < '0' || *at > '9') && *at != '-') ++at;
        if (at == end) return false;
        char* past = nullptr;
        values[i] = std::strtoll(at, &past, 10);
        at = past;
    }
    return true;
}

std::string_view LineFrom(std::string_view report, std::string_view start) {
    std::size_t at = report.find(start);
    if (at == report.npos) return {};
    ++at;  // past the line end before it
    const std::size_t end = report.find('\n', at);
    return report.substr(at, end == report.npos ? report.npos : end - at);
}

}  // namespace

PluginScore ParseScore(std::string_view report) {
    PluginScore score;
    std::int64_t total[3] = {};
    std::int64_t product[3] = {};
    if (!Numbers(LineFrom(report, "\nTotal\t"), total, 3) ||
        !Numbers(LineFrom(report, "\nScore = "), product, 3))
        return score;
    score.known = total[1] == product[0] && total[2] == product[1];
    score.points = product[0];
    score.multipliers = product[1];
    score.score = product[2];
    return score;
}

std::string RefusalReason(std::string_view line, const host::QsoView& qso) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    // The line ends "  CALL  RST  NUMBER" and the reason; the plugin's own reasons
    // hold none of that.
    const std::string tail = std::string("  ") + qso.call + "  " + qso.rstReceived + "  " +
                             qso.exchangeReceived;
    const std::size_t at = line.rfind(tail);
    if (at != line.npos) line.remove_prefix(at + tail.size());
    return std::string(host::TrimBlanks(line));
}

void LogScorer::Start(const EntrantFile& file) {
    session_.Start(file.call, file.ownPrefix, period_.start, period_.end, 0);
}

PluginScore LogScorer::ScoreAlone(const EntrantFile& file, EntrantLog& log) {
    Start(file);
    const host::RunCounts& counts = session_.Counts();
    for (std::size_t i = 0; i < log.qsos.size(); ++i) {
        const host::QsoView qso = file.store.Get(i);
        LoggedQso& logged = log.qsos[i];
        if (!contains_.Contains(qso.time)) {
            logged.alone = Verdict::kOutOfPeriod;
            continue;
        }
        const std::size_t dupes = counts.duplicates;
        if (!session_.Offer(qso, file.prefixes[i]))
            logged.alone = Verdict::kRefused;
        else if (counts.duplicates != dupes)
            logged.alone = Verdict::kDupe;
    }
    const char* report = session_.Result();
    if (counts.refused > 0) TakeReasons(file, log);
    return report ? ParseScore(report) : PluginScore();
}

// err.txt holds its header line, then one line per refusal in the order offered.
void LogScorer::TakeReasons(const EntrantFile& file, EntrantLog& log) {
    std::ifstream in(errorLog_, std::ios::binary);
    std::string line;
    std::getline(in, line);
    for (std::size_t i = 0; i < log.qsos.size(); ++i) {
        if (log.qsos[i].alone != Verdict::kRefused) continue;
        if (!std::getline(in, line)) break;
        log.qsos[i].aloneDetail = RefusalReason(line, file.store.Get(i));
    }
}

PluginScore LogScorer::ScoreChecked(const EntrantFile& file, const LogOutcome& outcome) {
    Start(file);
    for (std::size_t i = 0; i < outcome.qsos.size(); ++i)
        if (Counts(outcome.qsos[i].verdict)) session_.Offer(file.store.Get(i), file.prefixes[i]);
    const char* report = session_.Result();
    return report ? ParseScore(report) : PluginScore();
}

}  // namespace tavik::check
