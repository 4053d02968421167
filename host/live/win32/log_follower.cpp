#include <windows.h>

#include <atomic>

#include "host/live/log_follower.h"

namespace tavik::host {
namespace {

std::atomic<bool> gStop{false};

BOOL WINAPI OnConsoleStop(DWORD) {
    gStop = true;
    return TRUE;
}

// No notifications here: the caller looks at the file after every timeout.
class PollingFollower : public LogFollower {
public:
    PollingFollower() { SetConsoleCtrlHandler(OnConsoleStop, TRUE); }
    Wake Wait(int, std::chrono::milliseconds timeout) override {
        for (auto left = timeout.count(); left > 0 && !gStop; left -= 50)
            Sleep(static_cast<DWORD>(left < 50 ? left : 50));
        return gStop ? Wake::kStop : Wake::kTimeout;
    }
};

}  // namespace

std::unique_ptr<LogFollower> LogFollower::Start(const std::string&) {
    return std::make_unique<PollingFollower>();
}

}  // namespace tavik::host
