// Reader for ADIF 3 logs in the tagged (.adi) form.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/source_file.h"

namespace tavik::host {

// The fields the stand-in host uses; every other name is Other.
enum class AdifField : std::uint8_t {
    Other,
    Call,
    QsoDate,
    TimeOn,
    Freq,
    Mode,
    Submode,
    RstSent,
    RstRcvd,
    StxString,
    SrxString,
    Stx,
    Srx,
    Band,
    StationCallsign,
    Operator,
    Count
};

// Case-insensitive match of a field name against the fields above.
AdifField ClassifyFieldName(std::string_view name);

struct AdifItem {
    std::string_view name;  // as written in the file
    std::string_view type;  // data type indicator, empty when absent
    std::string_view data;
    std::size_t offset = 0;  // of the field's '<'
    AdifField field = AdifField::Other;
};

// The fields of one record (or of the header). Views point into the source text.
class AdifRecord {
public:
    AdifRecord() { Clear(); }

    void Clear();
    void Add(const AdifItem& item);

    const std::vector<AdifItem>& Items() const { return items_; }
    bool Empty() const { return items_.empty(); }
    std::size_t Offset() const { return offset_; }

    // The last non-empty occurrence of a known field, or nullptr.
    const AdifItem* Get(AdifField field) const;
    std::string_view Data(AdifField field) const;
    // Any field by name, letter case ignored; the last occurrence wins.
    const AdifItem* Find(std::string_view name) const;

private:
    std::vector<AdifItem> items_;
    std::array<int, static_cast<std::size_t>(AdifField::Count)> index_{};
    std::size_t offset_ = 0;
};

class AdifHandler {
public:
    virtual ~AdifHandler() = default;
    // Called once, before the first record, also when the file has no header.
    virtual void OnHeader(const AdifRecord& header) { (void)header; }
    virtual void OnRecord(const AdifRecord& record) = 0;
};

// Scans the whole text. Throws InputError, placed in the file, for malformed
// tags and fields; a last record without <EOR> is left out and reported in
// warnings. Handlers may throw InputError themselves.
void ReadAdif(const SourceFile& source, AdifHandler& handler, std::vector<std::string>& warnings);

}  // namespace tavik::host
