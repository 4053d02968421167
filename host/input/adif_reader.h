// Reader for ADIF 3 logs in the tagged (.adi) form, as real programs write them:
// problems inside a record are warned about and read past, never fatal.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "host/input/source_file.h"

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

// The known fields of one record (or of the header), so that a record of any
// number of fields takes the same memory. Views point into the source text.
class AdifRecord {
public:
    void Clear();
    void Add(const AdifItem& item) {
        if (fieldCount_++ == 0) offset_ = item.offset;
        // An empty field means the value is absent, so it never hides an earlier one.
        if (item.field != AdifField::Other && !item.data.empty()) {
            const auto at = static_cast<std::size_t>(item.field);
            fields_[at] = item;
            present_ |= std::uint32_t(1) << at;
        }
    }

    bool Empty() const { return fieldCount_ == 0; }
    std::size_t FieldCount() const { return fieldCount_; }
    std::size_t Offset() const { return offset_; }
    // 1-based place among the file's records; 0 for the header.
    std::size_t Number() const { return number_; }
    void SetNumber(std::size_t number) { number_ = number; }

    // The last non-empty occurrence of a known field, or nullptr.
    const AdifItem* Get(AdifField field) const {
        const auto at = static_cast<std::size_t>(field);
        return (present_ >> at) & 1 ? &fields_[at] : nullptr;
    }
    std::string_view Data(AdifField field) const {
        const AdifItem* item = Get(field);
        return item ? item->data : std::string_view();
    }

private:
    std::array<AdifItem, static_cast<std::size_t>(AdifField::Count)> fields_{};
    std::uint32_t present_ = 0;
    std::size_t fieldCount_ = 0;
    std::size_t offset_ = 0;
    std::size_t number_ = 0;
};

class AdifHandler {
public:
    virtual ~AdifHandler() = default;
    // Called once, before the first record, also when the file has no header.
    virtual void OnHeader(const AdifRecord& header) { (void)header; }
    // Every field as it is read, header fields included.
    virtual void OnField(const AdifItem& item) { (void)item; }
    virtual void OnRecord(const AdifRecord& record) = 0;
};

struct AdifReadSummary {
    std::size_t records = 0;  // with at least one field, a last one without <EOR> included
    std::size_t tags = 0;     // fields and markers read; 0: no ADIF at all
};

// Where a reading can go on when the file grows: just past the last <EOR> read,
// after the header, with what the reading had counted and told by then.
struct AdifResumePoint {
    bool valid = false;
    std::size_t offset = 0;
    AdifReadSummary summary;
    std::set<std::string> warnedMarkers;
    std::size_t warnings = 0;  // told by the reading that left the point, up to it
};

// Scans the whole text. Problems go to diagnostics with their place (a strict
// Diagnostics throws InputError at the first); the reader resynchronises at the
// next tag. A last record without <EOR> is warned about and not handed out.
// With from (a point of an earlier reading of the same bytes), the reading starts
// there, counting on from its figures; with end, the last such point of this
// reading is left there.
AdifReadSummary ReadAdif(const SourceFile& source, AdifHandler& handler, Diagnostics& diagnostics,
                         const AdifResumePoint* from = nullptr, AdifResumePoint* end = nullptr);

// One of the parts of a large file read at once on two threads.
struct AdifPart {
    // Stop just past an <EOR> that ends here, where the next part begins; stopped
    // tells whether the reading did. npos: read to the end.
    std::size_t stopAt = std::string_view::npos;
    bool stopped = false;
    // Marker tags told of (names in upper case), each with the place of its warning
    // among what a keeping Diagnostics kept.
    std::map<std::string, std::size_t> markers;
};

// ReadAdif for a part: from as there (the start of a later part), no end point.
AdifReadSummary ReadAdifPart(const SourceFile& source, AdifHandler& handler,
                             Diagnostics& diagnostics, const AdifResumePoint* from,
                             AdifPart& part);

}  // namespace tavik::host
