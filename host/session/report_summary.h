// The figures of the plugin's result report, and the run's summary as JSON.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavik::host {

struct BandFigures {
    std::string band;
    std::int64_t qsos = 0;
    std::int64_t points = 0;
    std::int64_t multipliers = 0;
};

struct ReportFigures {
    std::string call;  // the "Contestant:" line
    std::vector<BandFigures> bands;  // in the report's order
    BandFigures total;
    std::int64_t score = 0;
};

// Reads the figures back from the report text; nullopt when it is not laid out
// as the plugin lays it out.
std::optional<ReportFigures> ParseReport(std::string_view report);

struct RunFigures {
    std::string start;  // "YYYY-MM-DD HH:MM", UTC
    std::string end;
    std::size_t records = 0;
    std::size_t offered = 0;
    std::size_t accepted = 0;
    std::size_t duplicates = 0;
    std::size_t refused = 0;
    std::size_t skipped = 0;
    std::size_t warnings = 0;
};

// One JSON object, ending in a line feed.
std::string SummaryJson(const ReportFigures& report, const RunFigures& run);

}  // namespace tavik::host
