#include "rules/score_report.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string_view>

#include "base/text_format.h"

namespace tavik {
namespace {

constexpr size_t kBandKeyWidth = 20;

std::string BandSortKey(const std::string& band) {
    if (band.size() >= kBandKeyWidth) return band;
    return std::string(kBandKeyWidth - band.size(), '0') + band;
}

}  // namespace

std::vector<std::string> SortBandsForReport(const std::vector<std::string>& bands) {
    std::vector<std::string> keys;
    keys.reserve(bands.size());
    for (const std::string& band : bands) keys.push_back(BandSortKey(band));
    std::vector<size_t> order(bands.size());
    std::iota(order.begin(), order.end(), size_t{0});
    // Byte order (strcmp compares unsigned bytes), highest first.
    std::stable_sort(order.begin(), order.end(), [&keys](size_t a, size_t b) {
        return std::strcmp(keys[a].c_str(), keys[b].c_str()) > 0;
    });
    std::vector<std::string> sorted;
    sorted.reserve(bands.size());
    for (size_t index : order) sorted.push_back(bands[index]);
    return sorted;
}

int64_t BuildResultReport(const QsoList& qsoList, const BandList& bandList,
                          const ReportInput& input, std::string& report,
                          std::vector<std::string>& bandOrder) {
    report.clear();
    AppendFormat(report, " CIS DX PSK %s-%s \r\n     Contestant: %s\r\nBand\tQSOs\tPoints\tDXDA\r\n",
                 input.periodStart.c_str(), input.periodEnd.c_str(), input.ownCall.c_str());

    bandOrder = SortBandsForReport(bandList.Bands());
    const std::vector<std::string>& bands = bandOrder;

    int64_t totalQsos = 0;
    int64_t totalPoints = 0;
    int64_t totalMultipliers = 0;
    for (const std::string& band : bands) {
        // The list keeps each band's figures as QSOs come and go; no walk over it here.
        int32_t qsos = 0;
        int32_t points = 0;
        int32_t multipliers = 0;
        if (const BandFigures* figures = qsoList.FiguresOf(band)) {
            qsos = static_cast<int32_t>(figures->qsos);
            points = static_cast<int32_t>(
                input.ownStationIsCis ? figures->qsos
                                      : 3 * figures->cisQsos + (figures->qsos - figures->cisQsos));
            multipliers = static_cast<int32_t>(figures->multipliers.size());
        }
        AppendFormat(report, "%s\t %i\t %i\t %i\r\n", band.c_str(), qsos, points, multipliers);
        totalQsos += qsos;
        totalPoints += points;
        totalMultipliers += multipliers;
    }
    const int64_t score = totalPoints * totalMultipliers;
    AppendFormat(report, "Total\t %lld\t %lld\t %lld\r\nScore = %lld * %lld = %lld \r\n",
                 static_cast<long long>(totalQsos), static_cast<long long>(totalPoints),
                 static_cast<long long>(totalMultipliers), static_cast<long long>(totalPoints),
                 static_cast<long long>(totalMultipliers), static_cast<long long>(score));
    return score;
}

}  // namespace tavik
