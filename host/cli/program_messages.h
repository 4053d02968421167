// What tavik-host writes to standard error starts with its name.
#pragma once

#include <ostream>
#include <string>

#include "host/cli/options.h"
#include "host/input/result.h"

namespace tavik::host {

constexpr const char* kProgram = "tavik-host: ";

// Tells the error on err; returns code, the exit status it calls for.
inline int Fail(std::ostream& err, int code, const std::string& message) {
    err << kProgram << "error: " << message << '\n';
    return code;
}

// The one place where a failure becomes an exit status.
inline int ExitStatusOf(FailureKind kind) {
    switch (kind) {
    case FailureKind::kUsage: return kExitUsage;
    case FailureKind::kInput: return kExitInput;
    case FailureKind::kPlugin: return kExitPlugin;
    case FailureKind::kOutput: return kExitOutput;
    case FailureKind::kOther: break;
    }
    return kExitFailure;
}

inline int Fail(std::ostream& err, const Failure& failure) {
    return Fail(err, ExitStatusOf(failure.kind), failure.message);
}

}  // namespace tavik::host
