#include "rules/cis_prefix.h"


namespace tavik {
namespace {

constexpr const char* kCisPrefixSet[] = {
    "UA", "UA9", "UA2", "EM", "EN", "EO", "U5", "UR", "US", "UT", "UU", "UV",
    "UW", "UX", "UY", "UZ", "UJ", "UK", "UL", "UM", "UN", "UO", "UP", "UQ",
    "GM", "4J", "4K", "4L", "EK", "ER", "EU", "EV", "EW", "EX", "EY", "EZ",
};
static_assert(sizeof kCisPrefixSet / sizeof kCisPrefixSet[0] == 36);

}  // namespace

int32_t IsCisPrefix(const char* countryPrefix) {
    return countryPrefix ? IsCisPrefix(std::string_view(countryPrefix)) : 0;
}

int32_t IsCisPrefix(std::string_view countryPrefix) {
    for (const char* prefix : kCisPrefixSet)
        if (countryPrefix == prefix) return 1;
    return 0;
}

}  // namespace tavik
