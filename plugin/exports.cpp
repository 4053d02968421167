// The ten entry points the host calls. Each one only adapts the ABI: texts that
// arrive null count as empty, and nothing thrown inside ever reaches the host.
#include "abi/plugin_abi.h"
#include "platform/user_interface.h"
#include "plugin/contest_state.h"
#include "plugin/scoring_run.h"
#include "plugin/test_app.h"
#include "base/text_format.h"
#include "rules/exchange_check.h"

#include <type_traits>

#if defined(_WIN32)
#define TAVIK_EXPORT extern "C"  // exported by name through Tavik.def
#else
#define TAVIK_EXPORT extern "C" __attribute__((visibility("default")))
#endif

using tavik::TextOrEmpty;

namespace {

tavik::QsoParameters ReadQso(const char* ownCallLogged, const char* call,
                             const COleDateTime* time, uint32_t frequencyHz, const char* mode,
                             const char* rstSent, const char* rstReceived,
                             const char* exchangeSent, const char* exchangeReceived,
                             const char* countryPrefix, const char* band) {
    tavik::QsoParameters qso;
    qso.ownCallLogged = TextOrEmpty(ownCallLogged);
    qso.call = TextOrEmpty(call);
    qso.time = time;
    qso.frequencyHz = frequencyHz;
    qso.mode = TextOrEmpty(mode);
    qso.rstSent = TextOrEmpty(rstSent);
    qso.rstReceived = TextOrEmpty(rstReceived);
    qso.exchangeSent = TextOrEmpty(exchangeSent);
    qso.exchangeReceived = TextOrEmpty(exchangeReceived);
    qso.countryPrefix = TextOrEmpty(countryPrefix);
    qso.band = TextOrEmpty(band);
    return qso;
}

}  // namespace

TAVIK_EXPORT int32_t TAVIK_CDECL GetNumberOfSets() { return 1; }

TAVIK_EXPORT const char* TAVIK_CDECL GetSetName(int32_t setIndex) {
    return setIndex == 0 ? "CIS DX PSK " : "";
}

TAVIK_EXPORT int32_t TAVIK_CDECL GetExchgCount0(const char*, const char*, const char*) {
    return 1;
}

TAVIK_EXPORT void TAVIK_CDECL SetupSet0() {
    try {
        tavik::ShowMessageBox(tavik::theApp.OwnerWindow(), "No additional setup for this plugin",
                              nullptr, tavik::kMessageBoxOk);
    } catch (...) {
    }
}

TAVIK_EXPORT int32_t TAVIK_CDECL ResetStats0(
    const char*, int32_t exportFlag, const char* ownCall, const COleDateTime* periodStart,
    const COleDateTime* periodEnd, const char*, const char*, const char*, const char*,
    const char*, const char*, const char*, const char*, const char*,
    const char* ownCountryPrefix, int32_t, int32_t, int32_t, double, double, const char*,
    const char*, const char*) {
    try {
        return tavik::ResetStats(tavik::TheContestState(), exportFlag, TextOrEmpty(ownCall),
                                 periodStart, periodEnd, TextOrEmpty(ownCountryPrefix));
    } catch (...) {
        return 1;
    }
}

TAVIK_EXPORT int32_t TAVIK_CDECL AddData0(
    const char* ownCallLogged, const char* call, const COleDateTime* time, const COleDateTime*,
    const COleDateTime*, const COleDateTime*, uint32_t, uint32_t frequencyHz, const char* mode,
    const char* rstSent, const char* rstReceived, const char* exchangeSent,
    const char* exchangeReceived, const char*, const char*, const char*, const char*,
    const char*, const char*, const char*, const char*, const char*, const char* countryPrefix,
    int32_t, int32_t, int32_t, double, double, const char*, const char*, const char*,
    const char* band, const char*) {
    try {
        return tavik::AddData(tavik::TheContestState(),
                              ReadQso(ownCallLogged, call, time, frequencyHz, mode, rstSent,
                                      rstReceived, exchangeSent, exchangeReceived,
                                      countryPrefix, band));
    } catch (...) {
        // Out of memory: the QSO could not be kept, so it is not accepted.
        return 0;
    }
}

TAVIK_EXPORT int32_t TAVIK_CDECL RemoveData0(
    const char* ownCallLogged, const char* call, const COleDateTime* time, const COleDateTime*,
    const COleDateTime*, const COleDateTime*, uint32_t, uint32_t frequencyHz, const char* mode,
    const char* rstSent, const char* rstReceived, const char* exchangeSent,
    const char* exchangeReceived, const char*, const char*, const char*, const char*,
    const char*, const char*, const char*, const char*, const char*, const char* countryPrefix,
    int32_t, int32_t, int32_t, double, double, const char*, const char*, const char*,
    const char* band, const char*) {
    try {
        return tavik::RemoveData(tavik::TheContestState(),
                                 ReadQso(ownCallLogged, call, time, frequencyHz, mode, rstSent,
                                         rstReceived, exchangeSent, exchangeReceived,
                                         countryPrefix, band));
    } catch (...) {
        return 1;
    }
}

TAVIK_EXPORT int32_t TAVIK_CDECL CheckCall0(
    const char* call, uint32_t, uint32_t, const char*, const char*, const char*, const char*,
    const char*, const char*, const char*, const char*, const char*, const char*, const char*,
    int32_t, int32_t, int32_t, double, double, const char*, const char*, const char*,
    const char*, const char*, const char* band, const char* bandCheck, char*, char*) {
    try {
        return tavik::CheckCall(tavik::TheContestState().qsoList, call, band, bandCheck);
    } catch (...) {
        return tavik::kCallIsNew;
    }
}

TAVIK_EXPORT int32_t TAVIK_CDECL IsValidExchg0(const char* exchange, const char*, const char*,
                                               const char*, int32_t, int32_t, int32_t) {
    return tavik::IsValidExchange(exchange);
}

TAVIK_EXPORT const char* TAVIK_CDECL GetResult0(int32_t* exportDone) {
    tavik::ContestState& state = tavik::TheContestState();
    try {
        return tavik::GetResult(state, exportDone);
    } catch (...) {
        return state.reportText.c_str();
    }
}

// The exports must keep the host's signatures exactly.
static_assert(std::is_same_v<decltype(&ResetStats0), ResetStats0Fn>);
static_assert(std::is_same_v<decltype(&AddData0), AddData0Fn>);
static_assert(std::is_same_v<decltype(&RemoveData0), RemoveData0Fn>);
static_assert(std::is_same_v<decltype(&CheckCall0), CheckCall0Fn>);
static_assert(std::is_same_v<decltype(&IsValidExchg0), IsValidExchg0Fn>);
static_assert(std::is_same_v<decltype(&GetResult0), GetResult0Fn>);
static_assert(std::is_same_v<decltype(&GetSetName), GetSetNameFn>);
static_assert(std::is_same_v<decltype(&GetExchgCount0), GetExchgCount0Fn>);
static_assert(std::is_same_v<decltype(&GetNumberOfSets), GetNumberOfSetsFn>);
static_assert(std::is_same_v<decltype(&SetupSet0), SetupSet0Fn>);
