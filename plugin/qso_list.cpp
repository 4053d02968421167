#include "plugin/qso_list.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace tavik {

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
            const CInfo& record = slots_[entry.slot];
            if (record.call == call && record.band == band) return position;
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

bool QsoList::AppendUnlessDuplicate(CInfo record) {
    GrowIndexIfFull();
    const uint64_t hash = HashOf(record.call, record.band);
    const size_t position = Probe(hash, record.call, record.band);
    if (index_[position].slot != kNoSlot) return false;
    slots_.push_back(std::move(record));
    try {
        removed_.push_back(false);
    } catch (...) {
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
    EraseIndexEntry(position);
    removed_[slot] = true;
    slots_[slot] = CInfo{};  // release the record's storage now
    --live_;
    CompactIfSparse();
    return true;
}

void QsoList::CompactIfSparse() {
    const size_t holes = slots_.size() - live_;
    if (holes < 1024 || holes < live_) return;
    // Squeezing is optional: when memory runs out half way, the moved records go
    // back to their slots and the list stays as it was.
    std::vector<size_t> liveSlots;
    std::vector<size_t> newSlotOf;
    std::deque<CInfo> kept;
    try {
        newSlotOf.resize(slots_.size());
        liveSlots.reserve(live_);
        for (size_t slot = 0; slot < slots_.size(); ++slot)
            if (!removed_[slot]) liveSlots.push_back(slot);
        for (size_t slot : liveSlots) {
            newSlotOf[slot] = kept.size();
            kept.push_back(std::move(slots_[slot]));
        }
    } catch (...) {
        for (size_t i = 0; i < kept.size(); ++i) slots_[liveSlots[i]] = std::move(kept[i]);
        return;
    }
    slots_.swap(kept);
    removed_.resize(slots_.size());
    std::fill(removed_.begin(), removed_.end(), false);
    for (IndexEntry& entry : index_)
        if (entry.slot != kNoSlot) entry.slot = newSlotOf[entry.slot];
}

void QsoList::Clear() {
    // clear() rather than a swap with a new deque, which would allocate: emptying must
    // work when memory has run out.
    slots_.clear();
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
