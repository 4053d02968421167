#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <csignal>
#include <cerrno>
#include <cstring>
#include <string>

#include "host/live/log_follower.h"

namespace tavik::host {
namespace {

volatile std::sig_atomic_t gStop = 0;

void OnStopSignal(int) { gStop = 1; }

class InotifyFollower : public LogFollower {
public:
    explicit InotifyFollower(const std::string& path) {
        const std::size_t slash = path.rfind('/');
        name_ = slash == std::string::npos ? path : path.substr(slash + 1);
        const std::string folder =
            slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
        fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        // The folder, not the file: a log replaced by a new file (renamed over it,
        // deleted and written again) is still followed.
        if (fd_ >= 0 &&
            inotify_add_watch(fd_, folder.c_str(),
                              IN_MODIFY | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                                  IN_MOVED_TO | IN_ATTRIB) < 0) {
            close(fd_);
            fd_ = -1;
        }
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
    }
    ~InotifyFollower() override {
        if (fd_ >= 0) close(fd_);
    }

    Wake Wait(int input, std::chrono::milliseconds timeout) override {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {input, POLLIN, 0}};
        if (gStop) return Wake::kStop;
        const int ready = poll(fds, 2, static_cast<int>(timeout.count()));
        if (gStop) return Wake::kStop;
        if (ready < 0) return errno == EINTR && input >= 0 ? Wake::kInput : Wake::kTimeout;
        if (ready == 0) return Wake::kTimeout;
        if (fds[1].revents) return Wake::kInput;
        return OurFileChanged() ? Wake::kLog : Wake::kTimeout;
    }

private:
    bool OurFileChanged() {
        alignas(inotify_event) char buffer[8192];
        bool ours = false;
        for (;;) {
            const ssize_t got = read(fd_, buffer, sizeof buffer);
            if (got <= 0) break;
            for (char* at = buffer; at < buffer + got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                // Also when events were lost: better one look too many.
                if ((event->len && name_ == event->name) || (event->mask & IN_Q_OVERFLOW)) ours = true;
                at += sizeof(inotify_event) + event->len;
            }
        }
        return ours;
    }

    int fd_ = -1;
    std::string name_;
};

}  // namespace

std::unique_ptr<LogFollower> LogFollower::Start(const std::string& path) {
    return std::make_unique<InotifyFollower>(path);
}

}  // namespace tavik::host
