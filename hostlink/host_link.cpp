#include "hostlink/host_link.h"

#include "platform/automation.h"

namespace tavik {

void HostLink::SetHostMode() {
    // Once switched, later result requests leave the host alone: no lookup at all.
    if (hostModeSet_) return;
    AutomationAttempt attempt(kHostProgId);
    // Only what this attempt found is used; a kept object may belong to a host gone by now.
    std::shared_ptr<HostObject> host = attempt.RunningObject();
    if (!host) return;
    kept_ = host;
    // A failed command leaves the flag at 0, so the next result request tries again.
    if (host->SendHostCommand(kModeCommand) && host->SendHostCommand(kBaudRateCommand))
        hostModeSet_ = 1;
}

}  // namespace tavik
