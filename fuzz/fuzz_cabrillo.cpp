// The stand-in host's log reading on any bytes read as a Cabrillo log (and, when the
// bytes do not start one, as whatever ReadLog takes them for). Reading never stops and
// never hangs: every QSO record is offered, or counted as an X-QSO line, or named in a
// warning; every warning is placed.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/input/log_reader.h"
#include "host/input/source_file.h"

using tavik::host::Diagnostics;
using tavik::host::InputError;
using tavik::host::SourceFile;

namespace {

[[noreturn]] void Fail(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "fuzz_cabrillo: %s %.300s\n", what, detail.c_str());
    std::abort();
}

#define EXPECT(condition, detail) \
    do {                          \
        if (!(condition)) Fail(#condition, detail); \
    } while (0)

const char* const kFileName = "fuzz.log";

struct Offered : tavik::host::QsoHandler {
    size_t count = 0;
    size_t lastRecord = 0;
    void OnQso(const tavik::host::Qso& qso, size_t, size_t record,
               tavik::host::Diagnostics&) override {
        ++count;
        EXPECT(record > lastRecord, std::to_string(record));
        lastRecord = record;
        EXPECT(std::isfinite(qso.time), "");
        for (const std::string* text : {&qso.call, &qso.stationCall, &qso.mode})
            for (char c : *text) EXPECT(c != '\0' && !(c >= 'a' && c <= 'z'), *text);
    }
};

void Check(const std::string& text) {
    const SourceFile source(kFileName, text);
    std::vector<std::string> lines;
    Diagnostics diagnostics([&lines](const std::string& line) { lines.push_back(line); });
    Offered offered;
    tavik::host::LogSummary summary;
    try {
        summary = tavik::host::ReadLog(source, offered, diagnostics);
    } catch (const InputError& error) {
        // Only a text with no log in it at all.
        EXPECT(!tavik::host::IsCabrilloLog(text), error.what());
        return;
    }
    for (const std::string& line : lines)
        EXPECT(line.rfind(std::string("warning: ") + kFileName + ": line ", 0) == 0, line);
    EXPECT(summary.records <= offered.count + summary.excluded + lines.size(),
           std::to_string(summary.records));
    EXPECT(offered.count + summary.excluded <= summary.records, "");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string text(reinterpret_cast<const char*>(bytes), size);
    Check(text);
    // The same lines after a START-OF-LOG:, so that most inputs are read as Cabrillo.
    Check("START-OF-LOG: 3.0\nCONTEST: CIS-QPSK63-DX\n" + text);
    return 0;
}
