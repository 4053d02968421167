// Output files on a system where fopen imposes no sharing restriction anyway.
#include "platform/shared_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/file_access.h"

namespace tavik {

std::FILE* OpenSharedFile(const char* name, const char* mode) {
    if (name == nullptr || mode == nullptr) return nullptr;
    int flags = 0;
    switch (mode[0]) {
        case 'r': flags = O_RDONLY; break;
        case 'w': flags = O_WRONLY | O_CREAT | O_TRUNC; break;
        case 'a': flags = O_WRONLY | O_CREAT | O_APPEND; break;
        default: return nullptr;
    }
    if (std::strchr(mode, '+')) flags = (flags & ~O_WRONLY) | O_RDWR;
    // A named pipe or device standing in the working folder must not stall the host.
    const int fd = posix::OpenRegularFile(posix::NativePath(name), flags);
    if (fd < 0) return nullptr;
    std::FILE* file = fdopen(fd, mode);
    if (!file) close(fd);
    return file;
}

void CreateFileIfMissing(const char* name) {
    if (name == nullptr) return;
    const std::string path = posix::NativePath(name);
    struct stat info;
    if (stat(path.c_str(), &info) == 0 || errno != ENOENT) return;
    const int fd = posix::OpenRegularFile(path, O_WRONLY | O_CREAT | O_APPEND);
    if (fd >= 0) close(fd);
}

bool ReplaceFileContents(const char* name, const std::vector<std::string_view>& pieces,
                         std::string& failure) {
    if (!name || !*name) {
        failure = "no file name";
        return false;
    }
    return posix::ReplaceFile(posix::NativePath(name), pieces, failure);
}

}  // namespace tavik
