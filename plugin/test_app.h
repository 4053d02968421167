// The library's application object: its one service is the owner window for
// message boxes and dialogs.
#pragma once

#include "platform/user_interface.h"

namespace tavik {

class CTestApp {
public:
    WindowHandle OwnerWindow() const { return FindOwnerWindow(); }
};

extern CTestApp theApp;

}  // namespace tavik
