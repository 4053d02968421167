// The version-resource reader on any bytes: it must stay inside them, and it
// writes the version only when it reports success.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/pe_version_resource.h"

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_pe_version: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    // An exact-size copy, so that any read past the end lands in the redzone.
    const std::vector<unsigned char> data(bytes, bytes + size);
    const tavik::FixedFileVersion marker{0xDEADBEEFu, 0xFEEDFACEu};
    tavik::FixedFileVersion version = marker;
    const bool found = tavik::FindFixedFileVersion(data.data(), data.size(), version);
    if (!found && (version.fileVersionMs != marker.fileVersionMs ||
                   version.fileVersionLs != marker.fileVersionLs))
        Fail("version written although none was found");

    // The same bytes give the same answer; cut short by one, they may give none
    // but must still be read within bounds.
    tavik::FixedFileVersion again = marker;
    if (tavik::FindFixedFileVersion(data.data(), data.size(), again) != found ||
        (found && std::memcmp(&again, &version, sizeof version) != 0))
        Fail("second reading differs");
    if (size > 0) {
        const std::vector<unsigned char> shorter(bytes, bytes + size - 1);
        tavik::FixedFileVersion cut = marker;
        tavik::FindFixedFileVersion(shorter.data(), shorter.size(), cut);
    }
    return 0;
}
