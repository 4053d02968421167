#include "abi/plugin_client.h"

namespace tavik::abi {

namespace {

std::int32_t CallQso(QsoDataFn function, const QsoRecord& q) {
    const char* u = q.raw.unusedText;
    const COleDateTime* other = q.raw.otherDates;
    return function(q.ownCallLogged, q.call, q.raw.noTime ? nullptr : &q.time, other, other,
                    other, 0, q.frequencyHz, q.mode, q.rstSent, q.rstReceived, q.exchangeSent,
                    q.exchangeReceived, u, u, u, u, u, u, u, u, u, q.countryPrefix, 0, 0, 0, 0.0,
                    0.0, u, u, u, q.band, u);
}

}  // namespace

std::int32_t ResetStats(const PluginFunctions& plugin, const RunSetup& run) {
    return plugin.resetStats0("", run.exportFlag, run.ownCall, &run.periodStart, &run.periodEnd,
                              "", "", "", "", "", "", "", "", "", run.ownCountryPrefix, 0, 0, 0,
                              0.0, 0.0, "", "", "");
}

std::int32_t Add(const PluginFunctions& plugin, const QsoRecord& qso) {
    return CallQso(plugin.addData0, qso);
}

std::int32_t Remove(const PluginFunctions& plugin, const QsoRecord& qso) {
    return CallQso(plugin.removeData0, qso);
}

std::int32_t CheckCall(const PluginFunctions& plugin, const char* call, const char* band,
                       const char* bandCheck, char* buffer27, char* buffer28,
                       const CallCheckRawArguments& raw) {
    const char* u = raw.unusedText;
    return plugin.checkCall0(call, raw.number2, raw.number3, raw.text4, u, u, u, u, u, u, u, u, u,
                             u, raw.number15, raw.number16, raw.number17, raw.number18,
                             raw.number19, u, u, u, u, u, band, bandCheck, buffer27, buffer28);
}

std::int32_t CheckCall(const PluginFunctions& plugin, const char* call, const char* band,
                       const char* bandCheck) {
    char buffer27[256] = {};
    char buffer28[256] = {};
    return CheckCall(plugin, call, band, bandCheck, buffer27, buffer28);
}

}  // namespace tavik::abi
