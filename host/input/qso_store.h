// Mapped QSOs kept compactly, a batch at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/input/qso_mapping.h"

namespace tavik::host {

// Texts live NUL-terminated in one arena.
class QsoStore {
public:
    void Add(const Qso& qso);
    std::size_t Size() const { return records_.size(); }
    QsoView Get(std::size_t index) const;
    // Empties the store but keeps its memory for the next batch.
    void Clear();

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
