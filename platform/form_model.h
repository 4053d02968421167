// A form handed over as data, as state and behaviour without a screen: the terminal
// form draws it and feeds it keys. Texts are bytes, one byte one cell.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/form_dialog.h"

namespace tavik {

enum class FormKey {
    kChar, kTab, kBackTab, kUp, kDown, kLeft, kRight, kHome, kEnd, kPageUp, kPageDown,
    kBackspace, kDelete, kEnter, kEscape,
    kOpenList,   // F4 or Alt+Down; in an open list it takes the highlighted item
    kCloseList,  // Alt+Up: takes the highlighted item of an open list
};

// Dialog units to cells: a character cell is about four units wide.
constexpr int FormCells(int units) { return (units + 2) / 4; }

constexpr int kFormFirstFieldRow = 1;  // the caption takes row 0

// Where a field goes on the terminal, in cells.
struct FormPlacement {
    int row = 0;
    int labelColumn = 0;
    int column = 0;
    int width = 0;
    int height = 1;
};

// One edit or list: its text as lines (one unless multi-line), cursor and view.
struct FormField {
    const DialogControl* control = nullptr;
    FormPlacement at;
    std::string start;
    std::vector<std::string> lines{std::string()};
    std::size_t row = 0, column = 0;  // cursor
    std::size_t top = 0, left = 0;    // first line and byte shown
    std::vector<std::string> items;   // on-screen order
    int selected = -1;

    bool IsList() const { return control->kind == ControlKind::kDropDownList; }
    bool IsMultiLine() const { return control->kind == ControlKind::kMultiLineEdit; }
    // Lists keep their last cell for the arrow, multi-line edits for the scroll marks.
    int TextWidth() const { return IsList() || IsMultiLine() ? at.width - 1 : at.width; }
    // Lines joined with CR LF, as an edit control gives them.
    std::string Text() const;
};

class FormModel {
public:
    // A missing id starts empty; a list selects the first item on screen that begins
    // with its start text, ignoring case, or else shows the text as it is.
    FormModel(const FormDescription& form, const DialogTexts& texts);

    // byte is the character of kChar. False when the key was refused (a box that is
    // full), for the view to ring the bell. Keys after the form closed do nothing.
    bool Press(FormKey key, char byte = 0);

    const FormDescription& Description() const { return form_; }
    const std::vector<FormField>& Fields() const { return fields_; }
    // The index of the focused field, or OkFocus() or CancelFocus() for the buttons.
    int Focus() const { return focus_; }
    int OkFocus() const { return static_cast<int>(fields_.size()); }
    int CancelFocus() const { return OkFocus() + 1; }
    const FormField* Focused() const;
    int Width() const { return width_; }  // cells, a blank column right of the fields
    int ButtonRow() const { return buttonRow_; }
    bool ListOpen() const { return listOpen_; }
    int Highlight() const { return highlight_; }  // item marked in the open list, or -1
    // 0 while the form is open, then kDialogOk or kDialogCancel.
    int Result() const { return result_; }
    // Every control's text; disabled ones as they came.
    void Collect(DialogTexts& texts) const;

private:
    FormField* FocusedField();
    int IndexOf(int id) const;
    bool Enabled(int index) const;
    bool EditKey(FormField& field, FormKey key, char byte);
    void ListKey(FormField& field, FormKey key);
    int Step(int direction) const;
    int NextTabStop(int direction) const;

    const FormDescription& form_;
    std::vector<FormField> fields_;
    int focus_ = 0;
    bool listOpen_ = false;
    int highlight_ = -1;
    int result_ = 0;
    int width_ = 1;
    int buttonRow_ = kFormFirstFieldRow;
};

}  // namespace tavik
