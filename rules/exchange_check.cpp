#include "rules/exchange_check.h"

#include "base/text.h"

namespace tavik {
namespace {

}  // namespace

int32_t IsValidExchange(const char* exchange) {
    if (!exchange) return 0;
    for (int i = 0; i < 4; ++i)
        if (exchange[i] < '0' || exchange[i] > '9') return 0;
    return exchange[4] == '\0' ? 1 : 0;
}

int32_t CheckCall(const QsoList& qsoList, const char* call, const char* band,
                  const char* bandCheck) {
    if (band && bandCheck && !EqualIgnoringAsciiCase(band, bandCheck)) return kBandsDisagree;
    if (!call || !band) return kCallIsNew;
    return qsoList.Contains(call, band) ? kCallIsDuplicate : kCallIsNew;
}

}  // namespace tavik
