// The simulator's inner steps: stations, true QSOs, and the logs made of them.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "bench/contest_sim.h"

namespace tavik::bench {

// A QSO as it happened: a and b index the stations.
struct TrueQso {
    std::uint32_t a = 0, b = 0;
    int second = 0;               // true time since the contest start
    int jitter = 0;               // seconds b's time is off a's
    std::uint8_t band = 0;
    std::uint32_t khz = 0;
    std::uint32_t serialA = 0, serialB = 0;  // each side's count of QSOs so far
};

// Which pairs of stations worked on which band.
class PairSet {
public:
    bool Insert(std::uint32_t a, std::uint32_t b, std::uint8_t band);  // false when there
    bool Contains(std::uint32_t a, std::uint32_t b, std::uint8_t band) const;

private:
    static std::uint64_t Key(std::uint32_t a, std::uint32_t b, std::uint8_t band);
    std::unordered_set<std::uint64_t> keys_;
};

std::vector<Station> MakeStations(const SimOptions& options, const std::vector<std::string>& calls,
                                  SimRng& rng);
// The QSOs in time order, each pair at most once per band, until the logs of the
// sending stations hold about options.linesPerLog lines each.
std::vector<TrueQso> DrawQsos(const std::vector<Station>& stations, const SimOptions& options,
                              PairSet& pairs, SimRng& rng);

}  // namespace tavik::bench
