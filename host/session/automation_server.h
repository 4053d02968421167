// The automation object a running host offers under its program identifier,
// through which the plugin switches the host's mode.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "host/input/result.h"

namespace tavik::host {

constexpr const char* kHostProgId = "Qorv2.Application";

class AutomationServer {
public:
    // Gets the text of each SendHostCommand call; true answers success, false an
    // error. Linux calls it on the server's own thread, Windows inside the
    // caller's call on the thread that started the server.
    using CommandHandler = std::function<bool(const std::string& command)>;

    // Offers the object until destruction. Fails with the reason when it cannot:
    // no session bus, the name taken, the registration refused.
    static Result<std::unique_ptr<AutomationServer>> Start(const std::string& progId,
                                                           CommandHandler handler);

    virtual ~AutomationServer() = default;
};

}  // namespace tavik::host
