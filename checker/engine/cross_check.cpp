#include "checker/engine/cross_check.h"

#include "checker/engine/clock_offsets.h"
#include "checker/engine/qso_index.h"
#include "checker/engine/qso_matching.h"
#include "checker/engine/verdicts.h"
#include "checker/engine/workers.h"

namespace tavik::check {
namespace {

// Progress in units of one log per step: index (three), clocks, matching,
// busted calls, outcomes alone, verdicts.
constexpr std::size_t kSteps = 8;

}  // namespace

CheckOutcome Check(const std::vector<EntrantLog>& logs, const CheckSettings& settings,
                   CheckProgress progress, void* progressContext) {
    const std::size_t n = logs.size();
    Workers workers(settings.jobs, progress, progressContext, kSteps * n);
    QsoIndex index = BuildQsoIndex(logs, workers);
    const ClockOffsets clocks = EstimateClocks(index, n, settings, workers);
    CorrectClocks(index, clocks);
    Links links = MatchQsos(index, settings, workers, n);
    FindBustedCalls(index, settings, links, workers, n);
    CheckOutcome outcome;
    outcome.logs = OutcomesAlone(logs, workers, n);
    JudgeQsos(logs, index, links, outcome.logs, workers, n);
    for (std::size_t l = 0; l < n; ++l) {
        LogOutcome& log = outcome.logs[l];
        log.offsetKnown = clocks.known[l];
        log.offsetMinutes = clocks.offset[l];
        log.matches = clocks.matches[l];
    }
    return outcome;
}

}  // namespace tavik::check
