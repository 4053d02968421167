// The accepted QSOs of the scoring run, in order of acceptance, at most one per
// callsign and band; and the distinct band texts of every QSO offered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "plugin/cinfo.h"

namespace tavik {

class QsoList {
public:
    // True when a record with exactly this call and band is stored.
    bool Contains(std::string_view call, std::string_view band) const;

    // Appends the record unless its call and band are already stored; true when stored.
    bool AppendUnlessDuplicate(CInfo record);

    // Removes the record with this call and band, if any; the others keep their order.
    bool Remove(std::string_view call, std::string_view band);

    void Clear();
    size_t Count() const { return live_; }

    // Visits the records in list order.
    template <typename Visitor>
    void ForEach(Visitor&& visit) const {
        for (size_t slot = 0; slot < slots_.size(); ++slot)
            if (!removed_[slot]) visit(slots_[slot]);
    }

private:
    // Open-addressing index from (call, band) to a slot of slots_, linear probing;
    // it keeps only the hash and the slot, the texts stay in the records.
    struct IndexEntry {
        uint64_t hash = 0;
        size_t slot = kNoSlot;
    };
    static constexpr size_t kNoSlot = ~size_t{0};

    static uint64_t HashOf(std::string_view call, std::string_view band);
    // The index position holding (call, band), or of the empty entry ending its probe.
    size_t Probe(uint64_t hash, std::string_view call, std::string_view band) const;
    void GrowIndexIfFull();
    void EraseIndexEntry(size_t position);
    void CompactIfSparse();

    // Removal leaves a hole so that taking a QSO back costs no shifting of the
    // records behind it; holes are squeezed out once they outnumber the records.
    std::deque<CInfo> slots_;
    std::vector<bool> removed_;
    std::vector<IndexEntry> index_;  // size is a power of two, at most 70% used
    size_t live_ = 0;
};

class BandList {
public:
    // Appends the band unless an equal text is already listed.
    void Add(std::string_view band);
    void Clear();
    const std::vector<std::string>& Bands() const { return bands_; }
    // Reorders the list, keeping the same entries (the report sorts it in place).
    void Reorder(std::vector<std::string> bands);

private:
    std::vector<std::string> bands_;
    std::unordered_set<std::string> known_;
};

}  // namespace tavik
