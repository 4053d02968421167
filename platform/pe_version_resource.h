// The fixed file version found in the bytes of a PE file, without the system's help.
#pragma once

#include <cstddef>

#include "platform/file_version.h"

namespace tavik {

// Follows the headers, the section table and the resource tree to the version
// resource's fixed record. False for anything malformed; never reads outside
// data[0, size). version is written only on success.
bool FindFixedFileVersion(const unsigned char* data, size_t size, FixedFileVersion& version);

}  // namespace tavik
