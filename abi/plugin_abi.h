// The plugin's binary interface as the host sees it: the ten exported
// functions with their exact parameter lists, and the date-time record the
// host passes by pointer. Shared by the plugin, the stand-in host, the tests,
// the fuzz target and the benchmark so that all of them agree on every signature.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/date_time_record.h"

#if defined(_WIN32)
#define TAVIK_CDECL __cdecl
#else
#define TAVIK_CDECL
#endif

extern "C" {

typedef int32_t(TAVIK_CDECL* GetNumberOfSetsFn)();
typedef const char*(TAVIK_CDECL* GetSetNameFn)(int32_t setIndex);
typedef int32_t(TAVIK_CDECL* GetExchgCount0Fn)(const char*, const char*, const char*);
typedef void(TAVIK_CDECL* SetupSet0Fn)();

typedef int32_t(TAVIK_CDECL* ResetStats0Fn)(
    const char* p1, int32_t exportFlag, const char* ownCall, const COleDateTime* periodStart,
    const COleDateTime* periodEnd, const char* p6, const char* p7, const char* p8, const char* p9,
    const char* p10, const char* p11, const char* p12, const char* p13, const char* p14,
    const char* ownCountryPrefix, int32_t p16, int32_t p17, int32_t p18, double p19, double p20,
    const char* p21, const char* p22, const char* p23);

// AddData0 and RemoveData0 share this parameter list (one logged QSO).
typedef int32_t(TAVIK_CDECL* QsoDataFn)(
    const char* ownCallLogged, const char* call, const COleDateTime* time, const COleDateTime* p4,
    const COleDateTime* p5, const COleDateTime* p6, uint32_t p7, uint32_t frequencyHz,
    const char* mode, const char* rstSent, const char* rstReceived, const char* exchangeSent,
    const char* exchangeReceived, const char* p14, const char* p15, const char* p16,
    const char* p17, const char* p18, const char* p19, const char* p20, const char* p21,
    const char* p22, const char* countryPrefix, int32_t p24, int32_t p25, int32_t p26,
    double p27, double p28, const char* p29, const char* p30, const char* p31, const char* band,
    const char* p33);
typedef QsoDataFn AddData0Fn;
typedef QsoDataFn RemoveData0Fn;

typedef int32_t(TAVIK_CDECL* CheckCall0Fn)(
    const char* call, uint32_t p2, uint32_t p3, const char* p4, const char* p5, const char* p6,
    const char* p7, const char* p8, const char* p9, const char* p10, const char* p11,
    const char* p12, const char* p13, const char* p14, int32_t p15, int32_t p16, int32_t p17,
    double p18, double p19, const char* p20, const char* p21, const char* p22, const char* p23,
    const char* p24, const char* band, const char* bandCheck, char* buffer27, char* buffer28);

typedef int32_t(TAVIK_CDECL* IsValidExchg0Fn)(const char* exchange, const char*, const char*,
                                              const char*, int32_t, int32_t, int32_t);

typedef const char*(TAVIK_CDECL* GetResult0Fn)(int32_t* exportDone);

}  // extern "C"

namespace tavik::abi {

// The ten entry points of one plugin, however they were found.
struct PluginFunctions {
    GetNumberOfSetsFn getNumberOfSets = nullptr;
    GetSetNameFn getSetName = nullptr;
    GetExchgCount0Fn getExchgCount0 = nullptr;
    SetupSet0Fn setupSet0 = nullptr;
    ResetStats0Fn resetStats0 = nullptr;
    AddData0Fn addData0 = nullptr;
    RemoveData0Fn removeData0 = nullptr;
    CheckCall0Fn checkCall0 = nullptr;
    IsValidExchg0Fn isValidExchg0 = nullptr;
    GetResult0Fn getResult0 = nullptr;
};

}  // namespace tavik::abi
