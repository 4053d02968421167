// Settings files in the Windows layout on a POSIX file system. The text rules live
// in profile_text.cpp; here the file is read whole and replaced in one step, so a
// crash or a full disk never leaves it cut short.
#include "platform/profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>

#include "platform/posix/file_access.h"
#include "platform/profile_text.h"

namespace tavik {
namespace {

// One read-modify-write at a time within the process, or two settings written
// together could lose one of them.
std::mutex gWriteMutex;

}  // namespace

std::string ReadProfileString(const char* section, const char* key, const char* defaultValue,
                              const char* fileName) {
    std::string text;
    struct stat info;
    if (section == nullptr || key == nullptr || fileName == nullptr ||
        posix::ReadRegularFile(posix::NativePath(fileName), text, info) !=
            posix::ReadResult::kRead) {
        text.clear();
    }
    return LookUpProfileValue(text, section, key, defaultValue);
}

bool WriteProfileStrings(const char* section, const std::vector<ProfileEntry>& entries,
                         const char* fileName) {
    if (section == nullptr || fileName == nullptr || *fileName == '\0') {
        return false;
    }
    std::lock_guard<std::mutex> lock(gWriteMutex);

    // Edit the file a link points to instead of replacing the link.
    const std::string path = posix::FollowLinks(posix::NativePath(fileName));
    std::string text;
    struct stat info;
    const posix::ReadResult state = posix::ReadRegularFile(path, text, info);
    if (state == posix::ReadResult::kFailed) {
        return false;
    }
    bool changed = false;
    for (const ProfileEntry& entry : entries) {
        std::string edited;
        if (EditProfileText(text, section, entry.key, entry.value, edited)) {
            text = std::move(edited);
            changed = true;
        }
    }
    // Even unchanged, a read-only file reports the failure, as the system does.
    std::string failure;
    if (!changed) {
        return state == posix::ReadResult::kMissing ||
               ((info.st_mode & 0222) != 0 &&
                faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0);
    }
    return posix::ReplaceFile(path, {text}, failure);
}

bool WriteProfileString(const char* section, const char* key, const char* value,
                        const char* fileName) {
    return WriteProfileStrings(section, {ProfileEntry{key, value}}, fileName);
}

}  // namespace tavik
