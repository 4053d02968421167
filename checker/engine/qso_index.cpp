#include "checker/engine/qso_index.h"

#include <algorithm>
#include <bit>

namespace tavik::check {
namespace {

bool Before(const IndexedQso& x, const IndexedQso& y) {
    if (x.worked != y.worked) return x.worked < y.worked;
    if (x.band != y.band) return x.band < y.band;
    if (x.log != y.log) return x.log < y.log;
    return x.qso < y.qso;
}

// Call texts to ids in order of first sight, so the ids and with them every
// later order are the same for any number of threads. Open addressing: the
// calls of a million QSOs are looked up here one by one.
class Interner {
public:
    Interner(std::vector<std::string_view>& texts, std::size_t expected) : texts_(texts) {
        Resize(std::max<std::size_t>(64, std::bit_ceil(2 * expected)));
        for (std::uint32_t id = 0; id < texts_.size(); ++id) Place(Hash(texts_[id]), id);
    }
    std::uint32_t Id(std::string_view text) {
        const std::uint32_t hash = Hash(text);
        std::size_t slot = hash & mask_;
        for (; slots_[slot].id != kNoId; slot = (slot + 1) & mask_)
            if (slots_[slot].hash == hash && texts_[slots_[slot].id] == text)
                return slots_[slot].id;
        const auto id = static_cast<std::uint32_t>(texts_.size());
        texts_.push_back(text);
        slots_[slot] = {hash, id};
        if (2 * texts_.size() > slots_.size()) Grow();
        return id;
    }

private:
    struct Slot {
        std::uint32_t hash = 0;
        std::uint32_t id = kNoId;
    };
    static std::uint32_t Hash(std::string_view text) {
        std::uint64_t hash = 14695981039346656037ull;
        for (char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        return static_cast<std::uint32_t>(hash ^ (hash >> 32));
    }
    void Resize(std::size_t capacity) {
        slots_.assign(capacity, Slot{});
        mask_ = capacity - 1;
    }
    void Place(std::uint32_t hash, std::uint32_t id) {
        std::size_t slot = hash & mask_;
        while (slots_[slot].id != kNoId) slot = (slot + 1) & mask_;
        slots_[slot] = {hash, id};
    }
    void Grow() {
        std::vector<Slot> old;
        old.swap(slots_);
        Resize(2 * old.size());
        for (const Slot& s : old)
            if (s.id != kNoId) Place(s.hash, s.id);
    }

    std::vector<std::string_view>& texts_;
    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
};

// A contest has a handful of bands: the one of the last QSO is most often
// the next one's too.
class Bands {
public:
    std::uint32_t Id(std::string_view band) {
        if (last_ < texts_.size() && texts_[last_] == band) return last_;
        for (last_ = 0; last_ < texts_.size(); ++last_)
            if (texts_[last_] == band) return last_;
        texts_.push_back(band);
        return last_;
    }

private:
    std::vector<std::string_view> texts_;
    std::uint32_t last_ = 0;
};

// The interning is the one step that runs on the calling thread alone.
std::vector<IndexedQso> InternAll(const std::vector<EntrantLog>& logs, QsoIndex& index,
                                  Workers& workers) {
    std::size_t total = 0;
    for (const EntrantLog& log : logs) total += log.qsos.size();
    Interner calls(index.calls, total / 16 + logs.size());
    Bands bands;
    std::vector<std::uint32_t> station(logs.size());
    for (std::size_t l = 0; l < logs.size(); ++l) station[l] = calls.Id(logs[l].call);
    std::vector<IndexedQso> taking;
    taking.reserve(total);
    const std::size_t step = std::max<std::size_t>(1, logs.size() / 16);
    std::size_t reported = 0;
    for (std::size_t l = 0; l < logs.size(); ++l) {
        const std::vector<LoggedQso>& qsos = logs[l].qsos;
        for (std::size_t q = 0; q < qsos.size(); ++q) {
            if (qsos[q].alone != Verdict::kOk) continue;
            taking.push_back({station[l], calls.Id(qsos[q].call), bands.Id(qsos[q].band),
                              static_cast<std::uint32_t>(l), static_cast<std::uint32_t>(q),
                              qsos[q].minute});
        }
        if ((l + 1) % step == 0) {
            workers.Advance(step);
            reported += step;
        }
    }
    workers.Advance(logs.size() - reported);
    index.hasLog.assign(index.calls.size(), false);
    for (std::uint32_t id : station) index.hasLog[id] = true;
    return taking;
}

void CountNamers(QsoIndex& index, const std::vector<IndexedQso>& taking) {
    // taking is in log order, so a log naming a call again finds itself last.
    std::vector<std::uint32_t> lastLog(index.calls.size(), kNoId);
    index.namedBy.assign(index.calls.size(), 0);
    for (const IndexedQso& qso : taking) {
        if (lastLog[qso.worked] == qso.log) continue;
        lastLog[qso.worked] = qso.log;
        if (index.namedBy[qso.worked] < 2) ++index.namedBy[qso.worked];
    }
}

}  // namespace

std::pair<std::uint32_t, std::uint32_t> QsoIndex::Run(std::uint32_t station, std::uint32_t worked,
                                                      std::uint32_t band) const {
    auto first = qsos.begin() + begin[station];
    auto last = qsos.begin() + begin[station + 1];
    auto key = [](const IndexedQso& qso) { return std::pair(qso.worked, qso.band); };
    auto low = std::partition_point(first, last, [&](const IndexedQso& qso) {
        return key(qso) < std::pair(worked, band);
    });
    auto high = std::partition_point(low, last, [&](const IndexedQso& qso) {
        return key(qso) == std::pair(worked, band);
    });
    return {static_cast<std::uint32_t>(low - qsos.begin()),
            static_cast<std::uint32_t>(high - qsos.begin())};
}

std::uint32_t QsoIndex::RunEnd(std::uint32_t first) const {
    const std::uint32_t last = begin[qsos[first].station + 1];
    std::uint32_t end = first + 1;
    while (end < last && qsos[end].worked == qsos[first].worked &&
           qsos[end].band == qsos[first].band)
        ++end;
    return end;
}

QsoIndex BuildQsoIndex(const std::vector<EntrantLog>& logs, Workers& workers) {
    QsoIndex index;
    std::vector<IndexedQso> taking = InternAll(logs, index, workers);
    CountNamers(index, taking);
    // Placed by station in log order, then each station's QSOs sorted on a thread.
    index.begin.assign(index.calls.size() + 1, 0);
    for (const IndexedQso& qso : taking) ++index.begin[qso.station + 1];
    for (std::size_t i = 1; i < index.begin.size(); ++i) index.begin[i] += index.begin[i - 1];
    std::vector<std::uint32_t> next(index.begin.begin(), index.begin.end() - 1);
    index.qsos.resize(taking.size());
    for (const IndexedQso& qso : taking) index.qsos[next[qso.station]++] = qso;
    std::vector<IndexedQso>().swap(taking);
    workers.Run(index.calls.size(), logs.size(),
                [&](unsigned, std::size_t first, std::size_t last) {
                    for (std::size_t call = first; call < last; ++call)
                        std::sort(index.qsos.begin() + index.begin[call],
                                  index.qsos.begin() + index.begin[call + 1], Before);
                });
    return index;
}

}  // namespace tavik::check
