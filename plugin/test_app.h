// The library's application object: it gives message boxes and dialogs their
// owner window.
#pragma once

#include "platform/user_interface.h"

namespace tavik {

class CTestApp {
public:
    WindowHandle OwnerWindow() const { return FindOwnerWindow(); }
};

extern CTestApp theApp;

}  // namespace tavik
