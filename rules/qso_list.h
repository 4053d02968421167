// The accepted QSOs of the scoring run, in order of acceptance, at most one per
// callsign and band; and the distinct band texts of every QSO offered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <unordered_map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "rules/cinfo.h"

namespace tavik {

// Hash for sets and maps of texts that are searched with a view.
struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

// What the result needs of one band's stored records that count (those with a
// call), kept up to date as records come and go, so that a result costs no walk
// over the whole list.
struct BandFigures {
    int64_t qsos = 0;
    int64_t cisQsos = 0;  // of them, worked stations with a CIS country prefix
    // Distinct control numbers received, each with the number of records holding it.
    std::unordered_map<std::string, int64_t, TextHash, std::equal_to<>> multipliers;
};

class QsoList {
public:
    // True when a record with exactly this call and band is stored.
    bool Contains(std::string_view call, std::string_view band) const;

    // Appends the record unless its call and band are already stored; true when stored.
    bool AppendUnlessDuplicate(const CInfo& record);

    // Removes the record with this call and band, if any; the others keep their order.
    bool Remove(std::string_view call, std::string_view band);

    void Clear();
    size_t Count() const { return live_; }

    // The figures of a band, or null when no record that counts is on it.
    const BandFigures* FiguresOf(std::string_view band) const;

    // Visits the records in list order. The record handed over is rebuilt for each
    // visit; it lives only until the visitor returns.
    template <typename Visitor>
    void ForEach(Visitor&& visit) const {
        CInfo record;
        for (size_t slot = 0; slot < slots_.size(); ++slot) {
            if (removed_[slot]) continue;
            Load(slots_[slot], record);
            visit(static_cast<const CInfo&>(record));
        }
    }

private:
    // A record's nine texts lie back to back in a block of text; the numbers are kept
    // inline. A million QSOs take a third of the memory of as many CInfo records.
    enum TextField { kCall, kCountryPrefix, kBand, kMode, kRstReceived, kRstSent,
                     kExchangeReceived, kExchangeSent, kMultiplier, kTextFields };
    struct StoredQso {
        const char* texts = nullptr;
        uint32_t lengths[kTextFields] = {};
        uint32_t frequencyKhz = 0;
        COleDateTime time{0.0, kDateTimeValid};
    };
    // Blocks of text that only grow, emptied as a whole.
    class TextBlocks {
    public:
        char* Allocate(size_t size);
        void Clear() noexcept;
        void Swap(TextBlocks& other) noexcept;

    private:
        std::vector<std::unique_ptr<char[]>> blocks_;
        size_t used_ = 0;
        size_t capacity_ = 0;
    };

    // Open-addressing index from (call, band) to a slot of slots_, linear probing;
    // it keeps only the hash and the slot, the texts stay in the records.
    struct IndexEntry {
        uint64_t hash = 0;
        size_t slot = kNoSlot;
    };
    static constexpr size_t kNoSlot = ~size_t{0};

    static std::string_view Text(const StoredQso& stored, TextField field);
    static void Load(const StoredQso& stored, CInfo& record);
    static StoredQso Store(const CInfo& record, TextBlocks& texts);
    static StoredQso Copy(const StoredQso& stored, TextBlocks& texts);
    static uint64_t HashOf(std::string_view call, std::string_view band);
    // The index position holding (call, band), or of the empty entry ending its probe.
    size_t Probe(uint64_t hash, std::string_view call, std::string_view band) const;
    void GrowIndexIfFull();
    void EraseIndexEntry(size_t position);
    void CompactIfSparse();
    // Adds (+1) or takes away (-1) a record's share of its band's figures.
    void Tally(std::string_view call, std::string_view countryPrefix, std::string_view band,
               std::string_view multiplier, int direction);

    // Removal leaves a hole so that taking a QSO back costs no shifting of the
    // records behind it; holes (and their texts) are squeezed out once they
    // outnumber the records.
    std::deque<StoredQso> slots_;
    std::vector<bool> removed_;
    std::vector<IndexEntry> index_;  // size is a power of two, at most 70% used
    TextBlocks texts_;
    std::unordered_map<std::string, BandFigures, TextHash, std::equal_to<>> figures_;
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
