// Output files opened so that other programs may read and write them meanwhile.
#include <windows.h>

#include <share.h>

#include "platform/shared_file.h"

namespace tavik {

std::FILE* OpenSharedFile(const char* name, const char* mode) {
    if (!name || !mode) return nullptr;
    return _fsopen(name, mode, _SH_DENYNO);
}

void CreateFileIfMissing(const char* name) {
    if (!name) return;
    if (GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES) return;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) return;
    if (std::FILE* file = _fsopen(name, "ab", _SH_DENYNO)) std::fclose(file);
}

}  // namespace tavik
