#include "checker/engine/clock_offsets.h"

#include <algorithm>
#include <cstdlib>

namespace tavik::check {
namespace {

// The offsets settle in two or three rounds when most clocks are right.
constexpr int kRounds = 8;

struct Sighting {
    std::uint32_t partner;
    std::int64_t difference;  // this log's minute minus the partner's
    bool operator<(const Sighting& other) const {
        return partner != other.partner ? partner < other.partner
                                        : difference < other.difference;
    }
};

// Sightings of each log, grouped by log.
struct Sightings {
    std::vector<std::uint32_t> begin;  // by log, logCount + 1
    std::vector<Sighting> all;
};

// A pair farther apart than two clocks off the other way round cannot be one QSO.
Sightings FindPairs(const QsoIndex& index, std::size_t logCount, const CheckSettings& settings,
                    Workers& workers, std::size_t units) {
    struct Found { std::uint32_t log; Sighting sighting; };
    std::vector<std::vector<Found>> found(workers.Count());
    const std::int64_t farthest = 2 * std::int64_t{settings.maxOffsetMinutes} +
                                  settings.windowMinutes;
    workers.Run(index.calls.size(), units, [&](unsigned thread, std::size_t first,
                                               std::size_t last) {
        for (std::size_t station = first; station < last; ++station) {
            index.ForEachRun(station, [&](std::uint32_t q, std::uint32_t end, std::uint32_t low) {
                if (end - q != 1 || low == kNoId || index.RunEnd(low) - low != 1) return;
                const IndexedQso& mine = index.qsos[q];
                const IndexedQso& theirs = index.qsos[low];
                const std::int64_t difference = mine.minute - theirs.minute;
                if (std::llabs(difference) > farthest) return;
                found[thread].push_back({mine.log, {theirs.log, difference}});
                found[thread].push_back({theirs.log, {mine.log, -difference}});
            });
        }
    });
    Sightings sightings;
    sightings.begin.assign(logCount + 1, 0);
    for (const auto& list : found)
        for (const Found& f : list) ++sightings.begin[f.log + 1];
    for (std::size_t l = 1; l <= logCount; ++l) sightings.begin[l] += sightings.begin[l - 1];
    std::vector<std::uint32_t> next(sightings.begin.begin(), sightings.begin.end() - 1);
    sightings.all.resize(sightings.begin[logCount]);
    for (const auto& list : found)
        for (const Found& f : list) sightings.all[next[f.log]++] = f.sighting;
    // The threads found them in any order; the rounds must not see that.
    for (std::size_t l = 0; l < logCount; ++l)
        std::sort(sightings.all.begin() + sightings.begin[l],
                  sightings.all.begin() + sightings.begin[l + 1]);
    return sightings;
}

}  // namespace

std::int64_t RoundedMedian(std::vector<std::int64_t>& values) {
    const std::size_t half = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + half, values.end());
    const std::int64_t upper = values[half];
    if (values.size() % 2 == 1) return upper;
    const std::int64_t lower = *std::max_element(values.begin(), values.begin() + half);
    return (lower + upper) / 2;
}

ClockOffsets EstimateClocks(const QsoIndex& index, std::size_t logCount,
                            const CheckSettings& settings, Workers& workers) {
    const std::size_t pairUnits = logCount / 2;
    const std::size_t roundUnits = (logCount - pairUnits) / kRounds;
    const Sightings sightings = FindPairs(index, logCount, settings, workers, pairUnits);
    ClockOffsets clocks;
    clocks.offset.assign(logCount, 0);
    clocks.matches.resize(logCount);
    clocks.known.resize(logCount);
    for (std::size_t l = 0; l < logCount; ++l) {
        clocks.matches[l] = sightings.begin[l + 1] - sightings.begin[l];
        clocks.known[l] = clocks.matches[l] > 0 && clocks.matches[l] >= settings.fewestMatches;
    }
    // offset of a log = median over its partners of (difference + partner's
    // offset), all logs at once from the last round's offsets; a value beyond
    // any plausible offset is a wrong pair and left out.
    const std::int64_t plausible = std::int64_t{settings.maxOffsetMinutes} +
                                   settings.windowMinutes;
    std::vector<std::vector<std::int64_t>> scratch(workers.Count());
    std::vector<std::int64_t> next(logCount, 0);
    int round = 0;
    for (bool changed = true; changed && round < kRounds; ++round) {
        workers.Run(logCount, roundUnits, [&](unsigned thread, std::size_t first,
                                              std::size_t last) {
            std::vector<std::int64_t>& values = scratch[thread];
            for (std::size_t l = first; l < last; ++l) {
                next[l] = clocks.offset[l];
                if (!clocks.known[l]) continue;
                values.clear();
                for (std::uint32_t s = sightings.begin[l]; s < sightings.begin[l + 1]; ++s) {
                    const Sighting& seen = sightings.all[s];
                    const std::int64_t value = seen.difference + clocks.offset[seen.partner];
                    if (std::llabs(value) <= plausible) values.push_back(value);
                }
                if (!values.empty()) next[l] = RoundedMedian(values);
            }
        });
        changed = next != clocks.offset;
        clocks.offset.swap(next);
    }
    workers.Advance(logCount - pairUnits - round * roundUnits);
    return clocks;
}

void CorrectClocks(QsoIndex& index, const ClockOffsets& clocks) {
    for (IndexedQso& qso : index.qsos) qso.minute -= clocks.offset[qso.log];
}

}  // namespace tavik::check
