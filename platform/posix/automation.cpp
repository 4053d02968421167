// The host's automation object on the user's session bus: the running host owns
// the program identifier as its bus name and serves an object of the same name.
#include "platform/automation.h"

#include <systemd/sd-bus.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace tavik {

namespace {

constexpr std::chrono::microseconds kCallTimeout{1000000};

struct BusUnref {
    void operator()(sd_bus* bus) const { sd_bus_close_unref(bus); }
};
struct MessageUnref {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using BusPtr = std::unique_ptr<sd_bus, BusUnref>;
using MessagePtr = std::unique_ptr<sd_bus_message, MessageUnref>;

struct PendingCall {
    bool answered = false;
    sd_bus_message* reply = nullptr;  // a method return; errors are not kept
};

int KeepReply(sd_bus_message* reply, void* userdata, sd_bus_error* /*error*/) {
    auto* pending = static_cast<PendingCall*>(userdata);
    pending->answered = true;
    if (sd_bus_message_is_method_error(reply, nullptr) == 0)
        pending->reply = sd_bus_message_ref(reply);
    return 1;
}

// The method return of call, or null on an error reply, a lost connection or no
// answer in time. The waiting is done here against a deadline: the library's own
// blocking call waits without limit while the connection is still being set up.
MessagePtr CallWithin(sd_bus* bus, sd_bus_message* call) {
    using Clock = std::chrono::steady_clock;
    PendingCall pending;
    sd_bus_slot* slot = nullptr;
    if (sd_bus_call_async(bus, &slot, call, KeepReply, &pending,
                          static_cast<uint64_t>(kCallTimeout.count())) < 0)
        return nullptr;
    const Clock::time_point deadline = Clock::now() + kCallTimeout;
    while (!pending.answered) {
        const int processed = sd_bus_process(bus, nullptr);
        if (processed < 0) break;
        if (processed > 0) continue;
        const auto left =
            std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        const int waited = sd_bus_wait(bus, static_cast<uint64_t>(left.count()));
        if (waited < 0 && waited != -EINTR) break;
    }
    // Dropping the slot forgets the call, so a late reply finds no one waiting.
    sd_bus_slot_unref(slot);
    return MessagePtr(pending.reply);
}

MessagePtr NewMethodCall(sd_bus* bus, const char* destination, const char* path,
                         const char* interface, const char* member) {
    sd_bus_message* call = nullptr;
    if (sd_bus_message_new_method_call(bus, &call, destination, path, interface, member) < 0)
        return nullptr;
    return MessagePtr(call);
}

bool NameHasOwner(sd_bus* bus, const char* name) {
    MessagePtr call = NewMethodCall(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                    "org.freedesktop.DBus", "NameHasOwner");
    if (!call || sd_bus_message_append(call.get(), "s", name) < 0) return false;
    MessagePtr reply = CallWithin(bus, call.get());
    int owned = 0;
    return reply && sd_bus_message_read(reply.get(), "b", &owned) > 0 && owned != 0;
}

class BusHostObject final : public HostObject {
public:
    BusHostObject(BusPtr bus, std::string name)
        : bus_(std::move(bus)), name_(std::move(name)), path_(ObjectPath(name_)) {}

    bool SendHostCommand(const std::string& command) override {
        MessagePtr call = NewMethodCall(bus_.get(), name_.c_str(), path_.c_str(),
                                        name_.c_str(), "SendHostCommand");
        if (!call || sd_bus_message_append(call.get(), "s", command.c_str()) < 0) return false;
        return CallWithin(bus_.get(), call.get()) != nullptr;
    }

private:
    // "Qorv2.Application" serves its object at "/Qorv2/Application".
    static std::string ObjectPath(const std::string& name) {
        std::string path = "/" + name;
        for (char& c : path)
            if (c == '.') c = '/';
        return path;
    }

    BusPtr bus_;
    std::string name_;
    std::string path_;
};

}  // namespace

AutomationAttempt::AutomationAttempt(const char* progId) {
    const std::string name = progId;
    sd_bus* opened = nullptr;
    // No session bus means no host to switch.
    if (sd_bus_open_user(&opened) < 0) return;
    BusPtr bus(opened);
    if (!NameHasOwner(bus.get(), name.c_str())) return;
    object_ = std::make_shared<BusHostObject>(std::move(bus), name);
}

// The connection belongs to the host object when one was found, and is closed
// with the unique pointer otherwise: nothing is left to tear down here.
AutomationAttempt::~AutomationAttempt() = default;

}  // namespace tavik
