// A time of the contest period as given on a command line.
#pragma once

#include <optional>
#include <string_view>

namespace tavik::check {

// "YYYY-MM-DD HH:MM" or "YYYYMMDD HHMM" (UTC) as an automation date; nullopt otherwise.
// The same spellings tavik-host takes.
std::optional<double> ParsePeriodTime(std::string_view text);

}  // namespace tavik::check
