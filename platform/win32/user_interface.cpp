// Message boxes owned by the host's window.
#include <windows.h>

#include "platform/user_interface.h"

namespace tavik {

WindowHandle FindOwnerWindow() {
    // The library has no main window of its own: the host's active window owns its
    // boxes and dialogs; a window active on another thread of the process does too.
    HWND active = GetActiveWindow();
    if (!active) {
        HWND foreground = GetForegroundWindow();
        DWORD process = 0;
        if (foreground && GetWindowThreadProcessId(foreground, &process) &&
            process == GetCurrentProcessId())
            active = foreground;
    }
    return active ? GetAncestor(active, GA_ROOT) : nullptr;
}

void ShowMessageBox(WindowHandle owner, const std::string& text, const char* caption,
                    unsigned style) {
    MessageBoxA(static_cast<HWND>(owner), text.c_str(), caption, style);
}

}  // namespace tavik
