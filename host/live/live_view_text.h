// The texts and the layout of the live score window, apart from drawing them:
// nothing in here knows the terminal.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "host/live/live_snapshot.h"

namespace tavik::host {

constexpr int kMaxBarRows = 3;
constexpr int kChartTitleRows = 1;
constexpr int kPartialRows = 2;  // the call list's calls, the log's calls

// Texts from the log and the plugin are bytes in the host's code page, not in the
// terminal's: anything but printable ASCII shows as '?', so one byte is one cell.
std::string CellText(std::string_view text);
std::string Padded(std::string text, std::size_t width);

// The report as the plugin wrote it: CR LF (or LF) line ends, tabs to every eighth
// column, blank lines at the end left out.
std::vector<std::string> ReportLines(std::string_view report);

// "2:14" up to two days, then "3 days".
std::string Span(double days);
// The clock, and where it stands in the contest period when one is known.
std::string ClockLine(const LiveSnapshot& snapshot);
std::string RateLine(const LiveRates& rates);
std::string QsoLine(const LiveQso& qso);
// Words after a lead, as many as fit in width; " ..." tells that more were left out.
std::string Fitted(std::string line, const std::vector<std::string>& words, std::size_t width,
                   std::string_view separator = " ");

// Rows of each section. They are handed out in order of importance, so that a
// small terminal keeps the call check, the status and the score.
struct Layout {
    int clock = 0;
    int top = 0;  // the report, with the last QSOs beside it when wide enough
    bool qsosBeside = false;
    int qsoColumn = 0;
    int qsosBelow = 0;
    int rate = 0;
    int chart = 0;
    int multipliers = 0;
    int warnings = 0;
    int partials = 0;
    int call = 0;
    int status = 0;
};

Layout Plan(int height, int width, const std::vector<std::string>& report,
            const LiveSnapshot& snapshot);

}  // namespace tavik::host
