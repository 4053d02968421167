// The fixed file version through the system's version functions.
#include <windows.h>

#include <vector>

#include "platform/file_version.h"

namespace tavik {

bool ReadFixedFileVersion(const char* fileName, FixedFileVersion& version) {
    if (fileName == nullptr) return false;
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
