// The stand-in host's working mode, as the plugin's automation commands set it.
#pragma once

#include <string>
#include <vector>

#include "base/thread_safety.h"

namespace tavik::host {

struct ReceivedCommand {
    std::string text;
    bool carried = false;  // false: unknown, answered with an error
};

// Safe to use from the automation server's thread and the run's thread at once.
class HostMode {
public:
    // Carries out "<MODE:name>" or "<BAUDRATE:number>"; false for anything else,
    // which leaves the mode as it was.
    bool Carry(const std::string& command);

    // The commands received since the last call, in their order.
    std::vector<ReceivedCommand> TakeReceived();
    // Whether any command was carried out.
    bool Switched() const;
    // "QPSK31 at 63 baud"
    std::string Describe() const;

private:
    mutable Mutex mutex_;
    std::vector<ReceivedCommand> received_ TAVIK_GUARDED_BY(mutex_);
    // What the host works in before anyone switches it.
    std::string mode_ TAVIK_GUARDED_BY(mutex_) = "BPSK31";
    long baudRate_ TAVIK_GUARDED_BY(mutex_) = 31;
    bool switched_ TAVIK_GUARDED_BY(mutex_) = false;
};

}  // namespace tavik::host
