#include "rules/qso_list.h"

#include "rules/cis_prefix.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <functional>
#include <utility>

namespace tavik {
namespace {

constexpr size_t kTextBlockSize = size_t{1} << 20;

}  // namespace

char* QsoList::TextBlocks::Allocate(size_t size) {
    if (blocks_.empty() || capacity_ - used_ < size) {
        // A text larger than a block gets a block of its own.
        const size_t capacity = std::max(size, kTextBlockSize);
        auto block = std::make_unique_for_overwrite<char[]>(capacity);
        blocks_.push_back(std::move(block));
        used_ = 0;
        capacity_ = capacity;
    }
    char* space = blocks_.back().get() + used_;
    used_ += size;
    return space;
}

void QsoList::TextBlocks::Clear() noexcept {
    std::vector<std::unique_ptr<char[]>>().swap(blocks_);
    used_ = capacity_ = 0;
}

void QsoList::TextBlocks::Swap(TextBlocks& other) noexcept {
    blocks_.swap(other.blocks_);
    std::swap(used_, other.used_);
    std::swap(capacity_, other.capacity_);
}

std::string_view QsoList::Text(const StoredQso& stored, TextField field) {
    size_t offset = 0;
    for (int i = 0; i < field; ++i) offset += stored.lengths[i];
    return std::string_view(stored.texts + offset, stored.lengths[field]);
}

void QsoList::Load(const StoredQso& stored, CInfo& record) {
    std::string* const fields[kTextFields] = {
        &record.call,     &record.countryPrefix,    &record.band,
        &record.mode,     &record.rstReceived,      &record.rstSent,
        &record.exchangeReceived, &record.exchangeSent, &record.multiplier};
    const char* text = stored.texts;
    for (int i = 0; i < kTextFields; ++i) {
        fields[i]->assign(text, stored.lengths[i]);
        text += stored.lengths[i];
    }
    record.frequencyKhz = stored.frequencyKhz;
    record.time = stored.time;
}

QsoList::StoredQso QsoList::Store(const CInfo& record, TextBlocks& texts) {
    const std::string* const fields[kTextFields] = {
        &record.call,     &record.countryPrefix,    &record.band,
        &record.mode,     &record.rstReceived,      &record.rstSent,
        &record.exchangeReceived, &record.exchangeSent, &record.multiplier};
    StoredQso stored;
    size_t total = 0;
    for (int i = 0; i < kTextFields; ++i) {
        // Texts come from the host as C strings, far below this.
        if (fields[i]->size() > UINT32_MAX) throw std::length_error("QSO text too long");
        stored.lengths[i] = static_cast<uint32_t>(fields[i]->size());
        total += fields[i]->size();
    }
    char* text = texts.Allocate(total);
    stored.texts = text;
    for (const std::string* field : fields) {
        std::memcpy(text, field->data(), field->size());
        text += field->size();
    }
    stored.frequencyKhz = record.frequencyKhz;
    stored.time = record.time;
    return stored;
}

QsoList::StoredQso QsoList::Copy(const StoredQso& stored, TextBlocks& texts) {
    StoredQso copy = stored;
    size_t total = 0;
    for (uint32_t length : stored.lengths) total += length;
    char* text = texts.Allocate(total);
    std::memcpy(text, stored.texts, total);
    copy.texts = text;
    return copy;
}

uint64_t QsoList::HashOf(std::string_view call, std::string_view band) {
    const uint64_t callHash = std::hash<std::string_view>{}(call);
    const uint64_t bandHash = std::hash<std::string_view>{}(band);
    return callHash ^ (bandHash + 0x9e3779b97f4a7c15ULL + (callHash << 6) + (callHash >> 2));
}

size_t QsoList::Probe(uint64_t hash, std::string_view call, std::string_view band) const {
    const size_t mask = index_.size() - 1;
    for (size_t position = hash & mask;; position = (position + 1) & mask) {
        const IndexEntry& entry = index_[position];
        if (entry.slot == kNoSlot) return position;
        if (entry.hash == hash) {
            const StoredQso& record = slots_[entry.slot];
            if (Text(record, kCall) == call && Text(record, kBand) == band) return position;
        }
    }
}

void QsoList::GrowIndexIfFull() {
    if (!index_.empty() && (live_ + 1) * 10 <= index_.size() * 7) return;
    std::vector<IndexEntry> grown(index_.empty() ? 64 : index_.size() * 2);
    const size_t mask = grown.size() - 1;
    for (const IndexEntry& entry : index_) {
        if (entry.slot == kNoSlot) continue;
        size_t position = entry.hash & mask;
        while (grown[position].slot != kNoSlot) position = (position + 1) & mask;
        grown[position] = entry;
    }
    index_.swap(grown);
}

void QsoList::EraseIndexEntry(size_t position) {
    // Backward-shift deletion keeps every probe chain unbroken without tombstones.
    const size_t mask = index_.size() - 1;
    size_t hole = position;
    for (size_t next = (hole + 1) & mask; index_[next].slot != kNoSlot; next = (next + 1) & mask) {
        const size_t home = index_[next].hash & mask;
        // Move the entry back unless its home lies cyclically in (hole, next].
        const bool homeBetween = hole <= next ? (hole < home && home <= next)
                                              : (hole < home || home <= next);
        if (!homeBetween) {
            index_[hole] = index_[next];
            hole = next;
        }
    }
    index_[hole] = IndexEntry{};
}

bool QsoList::Contains(std::string_view call, std::string_view band) const {
    if (index_.empty()) return false;
    return index_[Probe(HashOf(call, band), call, band)].slot != kNoSlot;
}

bool QsoList::AppendUnlessDuplicate(const CInfo& record) {
    GrowIndexIfFull();
    const uint64_t hash = HashOf(record.call, record.band);
    const size_t position = Probe(hash, record.call, record.band);
    if (index_[position].slot != kNoSlot) return false;
    // Should the push fail, the texts stored stay unused until the next squeeze.
    slots_.push_back(Store(record, texts_));
    try {
        removed_.push_back(false);
        Tally(record.call, record.countryPrefix, record.band, record.multiplier, +1);
    } catch (...) {
        if (removed_.size() == slots_.size()) removed_.pop_back();
        slots_.pop_back();
        throw;
    }
    index_[position] = IndexEntry{hash, slots_.size() - 1};
    ++live_;
    return true;
}

bool QsoList::Remove(std::string_view call, std::string_view band) {
    if (index_.empty()) return false;
    const size_t position = Probe(HashOf(call, band), call, band);
    const size_t slot = index_[position].slot;
    if (slot == kNoSlot) return false;
    const StoredQso& stored = slots_[slot];
    Tally(Text(stored, kCall), Text(stored, kCountryPrefix), Text(stored, kBand),
          Text(stored, kMultiplier), -1);
    EraseIndexEntry(position);
    removed_[slot] = true;
    --live_;
    CompactIfSparse();
    return true;
}

void QsoList::Tally(std::string_view call, std::string_view countryPrefix,
                    std::string_view band, std::string_view multiplier, int direction) {
    if (call.empty()) return;  // stored, but not counted
    auto found = figures_.find(band);
    if (found == figures_.end()) found = figures_.emplace(std::string(band), BandFigures()).first;
    BandFigures& figures = found->second;
    // The multiplier first: it is the step that may run out of memory, and nothing
    // may have changed then.
    if (!multiplier.empty()) {
        auto key = figures.multipliers.find(multiplier);
        if (key == figures.multipliers.end())
            key = figures.multipliers.emplace(std::string(multiplier), 0).first;
        if ((key->second += direction) == 0) figures.multipliers.erase(key);
    }
    figures.qsos += direction;
    if (IsCisPrefix(countryPrefix)) figures.cisQsos += direction;
    if (figures.qsos == 0) figures_.erase(found);
}

const BandFigures* QsoList::FiguresOf(std::string_view band) const {
    const auto found = figures_.find(band);
    return found == figures_.end() ? nullptr : &found->second;
}

void QsoList::CompactIfSparse() {
    const size_t holes = slots_.size() - live_;
    if (holes < 1024 || holes < live_) return;
    // Squeezing is optional: the kept records are copied, so when memory runs out
    // half way the list simply stays as it was.
    std::vector<size_t> newSlotOf;
    std::deque<StoredQso> kept;
    TextBlocks keptTexts;
    try {
        newSlotOf.resize(slots_.size());
        for (size_t slot = 0; slot < slots_.size(); ++slot) {
            if (removed_[slot]) continue;
            newSlotOf[slot] = kept.size();
            kept.push_back(Copy(slots_[slot], keptTexts));
        }
    } catch (...) {
        return;
    }
    slots_.swap(kept);
    texts_.Swap(keptTexts);
    removed_.resize(slots_.size());
    std::fill(removed_.begin(), removed_.end(), false);
    for (IndexEntry& entry : index_)
        if (entry.slot != kNoSlot) entry.slot = newSlotOf[entry.slot];
}

void QsoList::Clear() {
    // clear() rather than a swap with a new deque, which would allocate: emptying must
    // work when memory has run out.
    slots_.clear();
    texts_.Clear();
    figures_.clear();
    std::vector<bool>().swap(removed_);
    std::vector<IndexEntry>().swap(index_);
    live_ = 0;
}

void BandList::Add(std::string_view band) {
    std::string text(band);
    if (known_.count(text)) return;
    bands_.push_back(text);
    try {
        known_.insert(std::move(text));
    } catch (...) {
        bands_.pop_back();
        throw;
    }
}

void BandList::Clear() {
    std::vector<std::string>().swap(bands_);
    std::unordered_set<std::string>().swap(known_);
}

void BandList::Reorder(std::vector<std::string> bands) { bands_ = std::move(bands); }

}  // namespace tavik
