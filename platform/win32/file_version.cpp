// The fixed file version through the system's version functions.
#include <windows.h>

#include <vector>

#include "platform/file_version.h"

namespace tavik {

bool ReadFixedFileVersion(const char* name, FixedFileVersion& version) {
    if (name == nullptr || *name == '\0') return false;
    // A bare name would be searched like a library (the program's folder first); the
    // file meant is the one in the current folder.
    char fullPath[MAX_PATH * 4] = {};
    const DWORD pathLength = GetFullPathNameA(name, sizeof fullPath, fullPath, nullptr);
    if (pathLength == 0 || pathLength >= sizeof fullPath) return false;
    const char* fileName = fullPath;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(fileName, &ignored);
    if (size == 0) return false;
    std::vector<unsigned char> buffer(size);
    if (!GetFileVersionInfoA(fileName, 0, size, buffer.data())) return false;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(buffer.data(), "\\", &value, &length) || value == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        return false;
    }
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(value);
    if (info->dwSignature != 0xFEEF04BD) return false;
    version.fileVersionMs = info->dwFileVersionMS;
    version.fileVersionLs = info->dwFileVersionLS;
    return true;
}

}  // namespace tavik
