// The questions the host asks while the operator types a contact.
#pragma once

#include <cstdint>

#include "rules/qso_list.h"

namespace tavik {

// 1 for exactly four ASCII digits, else 0.
int32_t IsValidExchange(const char* exchange);

constexpr int32_t kCallIsDuplicate = 0;
constexpr int32_t kCallIsNew = 1;
constexpr int32_t kBandsDisagree = 4;

// 4 when band and bandCheck are both given and differ ignoring ASCII case; else 0
// when call was already worked on band, 1 when not (also for a null call or band).
int32_t CheckCall(const QsoList& qsoList, const char* call, const char* band,
                  const char* bandCheck);

}  // namespace tavik
