// A log read in two halves at once tells exactly what one reading in order tells:
// the same problems in the same order with the same record numbers, the same QSOs,
// records and own call; also when the second half has more problems than are kept.
// Seeded with the corpus of fuzz_adif.
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

struct Offsets : tavik::host::QsoHandler {
    std::vector<size_t> offsets;
    void OnQso(const tavik::host::Qso&, size_t offset, size_t, Diagnostics&) override {
        offsets.push_back(offset);
    }
};

// What a reading of the whole log tells; keptMost 0: one reading, else in halves.
std::string Told(const SourceFile& source, size_t keptMost) {
    std::string told;
    Diagnostics diagnostics([&told](const std::string& line) { told += line + "\n"; });
    Offsets first, second;
    bool halved = false;
    try {
        const tavik::host::LogSummary summary =
            keptMost == 0 ? tavik::host::ReadLog(source, first, diagnostics)
                          : tavik::host::ReadLogInHalves(source, first, second, diagnostics,
                                                         halved, 0, keptMost);
        told += std::to_string(summary.records) + " records, own call " + summary.ownCall + "\n";
    } catch (const InputError& error) {
        told += error.what();
    }
    if (halved) first.offsets.insert(first.offsets.end(), second.offsets.begin(), second.offsets.end());
    for (size_t offset : first.offsets) told += std::to_string(offset) + " ";
    return told + std::to_string(diagnostics.Warnings());
}

void Expect(bool same, const char* what, const std::string& told) {
    if (same) return;
    std::fprintf(stderr, "fuzz_adif_halves: %s\n%.2000s\n", what, told.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const SourceFile source("fuzz.adi", std::string(reinterpret_cast<const char*>(bytes), size));
    const std::string one = Told(source, 0);
    Expect(Told(source, 1000) == one, "the halves told otherwise", one);
    Expect(Told(source, 1) == one, "the halves told otherwise after more than one problem", one);
    return 0;
}
