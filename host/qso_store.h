// The mapped QSOs of a log, kept compactly for the run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/qso_mapping.h"

namespace tavik::host {

// Texts live NUL-terminated in one arena, so the plugin gets pointers
// without a copy per call.
class QsoStore {
public:
    struct Entry {
        const char* call;
        const char* stationCall;
        double time;
        std::uint32_t frequencyHz;
        const char* mode;
        const char* rstSent;
        const char* rstReceived;
        const char* exchangeSent;
        const char* exchangeReceived;
        const char* band;
    };

    void Add(const Qso& qso);
    std::size_t Size() const { return records_.size(); }
    Entry Get(std::size_t index) const;

private:
    enum Text { kCall, kStationCall, kMode, kRstSent, kRstReceived, kExchangeSent,
                kExchangeReceived, kBand, kTextCount };
    struct Record {
        double time;
        std::uint32_t frequencyHz;
        std::uint32_t text[kTextCount];  // arena offsets
    };

    std::uint32_t Append(const std::string& text);

    std::vector<Record> records_;
    std::string arena_;
};

}  // namespace tavik::host
