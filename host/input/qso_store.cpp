#include "host/input/qso_store.h"

#include <limits>

#include "host/input/source_file.h"

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

QsoView QsoStore::Get(std::size_t index) const {
    const Record& record = records_[index];
    const char* base = arena_.empty() ? "" : arena_.data();
    auto text = [&](Text which) { return base + record.text[which]; };
    return QsoView{text(kCall),        text(kStationCall),      record.time,
                   record.frequencyHz, text(kMode),             text(kRstSent),
                   text(kRstReceived), text(kExchangeSent),     text(kExchangeReceived),
                   text(kBand)};
}

void QsoStore::Clear() {
    records_.clear();
    arena_.clear();
}

}  // namespace tavik::host
