// The entrant's report: the summary of the check, then each removed QSO with its
// line as logged and the evidence.
// Threads: UbnReport runs on the writing thread while the scoring fills in other logs.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>

#include "checker/cli/check_outputs.h"
#include "checker/cli/plugin_scoring.h"

namespace tavik::check {

struct UbnContext {
    const CheckedSet& checked;
    ScoringPeriod period;
    std::unordered_map<std::string, std::size_t> logOfCall;  // index into logs
};

// The file name of a call's report: "/" and other bytes no file name should hold as "_".
std::string UbnFileName(const std::string& call);

// The report of one log.
std::string UbnReport(const UbnContext& context, std::size_t log);

}  // namespace tavik::check
