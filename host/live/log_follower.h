// Waits for a log file to change, for keys on the terminal, or for a while.
#pragma once

#include <chrono>
#include <memory>
#include <string>

namespace tavik::host {

class LogFollower {
public:
    enum class Wake { kLog, kInput, kTimeout, kStop };

    // Follows the folder of path for changes of that file (inotify on Linux); where
    // the system tells nothing, the caller's looks after each timeout do the work.
    static std::unique_ptr<LogFollower> Start(const std::string& path);
    virtual ~LogFollower() = default;

    // inputDescriptor: a terminal to wait on as well, or -1. kStop after SIGINT or
    // SIGTERM. kInput also after a signal such as a terminal resize.
    virtual Wake Wait(int inputDescriptor, std::chrono::milliseconds timeout) = 0;
};

}  // namespace tavik::host
