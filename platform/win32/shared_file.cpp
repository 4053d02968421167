// Output files opened so that other programs may read and write them meanwhile.
#include <windows.h>

#include <share.h>

#include <algorithm>
#include <string>

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

namespace {

std::string SystemMessage(DWORD code) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length ? std::string(text, length) : "error " + std::to_string(code);
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    return message;
}

// Writes content to a new file (or over one, with truncate) shared for reading and writing.
bool WriteWhole(const std::string& path, DWORD disposition, const std::string& content,
                DWORD& error) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return false;
    }
    size_t done = 0;
    bool ok = true;
    while (ok && done < content.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1u << 20));
        ok = WriteFile(file, content.data() + done, chunk, &written, nullptr) && written == chunk;
        done += written;
    }
    if (ok) ok = FlushFileBuffers(file) != FALSE;
    if (!ok) error = GetLastError();
    if (!CloseHandle(file) && ok) {
        ok = false;
        error = GetLastError();
    }
    return ok;
}

}  // namespace

bool ReplaceFileContents(const char* name, const std::string& content, std::string& failure) {
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
    char temporary[MAX_PATH] = {};
    if (!GetTempFileNameA(folder.c_str(), "tvk", 0, temporary)) {
        failure = SystemMessage(GetLastError());
        return false;
    }
    DWORD error = 0;
    if (!WriteWhole(temporary, TRUNCATE_EXISTING, content, error)) {
        DeleteFileA(temporary);
        failure = SystemMessage(error);
        return false;
    }
    if (MoveFileExA(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    error = GetLastError();
    DeleteFileA(temporary);
    // Another program holding the log open refuses the rename; write over it then.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    const bool plainFile = attributes != INVALID_FILE_ATTRIBUTES &&
                           !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
    if ((error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED) && plainFile) {
        if (WriteWhole(path, TRUNCATE_EXISTING, content, error)) return true;
    }
    failure = SystemMessage(error);
    return false;
}

}  // namespace tavik
