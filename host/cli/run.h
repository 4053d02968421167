// One scoring run of the plugin over a log.
#pragma once

#include <iosfwd>

#include "host/cli/options.h"

namespace tavik::host {

// The whole program after option parsing: messages go to err, the report to
// standard output. Returns the exit status.
int RunHost(const Options& options, std::ostream& err);

}  // namespace tavik::host
