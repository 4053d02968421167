// Calls that hold what is being typed: the super-check-partial list contesters keep
// (MASTER.SCP) and the calls of the log itself.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tavik::host {

// Up to most of the entries of a list sorted by call whose call holds text: those
// that begin with it first, then the others, each in the list's order.
template <typename Iterator, typename CallOf>
std::vector<Iterator> CallsHolding(Iterator begin, Iterator end, std::string_view text,
                                   std::size_t most, CallOf callOf) {
    std::vector<Iterator> starting;
    std::vector<Iterator> inside;
    if (text.empty()) return starting;
    for (Iterator it = begin; it != end && starting.size() < most; ++it) {
        const std::string_view call = callOf(*it);
        const std::size_t at = call.find(text);
        if (at == 0) {
            starting.push_back(it);
        } else if (at != std::string_view::npos && inside.size() < most) {
            inside.push_back(it);
        }
    }
    for (std::size_t i = 0; i < inside.size() && starting.size() < most; ++i)
        starting.push_back(inside[i]);
    return starting;
}

class CallList {
public:
    CallList() = default;
    // Sorted, each call once, in capitals.
    explicit CallList(std::vector<std::string> calls);

    // One call per line; lines that begin with '#' and blank lines are left out.
    // False with why when the file cannot be read.
    static bool Load(const std::string& path, CallList& list, std::string& why);

    std::vector<std::string> Holding(std::string_view text, std::size_t most) const;
    std::size_t Size() const { return calls_.size(); }

private:
    std::vector<std::string> calls_;
};

}  // namespace tavik::host
