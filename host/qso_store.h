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
    std::size_t Bytes() const {
        return records_.capacity() * sizeof(Record) + arena_.capacity();
    }
    void Get(std::size_t index, Qso& qso) const;
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
