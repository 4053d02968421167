// The little user interface the plugin needs: an owner window and message boxes.
#pragma once

#include <string>

namespace tavik {

// Opaque window handle; null where the platform has no windows.
using WindowHandle = void*;

// The application's main window if there is one, else the active window of the process.
WindowHandle FindOwnerWindow();

// Style bits, as the platform's message box takes them.
constexpr unsigned kMessageBoxOk = 0x0;
constexpr unsigned kMessageBoxIconInformation = 0x40;

// Shows text modally and returns when the user has closed it. A null caption means
// the platform's default caption.
void ShowMessageBox(WindowHandle owner, const std::string& text, const char* caption,
                    unsigned style);

}  // namespace tavik
