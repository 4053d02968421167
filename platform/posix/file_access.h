// File access shared by the POSIX implementations of the platform layer: paths,
// opening only regular files, reading them whole, replacing them in one step.
#pragma once

#include <sys/stat.h>

#include <string>
#include <string_view>
#include <vector>

namespace tavik::posix {

// A file name as the plugin gives it ("Plugins\Tavik.ini") as a path of this system.
std::string NativePath(const char* name);

// The path once symbolic links at its end are followed, also a link to a file not
// yet there; a loop is left for the caller's open to report.
std::string FollowLinks(std::string path);

// Opens path without ever blocking (a named pipe or device would stall the host),
// and keeps it open only when it is a regular file. -1 with errno set otherwise.
int OpenRegularFile(const std::string& path, int flags, mode_t mode = 0666);

enum class ReadResult { kRead, kMissing, kFailed };
// The whole content of a regular file; info describes it after kRead.
ReadResult ReadRegularFile(const std::string& path, std::string& text, struct stat& info);

// Replaces the content of the file path names (through links, keeping its mode and,
// where allowed, its owner) with the pieces, in one step: they go to a temporary file
// beside it, which is renamed into place, so a crash or full disk leaves the old
// file. Temporary files left by a killed process are removed first. On failure,
// failure says why.
bool ReplaceFile(const std::string& path, const std::vector<std::string_view>& pieces,
                 std::string& failure);

}  // namespace tavik::posix
