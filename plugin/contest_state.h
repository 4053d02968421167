// The process-wide state of the scoring run, shared by the entry points.
#pragma once

#include <cstdint>
#include <string>

#include "plugin/qso_list.h"

namespace tavik {

struct ContestState {
    QsoList qsoList;
    BandList bandList;
    std::string ownCall;
    std::string periodStart;
    std::string periodEnd;
    int32_t exportEnabled = 0;
    int32_t ownStationIsCis = 0;
    std::string reportText;
    // 64-bit: points times multipliers overflows 32 bits on large logs.
    int64_t claimedScore = 0;
    int32_t hostModeSet = 0;
};

ContestState& TheContestState();

}  // namespace tavik
