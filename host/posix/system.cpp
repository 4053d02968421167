#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <new>
#include <vector>

#include "host/source_file.h"
#include "host/system.h"
#include "platform/system_message.h"

namespace tavik::host {

namespace {

constexpr std::size_t kPopulateLimit = std::size_t(64) << 20;

class MappedBytes : public InputBytes {
public:
    MappedBytes(void* data, std::size_t size) : data_(data), size_(size) {}
    ~MappedBytes() override { munmap(data_, size_); }
    std::string_view Bytes() const override {
        return {static_cast<const char*>(data_), size_};
    }
    void Release(std::size_t from, std::size_t upTo) override {
        // Whole pages only; the page cache keeps them, so touching them again is cheap.
        const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        from = (from + page - 1) / page * page;
        upTo = std::min(upTo, size_) / page * page;
        if (upTo > from)
            madvise(static_cast<char*>(data_) + from, upTo - from, MADV_DONTNEED);
    }

private:
    void* data_;
    std::size_t size_;
};

}  // namespace

std::unique_ptr<InputBytes> OpenInputBytes(const std::string& path, std::string& error,
                                           bool whole) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = errno == EISDIR ? "cannot read: it is a folder"
                                : "cannot open: " + SystemMessage(errno);
        return nullptr;
    }
    struct Closer {
        int fd;
        ~Closer() { close(fd); }
    } closer{fd};
    struct stat status;
    if (fstat(fd, &status) != 0) {
        error = "cannot read: " + SystemMessage(errno);
        return nullptr;
    }
    if (S_ISDIR(status.st_mode)) {
        error = "cannot read: it is a folder";
        return nullptr;
    }
    // A device never ends (/dev/zero) or waits for input that is no log.
    if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) {
        error = "cannot read: it is a device, not a file";
        return nullptr;
    }
    if (S_ISREG(status.st_mode) && status.st_size > 0) {
        const std::size_t size = static_cast<std::size_t>(status.st_size);
        // A small file is faulted in at once, which is cheaper than page by page; a
        // large one page by page, so that pages read can be given back.
        const int populate = whole && size <= kPopulateLimit ? MAP_POPULATE : 0;
        void* data = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | populate, fd, 0);
        if (data != MAP_FAILED) {
            madvise(data, size, whole ? MADV_SEQUENTIAL : MADV_RANDOM);
            return std::make_unique<MappedBytes>(data, size);
        }
    }
    // Pipes, files the system reports as empty (/proc) and files it cannot map.
    std::string text;
    try {
        std::vector<char> chunk(1 << 16);
        while (true) {
            const ssize_t got = read(fd, chunk.data(), chunk.size());
            if (got < 0) {
                if (errno == EINTR) continue;
                error = "cannot read: " + SystemMessage(errno);
                return nullptr;
            }
            if (got == 0) break;
            text.append(chunk.data(), static_cast<std::size_t>(got));
        }
    } catch (const std::exception&) {  // length_error or bad_alloc
        error = "cannot read: too large to hold in memory";
        return nullptr;
    }
    return std::make_unique<ReadBytes>(std::move(text));
}

std::optional<FileSignature> SignatureOf(const std::string& path) {
    struct stat status;
    if (stat(path.c_str(), &status) != 0) return std::nullopt;
    FileSignature signature;
    signature.regular = S_ISREG(status.st_mode);
    signature.device = static_cast<std::uint64_t>(status.st_dev);
    signature.file = static_cast<std::uint64_t>(status.st_ino);
    signature.size = static_cast<std::uint64_t>(status.st_size);
    signature.modified = static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000000000 +
                         status.st_mtim.tv_nsec;
    return signature;
}

std::string ExecutablePath() {
    std::vector<char> buffer(4096);
    while (true) {
        ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return {};
        if (static_cast<std::size_t>(length) < buffer.size())
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        buffer.resize(buffer.size() * 2);
    }
}

bool ErrorStreamIsTerminal() { return isatty(STDERR_FILENO) == 1; }

bool WriteToStandardOutput(const char* data, std::size_t size) {
    // Standard output is a byte stream here; a Windows build must switch it to binary
    // first so that the report's CR LF are not doubled.
    return std::fwrite(data, 1, size, stdout) == size && std::fflush(stdout) == 0;
}

bool WriteToStandardError(const char* data, std::size_t size) {
    return std::fwrite(data, 1, size, stderr) == size && std::fflush(stderr) == 0;
}

}  // namespace tavik::host
