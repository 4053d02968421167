#pragma once

#include <string>
#include <string_view>

namespace tavik {

// source with every occurrence of search replaced, left to right; the search goes
// on behind each replacement, never into it. An empty search changes nothing.
std::string ReplaceAll(std::string_view source, std::string_view search,
                       std::string_view replacement);

}  // namespace tavik
