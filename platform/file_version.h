// The fixed file version of an executable, from its version resource.
#pragma once

#include <cstdint>

namespace tavik {

struct FixedFileVersion {
    uint32_t fileVersionMs = 0;  // major in the high 16 bits, minor in the low
    uint32_t fileVersionLs = 0;  // build in the high 16 bits
};

// False when the file is missing, unreadable, not a PE file or has no version
// resource with a fixed file-version record. A backslash in fileName separates folders.
bool ReadFixedFileVersion(const char* fileName, FixedFileVersion& version);

}  // namespace tavik
