#include "plugin/qso_list.h"

#include <algorithm>
#include <utility>

namespace tavik {

std::string QsoList::KeyOf(std::string_view call, std::string_view band) {
    // Texts from the host never hold a NUL, so it cannot be confused with content.
    std::string key;
    key.reserve(call.size() + band.size() + 1);
    key.append(call);
    key.push_back('\0');
    key.append(band);
    return key;
}

bool QsoList::Contains(std::string_view call, std::string_view band) const {
    return slotByKey_.count(KeyOf(call, band)) != 0;
}

bool QsoList::AppendUnlessDuplicate(CInfo record) {
    auto [it, inserted] = slotByKey_.emplace(KeyOf(record.call, record.band), slots_.size());
    if (!inserted) return false;
    try {
        slots_.push_back(std::move(record));
        removed_.push_back(false);
    } catch (...) {
        if (slots_.size() > removed_.size()) slots_.pop_back();
        slotByKey_.erase(it);
        throw;
    }
    ++live_;
    return true;
}

bool QsoList::Remove(std::string_view call, std::string_view band) {
    auto it = slotByKey_.find(KeyOf(call, band));
    if (it == slotByKey_.end()) return false;
    const size_t slot = it->second;
    slotByKey_.erase(it);
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
    for (auto& entry : slotByKey_) entry.second = newSlotOf[entry.second];
}

void QsoList::Clear() {
    std::deque<CInfo>().swap(slots_);
    std::vector<bool>().swap(removed_);
    std::unordered_map<std::string, size_t>().swap(slotByKey_);
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
