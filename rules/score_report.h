// Points, multipliers and the result report.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rules/qso_list.h"

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

// Writes the whole report into report, the bands in report order (left in
// bandOrder, for the caller to keep the band list so), each band's figures taken
// from the list. Returns the score (points x multipliers).
int64_t BuildResultReport(const QsoList& qsoList, const BandList& bandList,
                          const ReportInput& input, std::string& report,
                          std::vector<std::string>& bandOrder);

}  // namespace tavik
