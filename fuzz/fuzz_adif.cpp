// The stand-in host's ADIF reader, and the mapping of each record to a QSO, on any
// bytes. Reading never stops: every record is mapped or named in a warning, every
// warning is placed, and every field handed out lies inside the text, at its own tag.
// With --strict the first problem is an InputError that names the file and line.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/input/adif_reader.h"
#include "host/input/qso_mapping.h"
#include "host/input/source_file.h"

using tavik::host::AdifField;
using tavik::host::AdifItem;
using tavik::host::AdifRecord;
using tavik::host::Diagnostics;
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

class Checker : public tavik::host::AdifHandler {
public:
    Checker(const SourceFile& source, Diagnostics& diagnostics)
        : source_(source), diagnostics_(diagnostics) {}

    void OnHeader(const AdifRecord& header) override {
        EXPECT(headers_ == 0 && records_ == 0, "header after a record or twice");
        ++headers_;
        CheckRecord(header);
    }

    void OnField(const AdifItem& item) override {
        EXPECT(item.offset < source_.text.size() && source_.text[item.offset] == '<',
               std::to_string(item.offset));
        EXPECT(fields_ == 0 || item.offset > lastOffset_, "fields out of order");
        lastOffset_ = item.offset;
        ++fields_;
        EXPECT(!item.name.empty() && Inside(item.name) && Inside(item.type) && Inside(item.data),
               std::string(item.name));
        EXPECT(item.name.data() == source_.text.data() + item.offset + 1, "name not at its tag");
        EXPECT(item.data.empty() || item.data.data() > item.name.data() + item.name.size(),
               "data before the end of its tag");
        EXPECT(item.field == tavik::host::ClassifyFieldName(item.name), std::string(item.name));
    }

    void OnRecord(const AdifRecord& record) override {
        EXPECT(headers_ == 1, "record before the header");
        EXPECT(!record.Empty(), "empty record handed out");
        ++records_;
        EXPECT(record.Number() == records_, std::to_string(record.Number()));
        CheckRecord(record);
        const size_t warnedBefore = diagnostics_.Warnings();
        tavik::host::Qso qso;
        if (tavik::host::MapQso(source_, record, qso, diagnostics_)) {
            ++mapped_;
            EXPECT(!qso.call.empty(), "");
            for (char c : qso.call) EXPECT(!(c >= 'a' && c <= 'z') && c != '\0', qso.call);
            EXPECT(std::isfinite(qso.time), std::to_string(qso.time));
        } else {
            EXPECT(diagnostics_.Warnings() > warnedBefore, "record skipped without a warning");
        }
    }

    int headers() const { return headers_; }
    size_t mapped() const { return mapped_; }
    size_t records() const { return records_; }

private:
    bool Inside(std::string_view part) const {
        const char* begin = source_.text.data();
        const char* end = begin + source_.text.size();
        return part.empty() || (part.data() >= begin && part.data() + part.size() <= end);
    }

    void CheckRecord(const AdifRecord& record) {
        for (int f = 1; f < static_cast<int>(AdifField::Count); ++f) {
            const AdifItem* item = record.Get(static_cast<AdifField>(f));
            if (item) {
                EXPECT(item->field == static_cast<AdifField>(f) && !item->data.empty(), "");
                EXPECT(record.Data(item->field) == item->data && Inside(item->data), "");
                EXPECT(item->offset >= record.Offset(), "");
            } else {
                EXPECT(record.Data(static_cast<AdifField>(f)).empty(), "");
            }
        }
    }

    const SourceFile& source_;
    Diagnostics& diagnostics_;
    int headers_ = 0;
    size_t records_ = 0;
    size_t mapped_ = 0;
    size_t fields_ = 0;
    size_t lastOffset_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const SourceFile source(kFileName, std::string(reinterpret_cast<const char*>(bytes), size));
    std::vector<std::string> lines;
    Diagnostics diagnostics([&lines](const std::string& line) { lines.push_back(line); });
    Checker checker(source, diagnostics);
    const tavik::host::AdifReadSummary summary =
        tavik::host::ReadAdif(source, checker, diagnostics);
    EXPECT(checker.headers() == 1, "the header was not reported once");
    // Every warning is printed, or counted in the one line on its kind at the end.
    diagnostics.Finish(source);
    size_t told = 0;
    const std::string counted = std::string("warning: ") + kFileName + ": ";
    for (const std::string& line : lines) {
        const size_t more = line.find(" more warnings like the one at byte offset ");
        if (more != std::string::npos && line.rfind(counted, 0) == 0) {
            told += std::stoul(line.substr(counted.size(), more - counted.size()));
            continue;
        }
        ++told;
        EXPECT(line.rfind(std::string("warning: ") + kFileName + ": line ", 0) == 0, line);
    }
    EXPECT(told == diagnostics.Warnings(), "");
    // A record not handed out (no <EOR>) is warned about too.
    EXPECT(summary.records >= checker.records() && summary.records <= checker.records() + 1, "");
    if (summary.records > checker.records()) EXPECT(!lines.empty(), "unended record unwarned");

    // Strict: the first problem stops the reading, placed; none, and it reads the same.
    Diagnostics strict({}, true);
    Checker strictChecker(source, strict);
    try {
        tavik::host::ReadAdif(source, strictChecker, strict);
        EXPECT(strictChecker.mapped() == checker.mapped(), "strict read differently");
    } catch (const InputError& error) {
        EXPECT(Placed(error.what()), error.what());
        EXPECT(!lines.empty(), "strict stopped where nothing was warned");
    }
    return 0;
}
