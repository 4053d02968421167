// The fixed file version read straight from the PE file's bytes: no system
// function here knows about version resources.
#include "platform/file_version.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "platform/pe_version_resource.h"
#include "platform/posix/file_access.h"

namespace tavik {
namespace {

// Executables are far smaller; anything the version lies beyond is treated as
// having none rather than read whole.
constexpr off_t kMaxBytes = 64 * 1024 * 1024;

bool ReadPrefix(const std::string& path, std::vector<unsigned char>& bytes) {
    const int fd = posix::OpenRegularFile(path, O_RDONLY);
    if (fd < 0) return false;
    struct stat info;
    if (fstat(fd, &info) != 0) {
        close(fd);
        return false;
    }
    bytes.resize(static_cast<size_t>(std::min(info.st_size, kMaxBytes)));
    size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t n = read(fd, bytes.data() + filled, bytes.size() - filled);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            close(fd);
            return false;
        }
        if (n == 0) break;  // shrank since fstat
        filled += static_cast<size_t>(n);
    }
    close(fd);
    bytes.resize(filled);
    return true;
}

}  // namespace

bool ReadFixedFileVersion(const char* fileName, FixedFileVersion& version) {
    if (fileName == nullptr) return false;
    std::vector<unsigned char> bytes;
    return ReadPrefix(posix::NativePath(fileName), bytes) &&
           FindFixedFileVersion(bytes.data(), bytes.size(), version);
}

}  // namespace tavik
