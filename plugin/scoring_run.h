// What the entry points do with the scoring state, free of the export ABI.
#pragma once

#include <cstdint>

#include "abi/plugin_abi.h"
#include "plugin/contest_state.h"

namespace tavik {

// The parameters of AddData0/RemoveData0 that the plugin reads; null texts
// already replaced by the empty text.
struct QsoParameters {
    const char* ownCallLogged = "";
    const char* call = "";
    const COleDateTime* time = nullptr;
    uint32_t frequencyHz = 0;
    const char* mode = "";
    const char* rstSent = "";
    const char* rstReceived = "";
    const char* exchangeSent = "";
    const char* exchangeReceived = "";
    const char* countryPrefix = "";
    const char* band = "";
};

CInfo BuildRecord(const QsoParameters& qso);

int32_t ResetStats(ContestState& state, int32_t exportFlag, const char* ownCall,
                   const COleDateTime* periodStart, const COleDateTime* periodEnd,
                   const char* ownCountryPrefix);
int32_t AddData(ContestState& state, const QsoParameters& qso);
int32_t RemoveData(ContestState& state, const QsoParameters& qso);
const char* GetResult(ContestState& state, int32_t* exportDone);

}  // namespace tavik
