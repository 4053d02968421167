// Opening the plugin's output files by their bare relative names.
#pragma once

#include <cstdio>

namespace tavik {

// fopen with no sharing restriction, so other programs may read and write the file
// meanwhile. A backslash in name separates folders on every platform.
std::FILE* OpenSharedFile(const char* name, const char* mode);

}  // namespace tavik
