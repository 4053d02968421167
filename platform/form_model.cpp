#include "platform/form_model.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "base/text.h"

namespace tavik {
namespace {

constexpr int kMultiLineRows = 3;
constexpr int kLabelColumn = 1;

bool BeginsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return prefix.size() <= text.size() &&
           EqualIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

std::ptrdiff_t Offset(std::size_t index) { return static_cast<std::ptrdiff_t>(index); }

void SetText(FormField& field, const std::string& text) {
    field.lines.clear();
    std::size_t from = 0;
    for (std::size_t at = text.find("\r\n"); field.IsMultiLine() && at != std::string::npos;
         at = text.find("\r\n", from)) {
        field.lines.push_back(text.substr(from, at - from));
        from = at + 2;
    }
    field.lines.push_back(text.substr(from));
    field.row = field.lines.size() - 1;
    field.column = field.lines[field.row].size();
}

int FirstItemBeginningWith(const FormField& field, std::string_view text) {
    for (std::size_t i = 0; i < field.items.size(); ++i) {
        if (BeginsWithIgnoringCase(field.items[i], text)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void Select(FormField& field, int index) {
    field.selected = index;
    SetText(field, field.items[static_cast<std::size_t>(index)]);
}

// Typing leaves the text as typed; the selection follows the start rule.
void Edited(FormField& field) {
    if (field.IsList()) {
        field.selected = FirstItemBeginningWith(field, field.lines[0]);
    }
}

bool Insert(FormField& field, char byte) {
    std::string& line = field.lines[field.row];
    if (field.control->kind == ControlKind::kEditNoScroll &&
        line.size() >= static_cast<std::size_t>(field.at.width)) {
        return false;
    }
    line.insert(field.column, 1, byte);
    ++field.column;
    Edited(field);
    return true;
}

void NewLine(FormField& field) {
    std::string rest = field.lines[field.row].substr(field.column);
    field.lines[field.row].erase(field.column);
    field.lines.insert(field.lines.begin() + Offset(field.row) + 1, rest);
    ++field.row;
    field.column = 0;
}

// Backspace at a line's start joins it to the line above, Delete at its end
// pulls up the line below.
void Backspace(FormField& field) {
    std::vector<std::string>& lines = field.lines;
    if (field.column > 0) {
        lines[field.row].erase(--field.column, 1);
    } else if (field.row > 0) {
        field.column = lines[field.row - 1].size();
        lines[field.row - 1] += lines[field.row];
        lines.erase(lines.begin() + Offset(field.row));
        --field.row;
    }
    Edited(field);
}

void Delete(FormField& field) {
    std::vector<std::string>& lines = field.lines;
    if (field.column < lines[field.row].size()) {
        lines[field.row].erase(field.column, 1);
    } else if (field.row + 1 < lines.size()) {
        lines[field.row] += lines[field.row + 1];
        lines.erase(lines.begin() + Offset(field.row) + 1);
    }
    Edited(field);
}

void Left(FormField& field) {
    if (field.column > 0) {
        --field.column;
    } else if (field.row > 0) {
        --field.row;
        field.column = field.lines[field.row].size();
    }
}

void Right(FormField& field) {
    if (field.column < field.lines[field.row].size()) {
        ++field.column;
    } else if (field.row + 1 < field.lines.size()) {
        ++field.row;
        field.column = 0;
    }
}

void ToLine(FormField& field, std::size_t to) {
    field.row = std::min(to, field.lines.size() - 1);
    field.column = std::min(field.column, field.lines[field.row].size());
}

// Scrolls so that the cursor is in view and as much text as fits is shown.
void Fit(FormField& field) {
    const std::size_t rows = static_cast<std::size_t>(field.at.height);
    const std::size_t maxTop = field.lines.size() > rows ? field.lines.size() - rows : 0;
    field.top = std::min(field.top, maxTop);
    if (field.row < field.top) {
        field.top = field.row;
    } else if (field.row >= field.top + rows) {
        field.top = field.row - rows + 1;
    }
    // An edit limited to its box may put the cursor just past the box.
    const std::size_t room = static_cast<std::size_t>(field.TextWidth()) +
                             (field.control->kind == ControlKind::kEditNoScroll ? 1 : 0);
    const std::size_t length = field.lines[field.row].size() + 1;
    field.left = std::min(field.left, length > room ? length - room : 0);
    if (field.column < field.left) {
        field.left = field.column;
    } else if (field.column >= field.left + room) {
        field.left = field.column - room + 1;
    }
}

}  // namespace

std::string FormField::Text() const {
    std::string text = lines[0];
    for (std::size_t i = 1; i < lines.size(); ++i) {
        text += "\r\n";
        text += lines[i];
    }
    return text;
}

// Fields go in rows in the order given, a control on the row of the one before
// to the right of it; lists and start texts as RunFormDialog describes them.
FormModel::FormModel(const FormDescription& form, const DialogTexts& texts)
    : form_(form), fields_(form.controls.size()) {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        FormField& field = fields_[i];
        const DialogControl& control = form.controls[i];
        field.control = &control;
        FormPlacement& at = field.at;
        const int label = static_cast<int>(std::string_view(control.label).size());
        at.column = FormCells(control.x);
        at.width = FormCells(control.x + control.width) - at.column;
        at.height = field.IsMultiLine() ? kMultiLineRows : 1;
        if (i > 0 && control.y == form.controls[i - 1].y) {
            const FormPlacement& before = fields_[i - 1].at;
            at.row = before.row;
            at.labelColumn = std::max(at.column - 1 - label, before.column + before.width + 1);
        } else {
            at.row = i > 0 ? fields_[i - 1].at.row + fields_[i - 1].at.height : kFormFirstFieldRow;
            at.labelColumn = kLabelColumn;
        }
        at.column = std::max(at.column, at.labelColumn + label + 1);
        width_ = std::max(width_, at.column + at.width + 1);
        buttonRow_ = at.row + at.height;

        const auto found = texts.find(control.id);
        field.start = found != texts.end() ? found->second : std::string();
        for (const char* item : control.items) {
            if (field.IsList() && item != nullptr) {
                field.items.emplace_back(item);
            }
        }
        if (control.sorted) {
            std::sort(field.items.begin(), field.items.end());
        }
        // An empty start text selects nothing, as on Windows, so an untouched list
        // gives back the empty text on both systems.
        const int match = field.start.empty() ? -1 : FirstItemBeginningWith(field, field.start);
        if (match >= 0) {
            Select(field, match);
        } else {
            SetText(field, field.start);
        }
        Fit(field);
    }
    focus_ = std::max(0, IndexOf(form.initialFocus));
}

bool FormModel::Press(FormKey key, char byte) {
    if (result_ != 0) {
        return true;
    }
    FormField* field = FocusedField();
    bool taken = true;
    if (listOpen_) {
        ListKey(*field, key);
    } else {
        switch (key) {
        case FormKey::kEnter:
            if (field != nullptr && field->IsMultiLine()) {
                NewLine(*field);
            } else {
                result_ = focus_ == CancelFocus() ? kDialogCancel : kDialogOk;
            }
            break;
        case FormKey::kEscape: result_ = kDialogCancel; break;
        case FormKey::kTab: focus_ = NextTabStop(+1); break;
        case FormKey::kBackTab: focus_ = NextTabStop(-1); break;
        // Up and Down walk the lines of a multi-line edit before they leave it.
        case FormKey::kUp:
            if (field != nullptr && field->IsMultiLine() && field->row > 0) {
                ToLine(*field, field->row - 1);
            } else {
                focus_ = Step(-1);
            }
            break;
        case FormKey::kDown:
            if (field != nullptr && field->IsMultiLine() && field->row + 1 < field->lines.size()) {
                ToLine(*field, field->row + 1);
            } else {
                focus_ = Step(+1);
            }
            break;
        case FormKey::kOpenList:
            if (field != nullptr && field->IsList()) {
                listOpen_ = true;
                highlight_ = field->selected;
            }
            break;
        default:
            if (field != nullptr) {
                taken = EditKey(*field, key, byte);
            } else if (key == FormKey::kLeft || key == FormKey::kRight) {
                focus_ = key == FormKey::kLeft ? OkFocus() : CancelFocus();
            }
            break;
        }
    }
    if (field != nullptr) {
        Fit(*field);
    }
    return taken;
}

bool FormModel::EditKey(FormField& field, FormKey key, char byte) {
    const std::size_t page = static_cast<std::size_t>(field.at.height);
    switch (key) {
    case FormKey::kChar: return Insert(field, byte);
    case FormKey::kBackspace: Backspace(field); break;
    case FormKey::kDelete: Delete(field); break;
    case FormKey::kLeft: Left(field); break;
    case FormKey::kRight: Right(field); break;
    case FormKey::kHome: field.column = 0; break;
    case FormKey::kEnd: field.column = field.lines[field.row].size(); break;
    case FormKey::kPageUp:
    case FormKey::kPageDown:
        if (field.IsList() && !field.items.empty()) {
            const int last = static_cast<int>(field.items.size()) - 1;
            const int step = key == FormKey::kPageUp ? -1 : +1;
            Select(field, field.selected < 0 ? 0 : std::clamp(field.selected + step, 0, last));
        } else if (field.IsMultiLine()) {
            ToLine(field, key == FormKey::kPageUp ? field.row - std::min(field.row, page)
                                                  : field.row + page);
        }
        break;
    default: break;
    }
    return true;
}

void FormModel::ListKey(FormField& field, FormKey key) {
    const int last = static_cast<int>(field.items.size()) - 1;
    switch (key) {
    case FormKey::kUp: highlight_ = std::max(0, highlight_ - 1); break;
    case FormKey::kDown: highlight_ = std::min(last, highlight_ + 1); break;
    case FormKey::kHome:
    case FormKey::kPageUp: highlight_ = 0; break;
    case FormKey::kEnd:
    case FormKey::kPageDown: highlight_ = last; break;
    case FormKey::kEnter:
    case FormKey::kOpenList:
    case FormKey::kCloseList:
        if (highlight_ >= 0 && highlight_ <= last) {
            Select(field, highlight_);
        }
        listOpen_ = false;
        break;
    case FormKey::kEscape: listOpen_ = false; break;
    default: break;
    }
}

// Up and Down visit every enabled field in screen order, then the buttons.
int FormModel::Step(int direction) const {
    if (focus_ >= OkFocus()) {
        if (direction > 0) {
            return CancelFocus();
        }
        if (focus_ == CancelFocus()) {
            return OkFocus();
        }
    }
    for (int i = focus_ + direction; i >= 0 && i < OkFocus(); i += direction) {
        if (Enabled(i)) {
            return i;
        }
    }
    return direction > 0 ? OkFocus() : focus_;
}

// From a control outside the tab order (or a button) Tab enters the order at
// its start and Shift+Tab at its end.
int FormModel::NextTabStop(int direction) const {
    const int count = static_cast<int>(form_.tabOrder.size());
    const FormField* field = Focused();
    int at = -1;
    for (int i = 0; i < count; ++i) {
        if (field != nullptr && form_.tabOrder[static_cast<std::size_t>(i)] == field->control->id) {
            at = i;
        }
    }
    if (at < 0) {
        at = direction > 0 ? count - 1 : 0;
    }
    for (int n = 1; n <= count; ++n) {
        const int i = ((at + direction * n) % count + count) % count;
        const int index = IndexOf(form_.tabOrder[static_cast<std::size_t>(i)]);
        if (index >= 0 && Enabled(index)) {
            return index;
        }
    }
    return focus_;
}

const FormField* FormModel::Focused() const {
    return focus_ < OkFocus() ? &fields_[static_cast<std::size_t>(focus_)] : nullptr;
}

FormField* FormModel::FocusedField() {
    return focus_ < OkFocus() ? &fields_[static_cast<std::size_t>(focus_)] : nullptr;
}

int FormModel::IndexOf(int id) const {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (form_.controls[i].id == id) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool FormModel::Enabled(int index) const {
    return index >= OkFocus() || form_.controls[static_cast<std::size_t>(index)].enabled;
}

void FormModel::Collect(DialogTexts& texts) const {
    for (const FormField& field : fields_) {
        texts[field.control->id] = field.control->enabled ? field.Text() : field.start;
    }
}

}  // namespace tavik
