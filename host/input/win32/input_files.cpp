#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <vector>

#include "host/input/source_file.h"
#include "host/input/file_signature.h"
#include "platform/system_message.h"

namespace tavik::host {

namespace {

// Size and time of last write, to tell whether the file changed since.
bool StateOf(HANDLE file, LARGE_INTEGER& size, FILETIME& written) {
    return GetFileSizeEx(file, &size) && GetFileTime(file, nullptr, nullptr, &written);
}

class MappedBytes : public InputBytes {
public:
    MappedBytes(HANDLE file, HANDLE mapping, const void* view, std::size_t size)
        : file_(file), mapping_(mapping), view_(view), size_(size) {
        StateOf(file_, openedSize_, openedWritten_);
    }
    ~MappedBytes() override {
        UnmapViewOfFile(view_);
        CloseHandle(mapping_);
        CloseHandle(file_);
    }
    std::string_view Bytes() const override { return {static_cast<const char*>(view_), size_}; }
    // The system refuses to cut a mapped file short, but it may be written to.
    bool HeldStill() const override {
        LARGE_INTEGER size;
        FILETIME written;
        return StateOf(file_, size, written) && size.QuadPart == openedSize_.QuadPart &&
               CompareFileTime(&written, &openedWritten_) == 0;
    }

private:
    HANDLE file_;
    LARGE_INTEGER openedSize_{};
    FILETIME openedWritten_{};
    HANDLE mapping_;
    const void* view_;
    std::size_t size_;
};

}  // namespace

std::unique_ptr<InputBytes> OpenInputBytes(const std::string& path, std::string& error,
                                           bool whole) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = "cannot read: it is a folder";
        return nullptr;
    }
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING,
                              whole ? FILE_FLAG_SEQUENTIAL_SCAN : FILE_FLAG_RANDOM_ACCESS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = "cannot open: " + SystemMessage(GetLastError());
        return nullptr;
    }
    struct Closer {
        HANDLE handle;
        ~Closer() {
            if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
        }
    } closer{file};
    const DWORD type = GetFileType(file);
    if (type == FILE_TYPE_CHAR) {
        error = "cannot read: it is a device, not a file";
        return nullptr;
    }
    if (type == FILE_TYPE_DISK) {
        LARGE_INTEGER size;
        if (GetFileSizeEx(file, &size) && size.QuadPart > 0) {
            if (static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX / 2) {
                error = "cannot read: too large to hold in memory";
                return nullptr;
            }
            HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
            if (mapping) {
                const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
                if (view) {
                    closer.handle = INVALID_HANDLE_VALUE;
                    return std::make_unique<MappedBytes>(
                        file, mapping, view, static_cast<std::size_t>(size.QuadPart));
                }
                CloseHandle(mapping);
            }
        }
    }
    // Pipes, and files the system will not map.
    std::string text;
    try {
        std::vector<char> chunk(1 << 16);
        while (true) {
            DWORD got = 0;
            if (!ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr)) {
                const DWORD code = GetLastError();
                if (code == ERROR_BROKEN_PIPE) break;  // the writer has finished
                error = "cannot read: " + SystemMessage(code);
                return nullptr;
            }
            if (got == 0) break;
            text.append(chunk.data(), got);
        }
    } catch (const std::exception&) {
        error = "cannot read: too large to hold in memory";
        return nullptr;
    }
    return std::make_unique<ReadBytes>(std::move(text));
}

std::optional<FileSignature> SignatureOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    FileSignature signature;
    signature.regular = !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    signature.size = (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    signature.modified = static_cast<std::int64_t>((std::uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                                   data.ftLastWriteTime.dwLowDateTime);
    // The file's identity, so that a log replaced by another file is told apart.
    HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION info;
        if (GetFileInformationByHandle(file, &info)) {
            signature.device = info.dwVolumeSerialNumber;
            signature.file = (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        }
        CloseHandle(file);
    }
    return signature;
}

}  // namespace tavik::host
