// The mapped QSOs of a small log, kept compactly so that it is read only once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/qso_mapping.h"

namespace tavik::host {

// Texts live NUL-terminated in one arena.
class QsoStore {
public:
    void Add(const Qso& qso);
    std::size_t Size() const { return records_.size(); }
    std::size_t Bytes() const { return records_.size() * sizeof(Record) + arena_.size(); }
    // Room for about this many QSOs of a log of this size, so that the store does not
    // copy itself while it grows; room not used costs address space only.
    void Reserve(std::size_t logBytes, std::size_t budget);
    QsoView Get(std::size_t index) const;
    void Release();

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
