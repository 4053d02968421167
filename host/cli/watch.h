// tavik-host --watch: the live score window, or one JSON line per change.
#pragma once

#include <iosfwd>

#include "host/cli/options.h"

namespace tavik::host {

// Follows options.logPath until stopped (q, Ctrl+C, SIGTERM). Returns the exit status.
int RunWatch(const Options& options, std::ostream& err);

}  // namespace tavik::host
