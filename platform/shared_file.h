// Opening the plugin's output files by their bare relative names.
#pragma once

#include <cstdio>

namespace tavik {

// fopen with no sharing restriction, so other programs may read and write the file
// meanwhile. A backslash in name separates folders on every platform.
std::FILE* OpenSharedFile(const char* name, const char* mode);

// Creates an empty file when none exists by that name; an existing one is not touched.
// Cheaper than opening for append when nothing is to be written.
void CreateFileIfMissing(const char* name);

}  // namespace tavik
