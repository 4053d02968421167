// The stand-in host's ADIF reader, and the mapping of each record to a QSO, on any
// bytes. Malformed logs must end in an InputError that names the file and line;
// every field handed out must lie inside the text, at its own tag.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/adif_reader.h"
#include "host/qso_mapping.h"
#include "host/source_file.h"

using tavik::host::AdifField;
using tavik::host::AdifItem;
using tavik::host::AdifRecord;
using tavik::host::InputError;
using tavik::host::SourceFile;

namespace {

[[noreturn]] void Fail(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "fuzz_adif: %s %.300s\n", what, detail.c_str());
    std::abort();
}

#define EXPECT(condition, detail) \
    do {                          \
        if (!(condition)) Fail(#condition, detail); \
    } while (0)

const char* const kFileName = "fuzz.adi";

bool Placed(const std::string& message) {
    return message.rfind(std::string(kFileName) + ": line ", 0) == 0;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

class Checker : public tavik::host::AdifHandler {
public:
    explicit Checker(const SourceFile& source) : source_(source) {}

    void OnHeader(const AdifRecord& header) override {
        EXPECT(headers_ == 0 && records_ == 0, "header after a record or twice");
        ++headers_;
        CheckRecord(header);
    }

    void OnRecord(const AdifRecord& record) override {
        EXPECT(headers_ == 1, "record before the header");
        EXPECT(!record.Empty(), "empty record handed out");
        ++records_;
        CheckRecord(record);
        tavik::host::Qso qso;
        try {
            tavik::host::MapQso(source_, record, qso);
        } catch (const InputError& error) {
            EXPECT(Placed(error.what()), error.what());
            return;
        }
        EXPECT(!qso.call.empty(), "");
        for (char c : qso.call) EXPECT(!(c >= 'a' && c <= 'z'), qso.call);
        EXPECT(std::isfinite(qso.time), std::to_string(qso.time));
    }

    int headers() const { return headers_; }

private:
    bool Inside(std::string_view part) const {
        const char* begin = source_.text.data();
        const char* end = begin + source_.text.size();
        return part.empty() || (part.data() >= begin && part.data() + part.size() <= end);
    }

    void CheckRecord(const AdifRecord& record) {
        size_t previous = 0;
        const std::vector<AdifItem>& items = record.Items();
        for (size_t i = 0; i < items.size(); ++i) {
            const AdifItem& item = items[i];
            EXPECT(item.offset < source_.text.size() && source_.text[item.offset] == '<',
                   std::to_string(item.offset));
            EXPECT(i == 0 || item.offset > previous, "fields out of order");
            previous = item.offset;
            EXPECT(!item.name.empty() && Inside(item.name) && Inside(item.type) && Inside(item.data),
                   std::string(item.name));
            EXPECT(item.name.data() == source_.text.data() + item.offset + 1, "name not at its tag");
            EXPECT(item.data.empty() || item.data.data() > item.name.data() + item.name.size(),
                   "data before the end of its tag");
            EXPECT(item.field == tavik::host::ClassifyFieldName(item.name), std::string(item.name));
            // The last occurrence of a name wins.
            const AdifItem* found = record.Find(item.name);
            EXPECT(found != nullptr && SameName(found->name, item.name) && found >= &item,
                   std::string(item.name));
        }
        if (!items.empty()) EXPECT(record.Offset() == items.front().offset, "");
        for (int f = 1; f < static_cast<int>(AdifField::Count); ++f) {
            const AdifItem* item = record.Get(static_cast<AdifField>(f));
            if (item) {
                EXPECT(item->field == static_cast<AdifField>(f) && !item->data.empty(), "");
                EXPECT(record.Data(item->field) == item->data, "");
            } else {
                EXPECT(record.Data(static_cast<AdifField>(f)).empty(), "");
            }
        }
    }

    const SourceFile& source_;
    int headers_ = 0;
    size_t records_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const SourceFile source{kFileName, std::string(reinterpret_cast<const char*>(bytes), size)};
    Checker checker(source);
    std::vector<std::string> warnings;
    try {
        tavik::host::ReadAdif(source, checker, warnings);
    } catch (const InputError& error) {
        EXPECT(Placed(error.what()), error.what());
        return 0;
    }
    EXPECT(checker.headers() == 1, "the header was not reported once");
    for (const std::string& warning : warnings) EXPECT(Placed(warning), warning);
    return 0;
}
