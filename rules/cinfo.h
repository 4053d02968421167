// One accepted QSO, with value semantics: the list keeps its own copies.
#pragma once

#include <cstdint>
#include <string>

#include "base/date_time_record.h"

namespace tavik {

class CInfo {
public:
    std::string call;
    std::string countryPrefix;
    std::string band;
    std::string mode;
    std::string rstReceived;
    std::string rstSent;
    std::string exchangeReceived;
    std::string exchangeSent;
    std::string multiplier;  // second copy of the control number received
    uint32_t frequencyKhz = 0;
    COleDateTime time{0.0, kDateTimeValid};
};

}  // namespace tavik
