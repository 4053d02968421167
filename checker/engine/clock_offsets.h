// Each log's clock offset, told from the QSOs that match unambiguously with
// other logs: a call is worked once per band, so a pair of logs with exactly one
// QSO of each other on a band is the same QSO whatever the clocks say.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "checker/engine/cross_check.h"
#include "checker/engine/qso_index.h"
#include "checker/engine/workers.h"

namespace tavik::check {

struct ClockOffsets {
    std::vector<std::int64_t> offset;    // by log: its clock minus true time
    std::vector<std::size_t> matches;    // by log: the unambiguous matches seen
    std::vector<bool> known;             // by log: matches >= fewestMatches
};

// Reports logCount units of progress.
ClockOffsets EstimateClocks(const QsoIndex& index, std::size_t logCount,
                            const CheckSettings& settings, Workers& workers);

// Every QSO's minute by its log's corrected clock.
void CorrectClocks(QsoIndex& index, const ClockOffsets& clocks);

// The median of values, halves rounded toward zero; values is reordered.
std::int64_t RoundedMedian(std::vector<std::int64_t>& values);

}  // namespace tavik::check
