// Opening the plugin's output files by their bare relative names.
#pragma once

#include <cstdio>
#include <string>

namespace tavik {

// fopen with no sharing restriction, so other programs may read and write the file
// meanwhile. A backslash in name separates folders on every platform.
std::FILE* OpenSharedFile(const char* name, const char* mode);

// Creates an empty file when none exists by that name; an existing one is not touched.
// Cheaper than opening for append when nothing is to be written.
void CreateFileIfMissing(const char* name);

// Replaces the file's whole content. The text goes to a temporary file beside it
// first and is renamed into place, so a failure never destroys the old content;
// where the rename is refused because another program holds the file open, the file
// is rewritten in place. On failure, failure says why.
bool ReplaceFileContents(const char* name, const std::string& content, std::string& failure);

}  // namespace tavik
