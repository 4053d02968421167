// One typed client of the plugin's exports: named fields in, the long argument
// lists spelt out once, with what a logging program passes for the arguments the
// plugin does not read.
#pragma once

#include <cstdint>

#include "abi/plugin_abi.h"

namespace tavik::abi {

// What a logging program passes for a date the plugin does not read.
inline constexpr COleDateTime kUnusedDate{0.0, kDateTimeValid};

// The scoring run ResetStats0 starts.
struct RunSetup {
    const char* ownCall = "";
    const char* ownCountryPrefix = "";
    COleDateTime periodStart{0.0, kDateTimeValid};
    COleDateTime periodEnd{0.0, kDateTimeValid};
    std::int32_t exportFlag = 0;
};

// The arguments of AddData0 and RemoveData0 beyond the QSO. A host leaves them as
// they are; tests of the plugin's robustness set them to anything, null included.
struct QsoRawArguments {
    bool noTime = false;                          // a null pointer instead of the time
    const COleDateTime* otherDates = &kUnusedDate;  // the three dates after the time
    const char* unusedText = "";                  // every text the plugin does not read
};

// One logged QSO. Texts are passed as they are, null ones included.
struct QsoRecord {
    const char* call = "";
    const char* ownCallLogged = "";
    COleDateTime time{0.0, kDateTimeValid};  // automation date: days since 1899-12-30
    std::uint32_t frequencyHz = 0;
    const char* mode = "";
    const char* rstSent = "";
    const char* rstReceived = "";
    const char* exchangeSent = "";
    const char* exchangeReceived = "";
    const char* band = "";
    const char* countryPrefix = "";
    QsoRawArguments raw;
};

// The arguments of CheckCall0 the plugin does not read; tests vary them to show
// that they stay unread.
struct CallCheckRawArguments {
    std::uint32_t number2 = 0;
    std::uint32_t number3 = 0;
    const char* text4 = "";
    const char* unusedText = "";  // the other texts besides call and bands
    std::int32_t number15 = 0;
    std::int32_t number16 = 0;
    std::int32_t number17 = 0;
    double number18 = 0.0;
    double number19 = 0.0;
};

std::int32_t ResetStats(const PluginFunctions& plugin, const RunSetup& run);
std::int32_t Add(const PluginFunctions& plugin, const QsoRecord& qso);
std::int32_t Remove(const PluginFunctions& plugin, const QsoRecord& qso);

// 0 when call was worked on band, 1 when not, 4 when band and bandCheck disagree.
// The two scratch buffers are the plugin's to write into; either may be null.
std::int32_t CheckCall(const PluginFunctions& plugin, const char* call, const char* band,
                       const char* bandCheck, char* buffer27, char* buffer28,
                       const CallCheckRawArguments& raw = {});
// With scratch buffers of its own, as a logging program's.
std::int32_t CheckCall(const PluginFunctions& plugin, const char* call, const char* band,
                       const char* bandCheck);

}  // namespace tavik::abi
