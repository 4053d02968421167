// The calls and bands of the QSOs that take part, as integer ids.
#pragma once

#include <vector>

#include "checker/engine/cross_check.h"
#include "checker/engine/qso_index.h"
#include "checker/engine/workers.h"

namespace tavik::check {

// The QSOs that take part in log order, with index.calls and index.hasLog
// filled in: ids in order of first sight, the logs' own calls first, the same
// for any number of threads. Reports logs.size() units of progress.
std::vector<IndexedQso> InternAll(const std::vector<EntrantLog>& logs, QsoIndex& index,
                                  Workers& workers);

}  // namespace tavik::check
