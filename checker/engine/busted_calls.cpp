#include "checker/engine/qso_matching.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>

#include "checker/engine/call_neighbours.h"

namespace tavik::check {
namespace {

enum class Bust : std::uint8_t { kOneSide, kBothSides };

struct BustCandidate {
    Bust bust;
    std::int64_t distance;
    std::uint32_t wrong;  // kOneSide: the QSO that logged the busted call
    std::uint32_t other;
    bool operator<(const BustCandidate& x) const {
        return std::tie(bust, distance, wrong, other) <
               std::tie(x.bust, x.distance, x.wrong, x.other);
    }
};

// The QSOs still unmatched, by station, each station's by band and time: a
// station's QSOs near a time on a band are then one binary search away.
struct FreeQso {
    std::uint32_t band;
    std::uint32_t qso;
    std::int64_t minute;
    bool operator<(const FreeQso& x) const {
        return std::tie(band, minute, qso) < std::tie(x.band, x.minute, x.qso);
    }
};

struct FreeQsos {
    std::vector<std::uint32_t> begin;  // by call id, calls + 1
    std::vector<FreeQso> qsos;
};

FreeQsos CollectFree(const QsoIndex& index, const Links& links) {
    FreeQsos free;
    free.begin.assign(index.calls.size() + 1, 0);
    for (std::uint32_t q = 0; q < index.qsos.size(); ++q) {
        if (!links.Free(q)) continue;
        free.qsos.push_back({index.qsos[q].band, q, index.qsos[q].minute});
        ++free.begin[index.qsos[q].station + 1];
    }
    for (std::size_t i = 1; i < free.begin.size(); ++i) {
        free.begin[i] += free.begin[i - 1];
        std::sort(free.qsos.begin() + free.begin[i - 1], free.qsos.begin() + free.begin[i]);
    }
    return free;
}

// The stations one edit from each call an unmatched QSO logged, looked up
// once per call: the calls of stations that sent no log recur in many logs.
struct NearStations {
    std::vector<std::uint32_t> slot;                  // by call id, kNoId when not asked
    std::vector<std::vector<std::uint32_t>> stations;  // by slot, ascending
};

NearStations FindNearStations(const QsoIndex& index, const FreeQsos& free, Workers& workers,
                              std::size_t units) {
    std::vector<std::pair<std::string_view, std::uint32_t>> calls;
    for (std::uint32_t id = 0; id < index.calls.size(); ++id)
        if (index.hasLog[id]) calls.emplace_back(index.Call(id), id);
    const NeighbourIndex neighbours(calls);
    NearStations near;
    near.slot.assign(index.calls.size(), kNoId);
    std::vector<std::uint32_t> asked;
    for (const FreeQso& f : free.qsos) {
        const std::uint32_t worked = index.qsos[f.qso].worked;
        if (near.slot[worked] != kNoId) continue;
        near.slot[worked] = static_cast<std::uint32_t>(asked.size());
        asked.push_back(worked);
    }
    near.stations.resize(asked.size());
    workers.Run(asked.size(), units, [&](unsigned, std::size_t first, std::size_t last) {
        for (std::size_t i = first; i < last; ++i)
            neighbours.Find(index.Call(asked[i]), near.stations[i]);
    });
    return near;
}

// Candidates for one unmatched QSO: the stations one away from the call it
// logged, and their unmatched QSOs on the band near its time.
void Candidates(const QsoIndex& index, const FreeQsos& free, const NearStations& near,
                std::int64_t window, std::uint32_t q, std::vector<BustCandidate>& found) {
    const IndexedQso& mine = index.qsos[q];
    for (std::uint32_t station : near.stations[near.slot[mine.worked]]) {
        if (station == mine.station) continue;
        const auto last = free.qsos.begin() + free.begin[station + 1];
        const FreeQso earliest{mine.band, 0, mine.minute - window};
        for (auto f = std::lower_bound(free.qsos.begin() + free.begin[station], last, earliest);
             f != last && f->band == mine.band && f->minute <= mine.minute + window; ++f) {
            const std::uint32_t t = f->qso;
            const IndexedQso& theirs = index.qsos[t];
            const std::int64_t distance = std::llabs(mine.minute - theirs.minute);
            if (theirs.worked == mine.station)
                found.push_back({Bust::kOneSide, distance, q, t});
            else if (q < t && OneEditApart(index.Call(theirs.worked), index.Call(mine.station)))
                found.push_back({Bust::kBothSides, distance, q, t});
        }
    }
}

}  // namespace

void FindBustedCalls(const QsoIndex& index, const CheckSettings& settings, Links& links,
                     Workers& workers, std::size_t units) {
    const FreeQsos free = CollectFree(index, links);
    const NearStations near = FindNearStations(index, free, workers, units / 2);
    std::vector<std::vector<BustCandidate>> found(workers.Count());
    workers.Run(index.calls.size(), units - units / 2, [&](unsigned thread, std::size_t first,
                                                           std::size_t last) {
        for (std::size_t station = first; station < last; ++station)
            for (std::uint32_t f = free.begin[station]; f < free.begin[station + 1]; ++f)
                Candidates(index, free, near, settings.windowMinutes, free.qsos[f].qso,
                           found[thread]);
    });
    std::vector<BustCandidate> all;
    for (const auto& list : found) all.insert(all.end(), list.begin(), list.end());
    // The same order for any number of threads, and one QSO in one pair only.
    std::sort(all.begin(), all.end());
    for (const BustCandidate& c : all) {
        if (!links.Free(c.wrong) || !links.Free(c.other)) continue;
        if (c.bust == Bust::kOneSide)
            links.Join(c.wrong, Link::kCalledWrong, c.other, Link::kCalledRight);
        else
            links.Join(c.wrong, Link::kBothWrong, c.other, Link::kBothWrong);
    }
}

}  // namespace tavik::check
