#include "checker/engine/qso_index.h"

#include <algorithm>

#include "checker/engine/interning.h"

namespace tavik::check {
namespace {

bool Before(const IndexedQso& x, const IndexedQso& y) {
    if (x.worked != y.worked) return x.worked < y.worked;
    if (x.band != y.band) return x.band < y.band;
    if (x.log != y.log) return x.log < y.log;
    return x.qso < y.qso;
}

void CountNamers(QsoIndex& index, const std::vector<IndexedQso>& taking) {
    // taking is in log order, so a log naming a call again finds itself last.
    std::vector<std::uint32_t> lastLog(index.calls.size(), kNoId);
    index.namedBy.assign(index.calls.size(), 0);
    for (const IndexedQso& qso : taking) {
        if (lastLog[qso.worked] == qso.log) continue;
        lastLog[qso.worked] = qso.log;
        if (index.namedBy[qso.worked] < 2) ++index.namedBy[qso.worked];
    }
}

}  // namespace

std::pair<std::uint32_t, std::uint32_t> QsoIndex::Run(std::uint32_t station, std::uint32_t worked,
                                                      std::uint32_t band) const {
    auto first = qsos.begin() + begin[station];
    auto last = qsos.begin() + begin[station + 1];
    auto key = [](const IndexedQso& qso) { return std::pair(qso.worked, qso.band); };
    auto low = std::partition_point(first, last, [&](const IndexedQso& qso) {
        return key(qso) < std::pair(worked, band);
    });
    auto high = std::partition_point(low, last, [&](const IndexedQso& qso) {
        return key(qso) == std::pair(worked, band);
    });
    return {static_cast<std::uint32_t>(low - qsos.begin()),
            static_cast<std::uint32_t>(high - qsos.begin())};
}

std::uint32_t QsoIndex::RunEnd(std::uint32_t first) const {
    const std::uint32_t last = begin[qsos[first].station + 1];
    std::uint32_t end = first + 1;
    while (end < last && qsos[end].worked == qsos[first].worked &&
           qsos[end].band == qsos[first].band)
        ++end;
    return end;
}

QsoIndex BuildQsoIndex(const std::vector<EntrantLog>& logs, Workers& workers) {
    QsoIndex index;
    std::vector<IndexedQso> taking = InternAll(logs, index, workers);
    CountNamers(index, taking);
    // Placed by station in log order, then each station's QSOs sorted on a thread.
    index.begin.assign(index.calls.size() + 1, 0);
    for (const IndexedQso& qso : taking) ++index.begin[qso.station + 1];
    for (std::size_t i = 1; i < index.begin.size(); ++i) index.begin[i] += index.begin[i - 1];
    std::vector<std::uint32_t> next(index.begin.begin(), index.begin.end() - 1);
    index.qsos.resize(taking.size());
    for (const IndexedQso& qso : taking) index.qsos[next[qso.station]++] = qso;
    std::vector<IndexedQso>().swap(taking);
    workers.Run(index.calls.size(), logs.size(),
                [&](unsigned, std::size_t first, std::size_t last) {
                    for (std::size_t call = first; call < last; ++call)
                        std::sort(index.qsos.begin() + index.begin[call],
                                  index.qsos.begin() + index.begin[call + 1], Before);
                });
    index.partnerRun.assign(index.qsos.size(), kNoId);
    workers.Run(index.calls.size(), logs.size(), [&](unsigned, std::size_t first,
                                                     std::size_t last) {
        for (std::size_t station = first; station < last; ++station)
            for (std::uint32_t q = index.begin[station]; q < index.begin[station + 1];
                 q = index.RunEnd(q)) {
                const IndexedQso& mine = index.qsos[q];
                if (mine.worked <= station || !index.hasLog[mine.worked]) continue;
                const auto [low, high] = index.Run(mine.worked, mine.station, mine.band);
                if (low != high) index.partnerRun[q] = low;
            }
    });
    return index;
}

}  // namespace tavik::check
