// Switches the running host to the contest's mode, once per loading of the library.
#pragma once

#include <cstdint>
#include <memory>

namespace tavik {

class HostObject;

constexpr const char* kHostProgId = "Qorv2.Application";
constexpr const char* kModeCommand = "<MODE:QPSK31>";
constexpr const char* kBaudRateCommand = "<BAUDRATE:63>";

class HostLink {
public:
    // Sends the two mode commands unless they went out since the library was
    // loaded and when the host is running. Nothing is shown, nothing thrown.
    void SetHostMode();

    // 1 once both commands went out; nothing resets it until the library unloads.
    int32_t HostModeSet() const { return hostModeSet_; }

private:
    int32_t hostModeSet_ = 0;
    // The host object of the last successful lookup, kept until the library unloads.
    std::shared_ptr<HostObject> kept_;
};

}  // namespace tavik
