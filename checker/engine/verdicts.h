// The verdict of each QSO from how it matched, or why nothing matched it.
#pragma once

#include <cstddef>
#include <vector>

#include "checker/engine/cross_check.h"
#include "checker/engine/qso_index.h"
#include "checker/engine/qso_matching.h"
#include "checker/engine/workers.h"

namespace tavik::check {

// One outcome per QSO of every log; those that take no part in the
// cross-check keep the plugin's verdict and reason. Reports units of progress.
std::vector<LogOutcome> OutcomesAlone(const std::vector<EntrantLog>& logs, Workers& workers,
                                      std::size_t units);

// The verdicts of the QSOs that take part. Reports units of progress.
void JudgeQsos(const std::vector<EntrantLog>& logs, const QsoIndex& index, const Links& links,
               std::vector<LogOutcome>& outcomes, Workers& workers, std::size_t units);

}  // namespace tavik::check
