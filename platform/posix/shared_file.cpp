// Output files on a system where fopen imposes no sharing restriction anyway.
#include "platform/shared_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace tavik {

namespace {

std::string NativePath(const char* name) {
    std::string path(name);
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    return path;
}

}  // namespace

std::FILE* OpenSharedFile(const char* name, const char* mode) {
    if (name == nullptr || mode == nullptr) {
        return nullptr;
    }
    return std::fopen(NativePath(name).c_str(), mode);
}

void CreateFileIfMissing(const char* name) {
    if (name == nullptr) return;
    const std::string path = NativePath(name);
    struct stat info;
    if (stat(path.c_str(), &info) == 0 || errno != ENOENT) return;
    if (std::FILE* file = std::fopen(path.c_str(), "ab")) std::fclose(file);
}

namespace {

bool WriteAllTo(int fd, const std::string& content) {
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t written = write(fd, content.data() + done, content.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = ENOSPC;
            return false;
        }
        done += static_cast<size_t>(written);
    }
    return true;
}

bool WriteInPlace(const std::string& path, const std::string& content, std::string& failure) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        failure = std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    const int writeError = errno;
    const bool closed = std::fclose(file) == 0;
    if (written && closed) return true;
    failure = std::strerror(written ? errno : writeError);
    return false;
}

}  // namespace

bool ReplaceFileContents(const char* name, const std::string& content, std::string& failure) {
    if (!name || !*name) {
        failure = "no file name";
        return false;
    }
    const std::string path = NativePath(name);
    struct stat old;
    const bool exists = stat(path.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) {
        failure = std::strerror(EISDIR);
        return false;
    }
    if (exists && (old.st_mode & 0222) == 0) {
        failure = "the file is read-only";
        return false;
    }
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    std::string temporary = folder + "/.tavik-write.XXXXXX";
    const int fd = mkstemp(&temporary[0]);
    if (fd < 0) {
        failure = std::strerror(errno);
        return false;
    }
    mode_t mode = 0;
    if (exists) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = fchmod(fd, mode) == 0 && WriteAllTo(fd, content) && fsync(fd) == 0;
    int error = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && rename(temporary.c_str(), path.c_str()) == 0) return true;
    if (ok) error = errno;
    unlink(temporary.c_str());
    // Another program holding the file may refuse the rename; write over it then.
    if (ok && (error == EBUSY || error == ETXTBSY)) return WriteInPlace(path, content, failure);
    failure = std::strerror(error);
    return false;
}

}  // namespace tavik
