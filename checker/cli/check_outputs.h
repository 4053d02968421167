// The tables of a check: every QSO's verdict, and one row per log.
// Threads: QsosTable and VerdictOf run on the writing thread beside the scoring.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "checker/cli/log_set.h"
#include "checker/cli/plugin_scoring.h"
#include "checker/engine/cross_check.h"

namespace tavik::check {

constexpr std::size_t kVerdictCount = 8;

// What the plugin and the cross-check made of one log.
struct LogResult {
    PluginScore claimed;
    PluginScore checked;
    std::array<std::size_t, kVerdictCount> counts{};  // per Verdict
    std::size_t checkedQsos = 0;
};

struct CheckedSet {
    const LogSet& set;
    const CheckOutcome& outcome;
    const std::vector<LogResult>& results;  // per log
};

// A QSO's verdict and detail: the plugin's own for a QSO it did not take.
Verdict VerdictOf(const CheckedSet& checked, std::size_t log, std::size_t qso,
                  const std::string** detail);

// Counts the verdicts of each log into results.
void CountVerdicts(const CheckedSet& checked, std::vector<LogResult>& results);

// qsos.tsv: a header, then every QSO of every log in file order.
std::string QsosTable(const CheckedSet& checked);

// The files in the order of the results: group (CIS, then DX, then unreadable), checked
// score from the highest, call, file name.
std::vector<std::size_t> ResultOrder(const CheckedSet& checked);

// results.tsv and results.json, rows in order.
std::string ResultsTable(const CheckedSet& checked, const std::vector<std::size_t>& order);
std::string ResultsJson(const CheckedSet& checked, const std::vector<std::size_t>& order);

}  // namespace tavik::check
