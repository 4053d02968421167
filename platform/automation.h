// Reaching the running host's automation object.
#pragma once

#include <memory>
#include <string>

namespace tavik {

// The host's automation object as one attempt obtained it.
class HostObject {
public:
    virtual ~HostObject() = default;
    // The host's method 16, SendHostCommand, with one text; false when the call failed
    // (rejected, host gone, no answer in time).
    virtual bool SendHostCommand(const std::string& command) = 0;
};

// One attempt to reach the running host. The constructor looks the program
// identifier up and then sets the system's automation up for this thread; the
// destructor tears that down again, once, whatever happened.
class AutomationAttempt {
public:
    explicit AutomationAttempt(const char* progId);
    ~AutomationAttempt();
    AutomationAttempt(const AutomationAttempt&) = delete;
    AutomationAttempt& operator=(const AutomationAttempt&) = delete;

    // The running object registered for the identifier, or null when it is not
    // registered, not running or not scriptable.
    std::shared_ptr<HostObject> RunningObject() const { return object_; }

private:
    std::shared_ptr<HostObject> object_;
    bool initialised_ = false;
};

}  // namespace tavik
