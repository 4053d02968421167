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
    // Sends the two mode commands when hostModeSet is 0 and the host is running;
    // sets hostModeSet to 1 once both went out. Nothing is shown, nothing thrown.
    void SetHostMode(int32_t& hostModeSet);

private:
    // The host object of the last successful lookup, kept until the library unloads.
    std::shared_ptr<HostObject> kept_;
};

HostLink& TheHostLink();

}  // namespace tavik
