#include "checker/engine/interning.h"

#include <algorithm>
#include <bit>
#include <string>
#include <string_view>

namespace tavik::check {
namespace {

// Call texts to ids in order of first sight, so the ids and with them every
// later order are the same for any number of threads. Open addressing, and
// the texts compared in a copy of their own: those in the logs lie far apart.
class Interner {
public:
    Interner(std::vector<std::string_view>& texts, std::size_t expected) : texts_(texts) {
        Resize(std::max<std::size_t>(64, std::bit_ceil(2 * expected)));
        for (std::uint32_t id = 0; id < texts_.size(); ++id) {
            Place(Hash(texts_[id]), id);
            Keep(texts_[id]);
        }
    }
    std::uint32_t Id(std::string_view text) {
        const std::uint32_t hash = Hash(text);
        std::size_t slot = hash & mask_;
        for (; slots_[slot].id != kNoId; slot = (slot + 1) & mask_)
            if (slots_[slot].hash == hash && Kept(slots_[slot].id) == text)
                return slots_[slot].id;
        const auto id = static_cast<std::uint32_t>(texts_.size());
        texts_.push_back(text);
        Keep(text);
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
    void Keep(std::string_view text) {
        kept_.append(text);
        ends_.push_back(kept_.size());
    }
    std::string_view Kept(std::uint32_t id) const {
        const std::size_t start = id ? ends_[id - 1] : 0;
        return std::string_view(kept_).substr(start, ends_[id] - start);
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
    std::string kept_;
    std::vector<std::size_t> ends_;  // by id
};

// A contest has a handful of bands: the one of the last QSO is most often
// the next one's too.
class Bands {
public:
    explicit Bands(std::vector<std::string_view>& texts) : texts_(texts) {}
    std::uint32_t Id(std::string_view band) {
        if (last_ < texts_.size() && texts_[last_] == band) return last_;
        for (last_ = 0; last_ < texts_.size(); ++last_)
            if (texts_[last_] == band) return last_;
        texts_.push_back(band);
        return last_;
    }

private:
    std::vector<std::string_view>& texts_;
    std::uint32_t last_ = 0;
};

// A run of logs given ids of its own on one thread.
struct Part {
    std::size_t firstLog = 0;
    std::size_t lastLog = 0;
    std::vector<std::string_view> calls;  // by the part's own call id
    std::vector<std::string_view> bands;
};

void InternPart(const std::vector<EntrantLog>& logs, const std::vector<std::uint32_t>& station,
                const std::vector<std::size_t>& at, std::vector<IndexedQso>& taking, Part& part) {
    Interner calls(part.calls, (at[part.lastLog] - at[part.firstLog]) / 8);
    Bands bands(part.bands);
    std::size_t next = at[part.firstLog];
    for (std::size_t l = part.firstLog; l < part.lastLog; ++l) {
        const std::vector<LoggedQso>& qsos = logs[l].qsos;
        for (std::size_t q = 0; q < qsos.size(); ++q) {
            if (qsos[q].alone != Verdict::kOk) continue;
            taking[next++] = {station[l], calls.Id(qsos[q].call), bands.Id(qsos[q].band),
                              static_cast<std::uint32_t>(l), static_cast<std::uint32_t>(q),
                              qsos[q].minute};
        }
    }
}

}  // namespace

// Each part's new calls are given ids in the order of the parts, which is the
// order of first sight over all logs whatever the parts' bounds.
std::vector<IndexedQso> InternAll(const std::vector<EntrantLog>& logs, QsoIndex& index,
                                  Workers& workers) {
    const std::size_t n = logs.size();
    std::vector<std::size_t> at(n + 1, 0);
    workers.Run(n, n / 2, [&](unsigned, std::size_t first, std::size_t last) {
        for (std::size_t l = first; l < last; ++l)
            at[l + 1] = std::count_if(logs[l].qsos.begin(), logs[l].qsos.end(),
                                      [](const LoggedQso& q) { return q.alone == Verdict::kOk; });
    });
    for (std::size_t l = 0; l < n; ++l) at[l + 1] += at[l];
    Interner calls(index.calls, at[n] / 16 + n);
    std::vector<std::uint32_t> station(n);
    for (std::size_t l = 0; l < n; ++l) station[l] = calls.Id(logs[l].call);
    std::vector<IndexedQso> taking(at[n]);
    std::vector<Part> parts(std::min<std::size_t>(n, 4 * workers.Count()));
    for (std::size_t p = 0; p < parts.size(); ++p) {
        parts[p].firstLog = p * n / parts.size();
        parts[p].lastLog = (p + 1) * n / parts.size();
    }
    workers.Run(parts.size(), n - n / 2, [&](unsigned, std::size_t first, std::size_t last) {
        for (std::size_t p = first; p < last; ++p) InternPart(logs, station, at, taking, parts[p]);
    });
    std::vector<std::string_view> bandTexts;
    Bands bands(bandTexts);
    std::vector<std::vector<std::uint32_t>> callIds(parts.size()), bandIds(parts.size());
    for (std::size_t p = 0; p < parts.size(); ++p) {
        for (std::string_view call : parts[p].calls) callIds[p].push_back(calls.Id(call));
        for (std::string_view band : parts[p].bands) bandIds[p].push_back(bands.Id(band));
    }
    workers.Run(parts.size(), 0, [&](unsigned, std::size_t first, std::size_t last) {
        for (std::size_t p = first; p < last; ++p)
            for (std::size_t i = at[parts[p].firstLog]; i < at[parts[p].lastLog]; ++i) {
                taking[i].worked = callIds[p][taking[i].worked];
                taking[i].band = bandIds[p][taking[i].band];
            }
    });
    index.hasLog.assign(index.calls.size(), false);
    for (std::uint32_t id : station) index.hasLog[id] = true;
    return taking;
}

}  // namespace tavik::check
