// Points, multipliers and the result report.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plugin/qso_list.h"

namespace tavik {

struct ReportInput {
    const std::string& periodStart;
    const std::string& periodEnd;
    const std::string& ownCall;
    int32_t ownStationIsCis;
};

// Bands in report order: descending by the text left-padded with '0' to 20
// characters, so "160M" comes before "80M".
std::vector<std::string> SortBandsForReport(const std::vector<std::string>& bands);

// Sorts the band list in place, takes each band's figures from the list and
// writes the whole report into report. Returns the score (points x multipliers).
int64_t BuildResultReport(const QsoList& qsoList, BandList& bandList, const ReportInput& input,
                          std::string& report);

}  // namespace tavik
