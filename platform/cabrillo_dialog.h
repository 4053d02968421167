// Runs the Cabrillo header dialog (see cabrillo/dialog_layout.h) modally.
#pragma once

#include <map>
#include <string>

#include "platform/user_interface.h"

namespace tavik {

// Text of each edit and list, by control id.
using DialogTexts = std::map<int, std::string>;

constexpr int kDialogOk = 1;
constexpr int kDialogCancel = 2;
constexpr int kDialogNotCreated = -1;

// Shows the dialog with texts as start values (a missing id starts empty; a list
// selects the first item on screen that begins with its text, ignoring case, or else
// shows the text in its edit field). Returns 1 after OK, with texts then holding every
// control's whole text; 2 after Cancel, Escape or the close box; another value when
// the dialog cannot be created (on a system without windows: when standard input or
// output is not a terminal). moduleInstance is the library holding the template.
int RunCabrilloDialog(WindowHandle owner, void* moduleInstance, DialogTexts& texts);

}  // namespace tavik
