// A modal dialog handed over as data: its controls with their kinds, boxes, list
// items, state and keyboard order. On Windows the controls come from a dialog
// template of the library's resources; on other systems it is a form in the terminal.
#pragma once

#include <array>
#include <map>
#include <span>
#include <string>

#include "platform/user_interface.h"

namespace tavik {

enum class ControlKind {
    kEdit,           // one line, scrolls horizontally as the user types
    kEditNoScroll,   // one line, input limited to what fits in the box
    kMultiLineEdit,  // vertical scroll bar, Enter starts a new line
    kDropDownList,   // drop-down list with an edit field
};

struct DialogControl {
    int id;
    const char* label;
    ControlKind kind;
    int x, y, width, height;  // dialog units
    bool sorted;              // lists only: items shown in alphabetical order
    bool enabled;             // a disabled control's label is disabled too
    bool tabStop;
    std::array<const char*, 8> items;  // lists only, in the order given; null ends
};

struct FormDescription {
    int templateId;       // of the dialog template in the library's resources
    const char* caption;
    int width, height;    // dialog units
    std::span<const DialogControl> controls;  // top to bottom as on screen
    std::span<const int> tabOrder;            // disabled ones are skipped when moving
    int initialFocus;
};

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
// output is not a terminal). The owner is disabled while the dialog is open; module
// is the library holding the template.
int RunFormDialog(const FormDescription& form, WindowHandle owner, void* module,
                  DialogTexts& texts);

}  // namespace tavik
