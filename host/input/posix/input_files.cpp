#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <cerrno>
#include <cstdio>
#include <new>
#include <vector>

#include "host/input/source_file.h"
#include "host/input/file_signature.h"
#include "platform/system_message.h"

namespace tavik::host {

namespace {

constexpr std::size_t kPopulateLimit = std::size_t(64) << 20;

// A file cut short while it is mapped: touching a page past its new end raises
// SIGBUS. The handler puts a page of zeros in its place and marks the mapping, so
// the reading runs on over NULs and the owner learns that it cannot be trusted.
struct Guard {
    std::atomic<bool> taken{false};
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::size_t> size{0};
    std::atomic<bool> faulted{false};
};
constexpr std::size_t kGuards = 64;
Guard guards[kGuards];
struct sigaction previousBusAction;
std::once_flag busHandlerInstalled;

void OnBusError(int signal, siginfo_t* info, void* context) {
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (Guard& guard : guards) {
        const std::uintptr_t begin = guard.begin.load(std::memory_order_acquire);
        if (begin == 0 || address < begin || address - begin >= guard.size.load()) continue;
        const std::uintptr_t page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
        void* at = reinterpret_cast<void*>(address / page * page);
        if (mmap(at, page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) ==
            MAP_FAILED)
            break;
        guard.faulted.store(true);
        return;
    }
    // Not ours: as if no handler were there.
    if (previousBusAction.sa_flags & SA_SIGINFO) {
        if (previousBusAction.sa_sigaction) return previousBusAction.sa_sigaction(signal, info, context);
    } else if (previousBusAction.sa_handler != SIG_DFL && previousBusAction.sa_handler != SIG_IGN) {
        return previousBusAction.sa_handler(signal);
    }
    std::signal(signal, SIG_DFL);  // the access is made again and ends the process
}

Guard* TakeGuard(void* data, std::size_t size) {
    std::call_once(busHandlerInstalled, [] {
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        sigaction(SIGBUS, &action, &previousBusAction);
    });
    for (Guard& guard : guards) {
        if (guard.taken.exchange(true)) continue;
        guard.size.store(size);
        guard.faulted.store(false);
        guard.begin.store(reinterpret_cast<std::uintptr_t>(data), std::memory_order_release);
        return &guard;
    }
    return nullptr;
}

bool SameState(const struct stat& a, const struct stat& b) {
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

class MappedBytes : public InputBytes {
public:
    MappedBytes(int fd, const struct stat& opened, void* data, std::size_t size, Guard* guard)
        : fd_(fd), opened_(opened), data_(data), size_(size), guard_(guard) {}
    ~MappedBytes() override {
        guard_->begin.store(0, std::memory_order_release);
        munmap(data_, size_);
        guard_->taken.store(false);
        close(fd_);
    }
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
    bool HeldStill() const override {
        if (guard_->faulted.load()) return false;
        struct stat now;
        return fstat(fd_, &now) == 0 && SameState(now, opened_);
    }

private:
    int fd_;
    struct stat opened_;
    void* data_;
    std::size_t size_;
    Guard* guard_;
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
        ~Closer() {
            if (fd >= 0) close(fd);
        }
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
            Guard* guard = TakeGuard(data, size);
            if (guard) {
                madvise(data, size, whole ? MADV_SEQUENTIAL : MADV_RANDOM);
                closer.fd = -1;
                return std::make_unique<MappedBytes>(fd, status, data, size, guard);
            }
            munmap(data, size);  // unguarded, a shrinking file could end the process
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

}  // namespace tavik::host
