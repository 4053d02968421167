// Calls one character apart: one replaced, added or dropped, or two neighbours
// swapped. An index of the logs' calls answers which of them lie one apart
// from a given call without comparing it with every one.
#pragma once

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace tavik::check {

bool OneEditApart(std::string_view a, std::string_view b);

class NeighbourIndex {
public:
    // calls[i].first is the call, calls[i].second what Find gives for it.
    explicit NeighbourIndex(const std::vector<std::pair<std::string_view, std::uint32_t>>& calls);

    // The ids of the indexed calls one edit from call, ascending, into found
    // (cleared first). Const, so threads may share one index.
    void Find(std::string_view call, std::vector<std::uint32_t>& found) const;

private:
    struct Variant {
        std::uint64_t hash;
        std::uint32_t id;
        bool operator<(const Variant& other) const {
            return hash != other.hash ? hash < other.hash : id < other.id;
        }
    };
    void Collect(std::uint64_t hash, std::vector<std::uint32_t>& found) const;

    std::vector<Variant> variants_;            // the call and each one-deletion of it, by hash
    std::vector<std::string_view> callOfId_;   // to verify what a hash found
};

}  // namespace tavik::check
