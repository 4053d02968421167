// The QSOs that take part in the cross-check, with calls and bands as integer
// ids, grouped by the log's call so that "B's QSOs with A on 20M" is one
// binary search away. Built once; read by the later steps from many threads.
#pragma once

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "checker/engine/cross_check.h"
#include "checker/engine/workers.h"

namespace tavik::check {

inline constexpr std::uint32_t kNoId = UINT32_MAX;

struct IndexedQso {
    std::uint32_t station = 0;  // call id of the log's own call
    std::uint32_t worked = 0;   // call id of the call logged
    std::uint32_t band = 0;
    std::uint32_t log = 0;      // index into the logs
    std::uint32_t qso = 0;      // index into that log's qsos
    std::int64_t minute = 0;    // by the log's clock until the clocks are corrected
};

struct QsoIndex {
    std::vector<std::string_view> calls;   // by call id, views into the logs
    std::vector<bool> hasLog;               // by call id
    std::vector<std::uint8_t> namedBy;      // by call id: logs naming it, at most 2
    // By station, then worked call, band, log and QSO; a call's QSOs are
    // qsos[begin[call], begin[call + 1]).
    std::vector<IndexedQso> qsos;
    std::vector<std::uint32_t> begin;
    // By QSO: for the first of a run with a station of a higher call id, the
    // first of that station's run back (kNoId when it has none), looked up once
    // for the clocks and the matching.
    std::vector<std::uint32_t> partnerRun;

    std::string_view Call(std::uint32_t id) const { return calls[id]; }
    // The run of station's QSOs with worked on band, as [first, last).
    std::pair<std::uint32_t, std::uint32_t> Run(std::uint32_t station, std::uint32_t worked,
                                                std::uint32_t band) const;
    // The end of the run that starts at first.
    std::uint32_t RunEnd(std::uint32_t first) const;
    // Calls visit(first, end, partnerFirst) for each of station's runs, in order.
    template <typename Visit>
    void ForEachRun(std::size_t station, Visit visit) const {
        for (std::uint32_t q = begin[station], end; q < begin[station + 1]; q = end) {
            end = RunEnd(q);
            visit(q, end, partnerRun[q]);
        }
    }
};

// Reports 3 * logs.size() units of progress.
QsoIndex BuildQsoIndex(const std::vector<EntrantLog>& logs, Workers& workers);

}  // namespace tavik::check
