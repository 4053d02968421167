#include "host/session/host_mode.h"

#include <string_view>

namespace tavik::host {

namespace {

// The value of "<NAME:value>", or nothing when command has another form.
bool ValueOf(std::string_view command, std::string_view name, std::string_view& value) {
    if (command.size() < name.size() + 3 || command.front() != '<' || command.back() != '>' ||
        command.substr(1, name.size()) != name || command[name.size() + 1] != ':')
        return false;
    value = command.substr(name.size() + 2, command.size() - name.size() - 3);
    return !value.empty();
}

bool AllOf(std::string_view text, bool (*fits)(char)) {
    for (char c : text)
        if (!fits(c)) return false;
    return true;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsModeChar(char c) { return IsDigit(c) || (c >= 'A' && c <= 'Z'); }

}  // namespace

bool HostMode::Carry(const std::string& command) {
    MutexLock lock(mutex_);
    std::string_view value;
    bool carried = false;
    if (ValueOf(command, "MODE", value) && value.size() <= 16 && AllOf(value, IsModeChar)) {
        mode_ = value;
        carried = true;
    } else if (ValueOf(command, "BAUDRATE", value) && value.size() <= 6 &&
               AllOf(value, IsDigit) && std::stol(std::string(value)) > 0) {
        baudRate_ = std::stol(std::string(value));
        carried = true;
    }
    switched_ = switched_ || carried;
    received_.push_back({command, carried});
    return carried;
}

std::vector<ReceivedCommand> HostMode::TakeReceived() {
    MutexLock lock(mutex_);
    std::vector<ReceivedCommand> taken;
    taken.swap(received_);
    return taken;
}

bool HostMode::Switched() const {
    MutexLock lock(mutex_);
    return switched_;
}

std::string HostMode::Describe() const {
    MutexLock lock(mutex_);
    return mode_ + " at " + std::to_string(baudRate_) + " baud";
}

}  // namespace tavik::host
