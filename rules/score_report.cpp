#include "rules/score_report.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <numeric>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "plugin/text_format.h"
#include "rules/cis_prefix.h"

namespace tavik {
namespace {

constexpr size_t kBandKeyWidth = 20;

std::string BandSortKey(const std::string& band) {
    if (band.size() >= kBandKeyWidth) return band;
    return std::string(kBandKeyWidth - band.size(), '0') + band;
}

// Lets the set of keys be searched with a view, without building a text first.
struct KeyHash {
    using is_transparent = void;
    size_t operator()(std::string_view key) const { return std::hash<std::string_view>{}(key); }
};

struct BandTally {
    int32_t qsos = 0;
    int32_t cisPoints = 0;
    int32_t otherPoints = 0;
    int32_t multipliers = 0;
    // Copies: the visited record lives only for one visit.
    std::unordered_set<std::string, KeyHash, std::equal_to<>> multiplierKeys;
};

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

int64_t BuildResultReport(const QsoList& qsoList, BandList& bandList, const ReportInput& input,
                          std::string& report) {
    report.clear();
    AppendFormat(report, " CIS DX PSK %s-%s \r\n     Contestant: %s\r\nBand\tQSOs\tPoints\tDXDA\r\n",
                 input.periodStart.c_str(), input.periodEnd.c_str(), input.ownCall.c_str());

    bandList.Reorder(SortBandsForReport(bandList.Bands()));
    const std::vector<std::string>& bands = bandList.Bands();

    std::unordered_map<std::string_view, size_t> tallyIndex;
    tallyIndex.reserve(bands.size());
    for (size_t i = 0; i < bands.size(); ++i) tallyIndex.emplace(bands[i], i);
    std::vector<BandTally> tallies(bands.size());

    qsoList.ForEach([&](const CInfo& qso) {
        if (qso.call.empty()) return;
        auto found = tallyIndex.find(qso.band);
        if (found == tallyIndex.end()) return;
        BandTally& tally = tallies[found->second];
        ++tally.qsos;
        if (input.ownStationIsCis)
            ++tally.otherPoints;
        else if (IsCisPrefix(qso.countryPrefix.c_str()))
            tally.cisPoints += 3;
        else
            ++tally.otherPoints;
        if (!qso.multiplier.empty() && !tally.multiplierKeys.contains(qso.multiplier)) {
            tally.multiplierKeys.insert(qso.multiplier);
            ++tally.multipliers;
        }
    });

    int64_t totalQsos = 0;
    int64_t totalPoints = 0;
    int64_t totalMultipliers = 0;
    for (size_t i = 0; i < bands.size(); ++i) {
        const BandTally& tally = tallies[i];
        const int32_t points = tally.cisPoints + tally.otherPoints;
        AppendFormat(report, "%s\t %i\t %i\t %i\r\n", bands[i].c_str(), tally.qsos, points,
                     tally.multipliers);
        totalQsos += tally.qsos;
        totalPoints += points;
        totalMultipliers += tally.multipliers;
    }
    const int64_t score = totalPoints * totalMultipliers;
    AppendFormat(report, "Total\t %lld\t %lld\t %lld\r\nScore = %lld * %lld = %lld \r\n",
                 static_cast<long long>(totalQsos), static_cast<long long>(totalPoints),
                 static_cast<long long>(totalMultipliers), static_cast<long long>(totalPoints),
                 static_cast<long long>(totalMultipliers), static_cast<long long>(score));
    return score;
}

}  // namespace tavik
