// Output files opened so that other programs may read and write them meanwhile.
#include <windows.h>

#include <share.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/coalesced_write.h"
#include "platform/shared_file.h"
#include "platform/system_message.h"

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

namespace {

// Temporary files are named ".<file>.tavik-<pid>.<number>", so that one whose
// process has gone can be recognised and removed.
constexpr const char* kTemporaryMark = ".tavik-";

bool ProcessIsGone(DWORD pid) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!process) return GetLastError() == ERROR_INVALID_PARAMETER;
    const bool exited = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return exited;
}

void RemoveStaleTemporaries(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\.*.tavik-*.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName;
        const size_t mark = name.rfind(kTemporaryMark);
        if (mark == std::string::npos || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        char* end = nullptr;
        const unsigned long pid = std::strtoul(name.c_str() + mark + 7, &end, 10);
        if (pid == 0 || *end != '.' || pid == GetCurrentProcessId() || !ProcessIsGone(pid))
            continue;
        // A file still being written is held open and refuses deletion anyway.
        DeleteFileA((folder + "\\" + name).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// Writes the pieces to a file, created new or truncated, shared for reading and writing.
bool WriteWhole(const std::string& path, DWORD disposition,
                const std::vector<std::string_view>& pieces, DWORD& error) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return false;
    }
    bool ok = WriteCoalesced(pieces, [file](std::string_view piece) {
        while (!piece.empty()) {
            DWORD written = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(piece.size(), 1u << 20));
            if (!WriteFile(file, piece.data(), chunk, &written, nullptr) || written != chunk)
                return false;
            piece.remove_prefix(written);
        }
        return true;
    });
    if (ok) ok = FlushFileBuffers(file) != FALSE;
    if (!ok) error = GetLastError();
    if (!CloseHandle(file) && ok) {
        ok = false;
        error = GetLastError();
    }
    return ok;
}

}  // namespace

bool ReplaceFileContents(const char* name, const std::vector<std::string_view>& pieces,
                         std::string& failure) {
    if (!name || !*name) {
        failure = "no file name";
        return false;
    }
    const std::string path = name;
    // A read-only log stays as it is (not every version of the rename refuses it).
    const DWORD existing = GetFileAttributesA(path.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_READONLY)) {
        failure = SystemMessage(ERROR_ACCESS_DENIED);
        return false;
    }
    const size_t slash = path.find_last_of("\\/");
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string stem = path.substr(slash == std::string::npos ? 0 : slash + 1);
    RemoveStaleTemporaries(folder);
    std::string temporary;
    DWORD error = ERROR_FILE_EXISTS;
    for (unsigned attempt = 0; attempt < 100 && error == ERROR_FILE_EXISTS; ++attempt) {
        temporary = folder + "\\." + stem.substr(0, 128) + kTemporaryMark +
                    std::to_string(GetCurrentProcessId()) + "." +
                    std::to_string(GetTickCount() + attempt);
        error = 0;
        if (WriteWhole(temporary, CREATE_NEW, pieces, error)) break;
        if (error != ERROR_FILE_EXISTS) DeleteFileA(temporary.c_str());
    }
    if (error != 0) {
        failure = SystemMessage(error);
        return false;
    }
    if (MoveFileExA(temporary.c_str(), path.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    error = GetLastError();
    DeleteFileA(temporary.c_str());
    // Another program holding the log open refuses the rename; write over it then.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    const bool plainFile = attributes != INVALID_FILE_ATTRIBUTES &&
                           !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
    if ((error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED) && plainFile) {
        if (WriteWhole(path, TRUNCATE_EXISTING, pieces, error)) return true;
    }
    failure = SystemMessage(error);
    return false;
}

}  // namespace tavik
