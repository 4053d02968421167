// Settings files in the Windows layout on a POSIX file system. The text rules live
// in profile_text.cpp; here the file is read whole and replaced in one step, so a
// crash or a full disk never leaves it cut short.
#include "platform/profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/profile_text.h"

namespace tavik {
namespace {

// One read-modify-write at a time within the process, or two settings written
// together could lose one of them.
std::mutex gWriteMutex;

std::string ToPath(const char* fileName) {
    std::string path(fileName);
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    return path;
}

enum class ReadResult { kRead, kMissing, kFailed };

// Only regular files count; opening without blocking keeps a named pipe from
// stalling the host.
ReadResult ReadWholeFile(const std::string& path, std::string& text, struct stat& info) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
    }
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return ReadResult::kFailed;
    }
    text.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            close(fd);
            return ReadResult::kFailed;
        }
        if (n == 0) {
            break;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return ReadResult::kRead;
}

mode_t CurrentUmask() {
    // The kernel reports it without the race of setting and restoring it.
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        while (std::fgets(line, sizeof line, status) != nullptr) {
            unsigned mask = 0;
            if (std::sscanf(line, "Umask: %o", &mask) == 1) {
                std::fclose(status);
                return static_cast<mode_t>(mask);
            }
        }
        std::fclose(status);
    }
    const mode_t mask = umask(077);
    umask(mask);
    return mask;
}

bool WriteAll(int fd, const std::string& content) {
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Writes content beside path and renames it over path. old describes the file
// being replaced, or is null for a new one.
bool ReplaceFile(const std::string& path, const std::string& content, const struct stat* old) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string temp = folder + "." + path.substr(folder.size()) + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        return false;
    }

    bool ok = fchmod(fd, old != nullptr ? old->st_mode & 07777 : 0666 & ~CurrentUmask()) == 0;
    if (ok && old != nullptr && (old->st_uid != geteuid() || old->st_gid != getegid())) {
        // Only possible with privileges; without them the file simply becomes ours.
        [[maybe_unused]] const int kept = fchown(fd, old->st_uid, old->st_gid);
    }
    ok = ok && WriteAll(fd, content) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }

    // Make the rename itself survive a crash; the new content is complete either way.
    const int folderFd =
        open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        fsync(folderFd);
        close(folderFd);
    }
    return true;
}

}  // namespace

std::string ReadProfileString(const char* section, const char* key, const char* defaultValue,
                              const char* fileName) {
    std::string text;
    struct stat info;
    if (section == nullptr || key == nullptr || fileName == nullptr ||
        ReadWholeFile(ToPath(fileName), text, info) != ReadResult::kRead) {
        text.clear();
    }
    return LookUpProfileValue(text, section, key, defaultValue);
}

bool WriteProfileString(const char* section, const char* key, const char* value,
                        const char* fileName) {
    if (section == nullptr || fileName == nullptr || *fileName == '\0') {
        return false;
    }
    std::lock_guard<std::mutex> lock(gWriteMutex);

    std::string path = ToPath(fileName);
    // Edit the file a link points to instead of replacing the link.
    struct stat info;
    if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        char* resolved = realpath(path.c_str(), nullptr);
        if (resolved == nullptr) {
            return false;
        }
        path = resolved;
        std::free(resolved);
    }

    std::string text;
    const ReadResult state = ReadWholeFile(path, text, info);
    if (state == ReadResult::kFailed) {
        return false;
    }
    const bool exists = state == ReadResult::kRead;
    // A file without any write permission is read-only even to a privileged user,
    // as it is on Windows.
    if (exists && ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
                   faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)) {
        return false;
    }

    std::string edited;
    if (!EditProfileText(text, section, key, value, edited)) {
        return true;
    }
    return ReplaceFile(path, edited, exists ? &info : nullptr);
}

}  // namespace tavik
