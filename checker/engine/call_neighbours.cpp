#include "checker/engine/call_neighbours.h"

#include <algorithm>
#include <cstddef>

namespace tavik::check {
namespace {

constexpr std::size_t kWhole = static_cast<std::size_t>(-1);

// FNV-1a of the call without the character at skip (kWhole: the whole call), so
// that the variants need no string of their own.
std::uint64_t HashWithout(std::string_view call, std::size_t skip) {
    std::uint64_t hash = 14695981039346656037ull;
    for (std::size_t i = 0; i < call.size(); ++i) {
        if (i == skip) continue;
        hash ^= static_cast<unsigned char>(call[i]);
        hash *= 1099511628211ull;
    }
    return hash;
}

}  // namespace

bool OneEditApart(std::string_view a, std::string_view b) {
    if (a.size() < b.size()) std::swap(a, b);
    if (a.size() - b.size() > 1) return false;
    std::size_t i = 0;
    while (i < b.size() && a[i] == b[i]) ++i;
    if (a.size() != b.size()) return a.substr(i + 1) == b.substr(i);
    if (i == a.size()) return false;  // the same call
    if (a.substr(i + 1) == b.substr(i + 1)) return true;
    return i + 1 < a.size() && a[i] == b[i + 1] && a[i + 1] == b[i] &&
           a.substr(i + 2) == b.substr(i + 2);
}

NeighbourIndex::NeighbourIndex(
    const std::vector<std::pair<std::string_view, std::uint32_t>>& calls) {
    for (const auto& [call, id] : calls) {
        if (callOfId_.size() <= id) callOfId_.resize(id + 1);
        callOfId_[id] = call;
        variants_.push_back({HashWithout(call, kWhole), id});
        for (std::size_t i = 0; i < call.size(); ++i)
            variants_.push_back({HashWithout(call, i), id});
    }
    std::sort(variants_.begin(), variants_.end());
    variants_.erase(std::unique(variants_.begin(), variants_.end(),
                                [](const Variant& x, const Variant& y) {
                                    return x.hash == y.hash && x.id == y.id;
                                }),
                    variants_.end());
}

void NeighbourIndex::Collect(std::uint64_t hash, std::vector<std::uint32_t>& found) const {
    auto it = std::lower_bound(variants_.begin(), variants_.end(), Variant{hash, 0});
    for (; it != variants_.end() && it->hash == hash; ++it) found.push_back(it->id);
}

void NeighbourIndex::Find(std::string_view call, std::vector<std::uint32_t>& found) const {
    found.clear();
    // An added character shows as the call among the variants, a dropped one as
    // a variant of the call among the whole calls, a replaced or swapped one as
    // two variants alike; the rest the true test turns away.
    Collect(HashWithout(call, kWhole), found);
    for (std::size_t i = 0; i < call.size(); ++i) Collect(HashWithout(call, i), found);
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    auto far = [&](std::uint32_t id) { return !OneEditApart(call, callOfId_[id]); };
    found.erase(std::remove_if(found.begin(), found.end(), far), found.end());
}

}  // namespace tavik::check
