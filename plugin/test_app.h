// The library's application object: it knows the library's module and gives
// message boxes and dialogs their owner window.
#pragma once

#include "platform/user_interface.h"

namespace tavik {

class CTestApp {
public:
    // The module the library was loaded as (null where the system does not say).
    void Attach(void* moduleInstance) { moduleInstance_ = moduleInstance; }
    void* ModuleInstance() const { return moduleInstance_; }

    WindowHandle OwnerWindow() const { return FindOwnerWindow(); }

private:
    void* moduleInstance_ = nullptr;
};

extern CTestApp theApp;

}  // namespace tavik
