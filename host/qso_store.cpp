#include "host/qso_store.h"

#include <limits>

#include "host/source_file.h"

namespace tavik::host {

std::uint32_t QsoStore::Append(const std::string& text) {
    if (text.empty()) return 0;  // offset 0 holds the shared empty text
    if (arena_.empty()) arena_.push_back('\0');
    std::size_t offset = arena_.size();
    if (offset + text.size() + 1 > std::numeric_limits<std::uint32_t>::max())
        throw InputError("the log is too large to keep in memory");
    arena_.append(text.data(), text.size() + 1);  // with the terminating NUL
    return static_cast<std::uint32_t>(offset);
}

void QsoStore::Add(const Qso& qso) {
    Record record;
    record.time = qso.time;
    record.frequencyHz = qso.frequencyHz;
    record.text[kCall] = Append(qso.call);
    record.text[kStationCall] = Append(qso.stationCall);
    record.text[kMode] = Append(qso.mode);
    record.text[kRstSent] = Append(qso.rstSent);
    record.text[kRstReceived] = Append(qso.rstReceived);
    record.text[kExchangeSent] = Append(qso.exchangeSent);
    record.text[kExchangeReceived] = Append(qso.exchangeReceived);
    record.text[kBand] = Append(qso.band);
    records_.push_back(record);
}

void QsoStore::Get(std::size_t index, Qso& qso) const {
    const Record& record = records_[index];
    const char* base = arena_.empty() ? "" : arena_.data();
    qso.call = base + record.text[kCall];
    qso.stationCall = base + record.text[kStationCall];
    qso.time = record.time;
    qso.frequencyHz = record.frequencyHz;
    qso.mode = base + record.text[kMode];
    qso.rstSent = base + record.text[kRstSent];
    qso.rstReceived = base + record.text[kRstReceived];
    qso.exchangeSent = base + record.text[kExchangeSent];
    qso.exchangeReceived = base + record.text[kExchangeReceived];
    qso.band = base + record.text[kBand];
}

void QsoStore::Release() {
    std::vector<Record>().swap(records_);
    std::string().swap(arena_);
}

}  // namespace tavik::host
