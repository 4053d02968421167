// The automation object on the user's session bus: the program identifier is the
// bus name, the object path and the interface. The bus is served on a thread of
// its own, because the plugin calls in while the run's thread waits for it.
#include "host/session/automation_server.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <systemd/sd-bus.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <thread>

namespace tavik::host {

namespace {

constexpr const char* kUnknownCommandError = "Qorv2.Application.Error.UnknownCommand";

std::string ObjectPath(const std::string& progId) {
    std::string path = "/" + progId;
    for (char& c : path)
        if (c == '.') c = '/';
    return path;
}

uint64_t MonotonicMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000u + static_cast<uint64_t>(now.tv_nsec) / 1000u;
}

class BusServer final : public AutomationServer {
public:
    explicit BusServer(CommandHandler handler) : handler_(std::move(handler)) {}

    ~BusServer() override {
        if (thread_.joinable()) {
            const uint64_t one = 1;
            // Fails only when the counter would overflow, and then the thread is woken anyway.
            [[maybe_unused]] const ssize_t written = write(wakeFd_, &one, sizeof one);
            thread_.join();
        }
        sd_bus_slot_unref(slot_);
        // Flushing sends any reply still queued; closing gives the name up.
        sd_bus_flush_close_unref(bus_);
        if (wakeFd_ >= 0) close(wakeFd_);
    }

    std::string Open(const std::string& progId) {
        int result = sd_bus_open_user(&bus_);
        // Neither DBUS_SESSION_BUS_ADDRESS nor XDG_RUNTIME_DIR gives an address.
        if (result == -ENOMEDIUM) return "no session bus";
        if (result < 0) return std::string("no session bus (") + std::strerror(-result) + ")";
        wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (wakeFd_ < 0) return std::string("eventfd: ") + std::strerror(errno);
        static const sd_bus_vtable vtable[] = {
            SD_BUS_VTABLE_START(0),
            SD_BUS_METHOD("SendHostCommand", "s", "", OnSendHostCommand,
                          SD_BUS_VTABLE_UNPRIVILEGED),
            SD_BUS_VTABLE_END};
        const std::string path = ObjectPath(progId);
        result = sd_bus_add_object_vtable(bus_, &slot_, path.c_str(), progId.c_str(), vtable, this);
        if (result < 0)
            return "cannot serve " + path + " on the session bus (" + std::strerror(-result) + ")";
        result = sd_bus_request_name(bus_, progId.c_str(), 0);
        if (result == -EEXIST) return "the name " + progId + " is taken on the session bus";
        if (result < 0)
            return "cannot own the name " + progId + " on the session bus (" +
                   std::strerror(-result) + ")";
        thread_ = std::thread([this] { Serve(); });
        return {};
    }

private:
    static int OnSendHostCommand(sd_bus_message* call, void* userdata, sd_bus_error* error) {
        const char* text = nullptr;
        const int read = sd_bus_message_read(call, "s", &text);
        if (read < 0) return read;
        bool carried = false;
        try {
            carried = static_cast<BusServer*>(userdata)->handler_(text);
        } catch (...) {
            return -ENOMEM;
        }
        if (!carried)
            return sd_bus_error_setf(error, kUnknownCommandError, "unknown host command %s", text);
        return sd_bus_reply_method_return(call, "");
    }

    void Serve() {
        for (;;) {
            int processed = 0;
            while ((processed = sd_bus_process(bus_, nullptr)) > 0) {
            }
            // The bus went away: nothing more can arrive.
            if (processed < 0) return;
            int timeoutMs = -1;
            uint64_t until = 0;
            if (sd_bus_get_timeout(bus_, &until) > 0 && until != UINT64_MAX) {
                const uint64_t now = MonotonicMicroseconds();
                timeoutMs = until > now ? static_cast<int>((until - now + 999) / 1000) : 0;
            }
            const int events = sd_bus_get_events(bus_);
            if (events < 0) return;
            pollfd watched[2] = {{sd_bus_get_fd(bus_), static_cast<short>(events), 0},
                                 {wakeFd_, POLLIN, 0}};
            if (poll(watched, 2, timeoutMs) < 0 && errno != EINTR) return;
            if (watched[1].revents != 0) return;
        }
    }

    CommandHandler handler_;
    sd_bus* bus_ = nullptr;
    sd_bus_slot* slot_ = nullptr;
    int wakeFd_ = -1;
    std::thread thread_;
};

}  // namespace

Result<std::unique_ptr<AutomationServer>> AutomationServer::Start(const std::string& progId,
                                                                  CommandHandler handler) {
    auto server = std::make_unique<BusServer>(std::move(handler));
    const std::string error = server->Open(progId);
    if (!error.empty()) return Failure{FailureKind::kOther, error};
    return std::unique_ptr<AutomationServer>(std::move(server));
}

}  // namespace tavik::host
