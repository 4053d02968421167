// Calls that hold what is being typed: the super-check-partial list contesters keep
// (MASTER.SCP) and the calls of the log itself.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "host/input/result.h"

namespace tavik::host {

// Where Debian's hamradio-files puts it.
constexpr const char* kDefaultCallList = "/usr/share/hamradio-files/MASTER.SCP";

class CallList {
public:
    CallList() = default;
    // Sorted, each call once, in capitals.
    explicit CallList(std::vector<std::string> calls);

    // One call per line; lines that begin with '#' and blank lines are left out.
    static Result<CallList> Load(const std::string& path);

    // Up to most of the calls that hold text: those that begin with it first, then
    // the others, each in sorted order. Instant for the 85,000 calls of MASTER.SCP.
    std::vector<std::string> Holding(std::string_view text, std::size_t most) const;
    std::size_t Size() const { return calls_.size(); }

private:
    std::vector<std::string> calls_;
};

}  // namespace tavik::host
