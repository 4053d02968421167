// The accepted QSOs of the scoring run, in order of acceptance, at most one per
// callsign and band; and the distinct band texts of every QSO offered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
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
    static std::string KeyOf(std::string_view call, std::string_view band);
    void CompactIfSparse();

    // Removal leaves a hole so that taking a QSO back costs no shifting of the
    // records behind it; holes are squeezed out once they outnumber the records.
    std::deque<CInfo> slots_;
    std::vector<bool> removed_;
    std::unordered_map<std::string, size_t> slotByKey_;
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
