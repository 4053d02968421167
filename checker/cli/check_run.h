// One check of a folder of logs, from the options to the files of the results.
#pragma once

#include <iosfwd>

#include "checker/cli/check_options.h"

namespace tavik::check {

// Messages and progress go to err. Returns the exit status.
int RunCheck(const CheckOptions& options, std::ostream& err);

}  // namespace tavik::check
