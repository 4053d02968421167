// Whether a country prefix makes a station a CIS station.
#pragma once

#include <cstdint>
#include <string_view>

namespace tavik {

// 1 when the whole text is one of the CIS prefixes (case-sensitive, no trimming), else 0.
int32_t IsCisPrefix(const char* countryPrefix);
// The same test for a text that is not NUL-terminated.
int32_t IsCisPrefix(std::string_view countryPrefix);

}  // namespace tavik
