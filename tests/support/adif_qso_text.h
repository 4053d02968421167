// One ADIF record of a QSO on 20 m in QPSK63 on 2025-09-20, minute minutes after
// 12:00, the received number 1000 + minute; extra fields go before the end.
#pragma once

#include <cstdio>
#include <string>

namespace tavik::test {

inline std::string AdifQsoText(const std::string& call, int minute,
                               const std::string& extra = "") {
    char time[8];
    std::snprintf(time, sizeof time, "%02d%02d", 12 + minute / 60, minute % 60);
    return "<CALL:" + std::to_string(call.size()) + ">" + call +
           "<QSO_DATE:8>20250920<TIME_ON:4>" + time +
           "<MODE:3>PSK<SUBMODE:6>QPSK63<BAND:3>20M<STX_STRING:4>0001<SRX_STRING:4>" +
           std::to_string(1000 + minute) + extra + "<EOR>\n";
}

}  // namespace tavik::test
