// The process-wide state of the scoring run, shared by the entry points.
#pragma once

#include <cstdint>
#include <string>

#include "cabrillo/header_settings.h"
#include "hostlink/host_link.h"
#include "rules/qso_list.h"

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
};

// The library's static objects (see contest_state.cpp for their order).
ContestState& TheContestState();
HeaderSettings& TheHeaderSettings();
// The host link also keeps hostModeSet, which lives as long as the library.
HostLink& TheHostLink();

}  // namespace tavik
