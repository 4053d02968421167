#include "platform/posix/file_access.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/coalesced_write.h"

namespace tavik::posix {
namespace {

// Temporary files are named ".<file>.tavik-<pid>.XXXXXX", so that one whose
// process has gone can be recognised and removed.
constexpr std::string_view kTemporaryMark = ".tavik-";
// Room for the mark, the process id and mkstemp's six letters within a name.
constexpr size_t kMaxStemInTemporary = 128;

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

bool WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t n = write(fd, content.data(), content.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        content.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool WritePieces(int fd, const std::vector<std::string_view>& pieces) {
    return WriteCoalesced(pieces, [fd](std::string_view chunk) { return WriteAll(fd, chunk); });
}

// The process id of one of our temporary names, or 0 for any other name.
pid_t TemporaryOwner(std::string_view name) {
    const size_t mark = name.rfind(kTemporaryMark);
    if (name.empty() || name[0] != '.' || mark == std::string_view::npos) return 0;
    std::string_view rest = name.substr(mark + kTemporaryMark.size());
    const size_t dot = rest.find('.');
    if (dot == 0 || dot == std::string_view::npos || rest.size() - dot - 1 != 6) return 0;
    long pid = 0;
    for (char c : rest.substr(0, dot)) {
        if (c < '0' || c > '9' || pid > 1000000000L) return 0;
        pid = pid * 10 + (c - '0');
    }
    return static_cast<pid_t>(pid);
}

void RemoveStaleTemporaries(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    const pid_t self = getpid();
    while (const dirent* entry = readdir(dir)) {
        const pid_t owner = TemporaryOwner(entry->d_name);
        // A live process may be writing it right now.
        if (owner <= 0 || owner == self || kill(owner, 0) == 0 || errno != ESRCH) continue;
        unlinkat(dirfd(dir), entry->d_name, 0);
    }
    closedir(dir);
}

bool WriteInPlace(const std::string& path, const std::vector<std::string_view>& pieces,
                  std::string& failure) {
    const int fd = OpenRegularFile(path, O_WRONLY | O_TRUNC);
    bool ok = fd >= 0 && WritePieces(fd, pieces) && fsync(fd) == 0;
    int error = errno;
    if (fd >= 0 && close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) failure = std::strerror(error);
    return ok;
}

}  // namespace

std::string NativePath(const char* name) {
    std::string path(name ? name : "");
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

std::string FollowLinks(std::string path) {
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info;
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        char target[PATH_MAX];
        const ssize_t length = readlink(path.c_str(), target, sizeof target);
        if (length <= 0 || static_cast<size_t>(length) >= sizeof target) return path;
        std::string next(target, static_cast<size_t>(length));
        const size_t slash = path.rfind('/');
        if (next[0] != '/' && slash != std::string::npos) next = path.substr(0, slash + 1) + next;
        path = std::move(next);
    }
    return path;
}

int OpenRegularFile(const std::string& path, int flags, mode_t mode) {
    const int fd = open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, mode);
    if (fd < 0) return -1;
    struct stat info;
    const bool known = fstat(fd, &info) == 0;
    if (!known || !S_ISREG(info.st_mode)) {
        const int error = !known ? errno : S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        close(fd);
        errno = error;
        return -1;
    }
    // Blocking again for the writes themselves, which must not come back short.
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

ReadResult ReadRegularFile(const std::string& path, std::string& text, struct stat& info) {
    const int fd = OpenRegularFile(path, O_RDONLY);
    if (fd < 0) return errno == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
    text.clear();
    bool ok = fstat(fd, &info) == 0;
    char buffer[65536];
    while (ok) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return ok ? ReadResult::kRead : ReadResult::kFailed;
}

bool ReplaceFile(const std::string& requested, const std::vector<std::string_view>& pieces,
                 std::string& failure) {
    const std::string path = FollowLinks(requested);
    struct stat old;
    const bool exists = stat(path.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) {
        failure = std::strerror(errno);
        return false;
    }
    if (exists && !S_ISREG(old.st_mode)) {
        failure = S_ISDIR(old.st_mode) ? std::strerror(EISDIR) : "not a regular file";
        return false;
    }
    // A file without any write permission is read-only even to a privileged user.
    if (exists && ((old.st_mode & 0222) == 0 ||
                   faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)) {
        failure = "the file is read-only";
        return false;
    }

    const size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string stem = path.substr(slash == std::string::npos ? 0 : slash + 1);
    RemoveStaleTemporaries(folder);
    std::string temporary = folder + "/." + stem.substr(0, kMaxStemInTemporary) +
                            std::string(kTemporaryMark) + std::to_string(getpid()) + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        failure = std::strerror(errno);
        return false;
    }
    bool ok = fchmod(fd, exists ? old.st_mode & 07777 : 0666 & ~CurrentUmask()) == 0;
    if (ok && exists && (old.st_uid != geteuid() || old.st_gid != getegid())) {
        // Only possible with privileges; without them the file simply becomes ours.
        [[maybe_unused]] const int kept = fchown(fd, old.st_uid, old.st_gid);
    }
    ok = ok && WritePieces(fd, pieces) && fsync(fd) == 0;
    int error = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && rename(temporary.c_str(), path.c_str()) == 0) {
        // Make the rename itself survive a crash; the new content is complete either way.
        const int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folderFd >= 0) {
            fsync(folderFd);
            close(folderFd);
        }
        return true;
    }
    if (ok) error = errno;
    unlink(temporary.c_str());
    // Another program holding the file may refuse the rename; write over it then.
    if (ok && (error == EBUSY || error == ETXTBSY)) return WriteInPlace(path, pieces, failure);
    failure = std::strerror(error);
    return false;
}

}  // namespace tavik::posix
