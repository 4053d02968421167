#include "host/live/live_view_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "host/input/qso_mapping.h"

namespace tavik::host {
namespace {

constexpr int kTabWidth = 8;
constexpr int kColumnGap = 2;
constexpr int kMinQsoPaneWidth = 30;

}  // namespace

std::string CellText(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c < 0x20 || c > 0x7E) c = '?';  // char may be signed: bytes >= 0x80 are < 0
    }
    return out;
}

std::string Padded(std::string text, std::size_t width) {
    if (text.size() < width) text.resize(width, ' ');
    return text;
}

std::vector<std::string> ReportLines(std::string_view report) {
    std::vector<std::string> lines(1);
    for (const char c : report) {
        if (c == '\n') {
            lines.emplace_back();
        } else if (c == '\t') {
            lines.back().resize((lines.back().size() / kTabWidth + 1) * kTabWidth, ' ');
        } else if (c != '\r') {
            lines.back() += CellText(std::string_view(&c, 1));
        }
    }
    while (!lines.empty() && lines.back().find_first_not_of(' ') == std::string::npos) {
        lines.pop_back();
    }
    return lines;
}

std::string Span(double days) {
    const auto minutes = static_cast<long long>(days * 1440.0);
    if (minutes >= 48 * 60) return std::to_string(minutes / 1440) + " days";
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", minutes / 60, minutes % 60);
    return text;
}

std::string ClockLine(const LiveSnapshot& snapshot) {
    std::string line = FormatAutomationDate(snapshot.now) + ":";
    // Seconds: the clock is drawn every second.
    // Rounded to the second, as the date is.
    const long long second = std::llround(LinearTime(snapshot.now) * 86400.0) % 60;
    char seconds[8];
    std::snprintf(seconds, sizeof seconds, "%02lld", second);
    line += seconds;
    line += " UTC";
    if (!snapshot.period) return line;
    const double now = LinearTime(snapshot.now);
    const double start = LinearTime(snapshot.period->first);
    const double end = LinearTime(snapshot.period->second);
    constexpr double kMinuteLess = 1.0 / 1440 - 1e-9;  // time left is rounded up
    if (now < start) return line + "   the contest starts in " + Span(start - now + kMinuteLess);
    if (now >= end) return line + "   the contest ended " + Span(now - end) + " ago";
    return line + "   contest " + Span(now - start) + " gone, " + Span(end - now + kMinuteLess) +
           " left";
}

std::string RateLine(const LiveRates& rates) {
    const auto perHour = [](std::size_t rate) { return rate ? std::to_string(rate) + "/h" : "-"; };
    return "Rate " + std::to_string(rates.last10Minutes * 6) + "/h last 10 min, " +
           std::to_string(rates.last60Minutes) + "/h last 60 min; last 10 QSOs " +
           perHour(rates.ofLast10Qsos) + ", last 100 " + perHour(rates.ofLast100Qsos);
}

std::string QsoLine(const LiveQso& qso) {
    // "YYYY-MM-DD HH:MM": the time is what follows the date.
    std::string line = FormatAutomationDate(qso.time).substr(11) + " " +
                       Padded(CellText(qso.band), 4) + " " + Padded(CellText(qso.call), 10) +
                       " ";
    switch (qso.outcome) {
    case LiveQso::Outcome::kCounted:
        line += std::to_string(qso.points) + (qso.points == 1 ? " pt" : " pts");
        if (qso.newMultiplier) line += ", new mult";
        break;
    case LiveQso::Outcome::kDuplicate: line += "dupe"; break;
    case LiveQso::Outcome::kRefused: line += "refused: " + CellText(qso.reason); break;
    }
    return line;
}

std::string Fitted(std::string line, const std::vector<std::string>& words, std::size_t width,
                   std::string_view separator) {
    constexpr std::string_view kMore = " ...";
    for (std::size_t i = 0; i < words.size(); ++i) {
        std::string word(i == 0 ? " " : separator);
        word += CellText(words[i]);
        const std::size_t reserve = i + 1 < words.size() ? kMore.size() : 0;
        if (line.size() + word.size() + reserve > width) {
            return line + std::string(kMore);
        }
        line += word;
    }
    return line;
}

Layout Plan(int height, int width, const std::vector<std::string>& report,
            const LiveSnapshot& snapshot) {
    int left = std::max(height, 0);
    const auto take = [&left](std::size_t wanted) {
        const int got = wanted < static_cast<std::size_t>(left) ? static_cast<int>(wanted) : left;
        left -= got;
        return got;
    };
    std::size_t reportWidth = 0;
    for (const std::string& line : report) reportWidth = std::max(reportWidth, line.size());

    Layout layout;
    layout.call = take(1);
    layout.status = take(1);
    layout.top = take(report.size());
    if (snapshot.now != 0) layout.clock = take(1);
    layout.partials = take(kPartialRows);
    layout.rate = take(1);
    layout.multipliers = take(snapshot.multipliersByBand.size());
    if (!snapshot.qsosPerHour.empty() && left >= kChartTitleRows + 2)
        layout.chart = take(kChartTitleRows + 1 + kMaxBarRows);
    layout.qsoColumn = reportWidth == 0 ? 0 : static_cast<int>(reportWidth) + kColumnGap;
    layout.qsosBeside = width >= layout.qsoColumn + kMinQsoPaneWidth;
    const std::size_t qsos = snapshot.lastQsos.size();
    if (layout.qsosBeside) {
        const auto top = static_cast<std::size_t>(layout.top);
        layout.top += take(qsos > top ? qsos - top : 0);
    } else {
        layout.qsosBelow = take(qsos);
    }
    layout.warnings = take(snapshot.warnings.size());
    return layout;
}

}  // namespace tavik::host
