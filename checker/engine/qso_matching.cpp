#include "checker/engine/qso_matching.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>

namespace tavik::check {
namespace {

struct Candidate {
    std::int64_t distance;
    std::uint32_t mine;
    std::uint32_t theirs;
    bool operator<(const Candidate& other) const {
        return std::tie(distance, mine, theirs) <
               std::tie(other.distance, other.mine, other.theirs);
    }
};

// One run of A's QSOs with B against B's with A; usually one QSO each.
void MatchRun(const QsoIndex& index, std::int64_t window, std::uint32_t mineFirst,
              std::uint32_t mineLast, std::uint32_t theirsFirst, std::uint32_t theirsLast,
              Links& links, std::vector<Candidate>& candidates) {
    candidates.clear();
    for (std::uint32_t mine = mineFirst; mine < mineLast; ++mine)
        for (std::uint32_t theirs = theirsFirst; theirs < theirsLast; ++theirs) {
            const std::int64_t distance =
                std::llabs(index.qsos[mine].minute - index.qsos[theirs].minute);
            if (distance <= window) candidates.push_back({distance, mine, theirs});
        }
    if (candidates.size() > 1) std::sort(candidates.begin(), candidates.end());
    for (const Candidate& c : candidates)
        if (links.Free(c.mine) && links.Free(c.theirs))
            links.Join(c.mine, Link::kMatched, c.theirs, Link::kMatched);
}

}  // namespace

Links MatchQsos(const QsoIndex& index, const CheckSettings& settings, Workers& workers,
                std::size_t units) {
    Links links;
    links.kind.assign(index.qsos.size(), Link::kNone);
    links.other.assign(index.qsos.size(), kNoId);
    std::vector<std::vector<Candidate>> scratch(workers.Count());
    // Each pair of stations is taken by the lower call id, so that no two
    // threads ever write the same QSO's link.
    workers.Run(index.calls.size(), units, [&](unsigned thread, std::size_t first,
                                               std::size_t last) {
        for (std::size_t station = first; station < last; ++station) {
            index.ForEachRun(station, [&](std::uint32_t q, std::uint32_t end, std::uint32_t low) {
                if (low != kNoId)
                    MatchRun(index, settings.windowMinutes, q, end, low, index.RunEnd(low), links,
                             scratch[thread]);
            });
        }
    });
    return links;
}

}  // namespace tavik::check
