// Message boxes owned by the host's window.
#include <windows.h>

#include "platform/user_interface.h"

namespace tavik {

WindowHandle FindOwnerWindow() {
    // The library has no main window of its own: the host's active window owns its boxes.
    return GetActiveWindow();
}

void ShowMessageBox(WindowHandle owner, const std::string& text, const char* caption,
                    unsigned style) {
    MessageBoxA(static_cast<HWND>(owner), text.c_str(), caption, style);
}

}  // namespace tavik
