// Opening the plugin's output files by their bare relative names.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace tavik {

// fopen with no sharing restriction, so other programs may read and write the file
// meanwhile. A backslash in name separates folders on every platform. Only regular
// files are opened: a named pipe in their place must not block the caller.
std::FILE* OpenSharedFile(const char* name, const char* mode);

// Creates an empty file when none exists by that name; an existing one is not touched.
// Cheaper than opening for append when nothing is to be written.
void CreateFileIfMissing(const char* name);

// Replaces the file's whole content with the pieces, one after the other. They go to
// a temporary file beside it first, which is renamed into place, so a failure never
// destroys the old content; where the rename is refused because another program
// holds the file open, the file is rewritten in place. A symbolic link keeps
// pointing to the file, which gets the new content. On failure, failure says why.
bool ReplaceFileContents(const char* name, const std::vector<std::string_view>& pieces,
                         std::string& failure);

}  // namespace tavik
