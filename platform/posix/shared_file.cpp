// Output files on a system where fopen imposes no sharing restriction anyway.
#include "platform/shared_file.h"

#include <sys/stat.h>

#include <cerrno>
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

}  // namespace tavik
