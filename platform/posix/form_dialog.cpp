// A dialog as a form in the terminal, for systems without windows: the model
// edits, the drawing shows it, this file sets the terminal's modes, reads the keys
// and hands them to the model as whole characters.
#include "platform/form_dialog.h"

#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/form_model.h"
#include "platform/posix/curses_screen.h"
#include "platform/posix/form_cells.h"
#include "platform/posix/form_drawing.h"

namespace tavik {
namespace {

using posix::CellText;
using posix::FormDrawing;

constexpr int kEscapeDelayMs = 25;  // Esc alone must close the form without a lag

struct KeyCode { int code; FormKey key; };

constexpr KeyCode kKeyCodes[] = {
    {'\t', FormKey::kTab},          {KEY_BTAB, FormKey::kBackTab},
    {'\r', FormKey::kEnter},        {'\n', FormKey::kEnter},
    {KEY_ENTER, FormKey::kEnter},   {KEY_BACKSPACE, FormKey::kBackspace},
    {8, FormKey::kBackspace},       {127, FormKey::kBackspace},
    {KEY_DC, FormKey::kDelete},     {KEY_LEFT, FormKey::kLeft},
    {KEY_RIGHT, FormKey::kRight},   {KEY_UP, FormKey::kUp},
    {KEY_DOWN, FormKey::kDown},     {KEY_HOME, FormKey::kHome},
    {KEY_END, FormKey::kEnd},       {KEY_PPAGE, FormKey::kPageUp},
    {KEY_NPAGE, FormKey::kPageDown}, {KEY_F(4), FormKey::kOpenList},
};

// The code curses gives a key that the terminal type names, like "kDN3" (Alt+Down).
int KeyCodeOf(const char* capability) {
    const char* sequence = tigetstr(capability);
    const bool named = sequence != nullptr && sequence != reinterpret_cast<const char*>(-1);
    const int code = named ? key_defined(sequence) : -1;
    return code > 0 ? code : -1;
}

class Form {
public:
    Form(FormModel& model, const FormDescription& shown, bool utf8)
        : model_(model), cells_(utf8), drawing_(model, shown, cells_) {}

    int Run() {
        raw();  // Ctrl+C and Ctrl+Z must not stop the host behind the form
        noecho();
        nonl();
        set_escdelay(kEscapeDelayMs);
        use_legacy_coding(1);  // bytes 0xA0-0xFF are characters, not M- sequences
        if (!drawing_.Open()) {
            return kDialogNotCreated;
        }
        pad_ = drawing_.Pad();
        // No meta(): it would switch the terminal's meta mode and leave it so; a
        // raw eight-bit tty passes bytes >= 0x80 anyway.
        keypad(pad_, TRUE);
        altDown_ = KeyCodeOf("kDN3");
        altUp_ = KeyCodeOf("kUP3");
        return Loop();
    }

private:
    int Loop() {
        for (;;) {
            drawing_.Draw();
            const int c = wgetch(pad_);
            if (c == ERR && errno != EINTR) {
                return kDialogCancel;  // the terminal is gone
            }
            if (c == KEY_RESIZE) {
                werase(stdscr);
                wnoutrefresh(stdscr);
                clearok(curscr, TRUE);
                continue;
            }
            const std::optional<FormKey> key = c == 27 ? AfterEscape() : KeyOf(c);
            if (key && !(*key == FormKey::kChar ? Type(Typed(c)) : Apply(*key))) {
                beep();
            }
            if (model_.Result() != 0) {
                return model_.Result();
            }
        }
    }

    std::optional<FormKey> KeyOf(int c) const {
        for (const KeyCode& known : kKeyCodes) {
            if (c == known.code) {
                return known.key;
            }
        }
        if (c > 0 && (c == altDown_ || c == altUp_)) {
            return c == altDown_ ? FormKey::kOpenList : FormKey::kCloseList;
        }
        if ((c >= 0x20 && c < 0x7F) || (c >= 0x80 && c <= 0xFF)) {
            return FormKey::kChar;
        }
        return std::nullopt;
    }

    // Esc alone, or Alt with a key: as ESC and the key, or as ESC [ 1 ; 3 B which
    // curses does not know for every terminal type.
    std::optional<FormKey> AfterEscape() {
        wtimeout(pad_, kEscapeDelayMs);
        const int next = wgetch(pad_);
        std::string sequence;
        if (next == '[' || next == 'O') {
            for (int c = wgetch(pad_); c != ERR; c = wgetch(pad_)) {
                sequence += static_cast<char>(c);
                if (c >= 0x40 && c <= 0x7E) {
                    break;
                }
            }
        } else if (next == 27) {
            ungetch(next);
        }
        wtimeout(pad_, -1);
        if (next == ERR || next == 27) {
            return FormKey::kEscape;
        }
        if (next == KEY_DOWN || sequence == "1;3B") {
            return FormKey::kOpenList;
        }
        if (next == KEY_UP || sequence == "1;3A") {
            return FormKey::kCloseList;
        }
        return std::nullopt;
    }

    // The bytes of one character as typed: the rest of a UTF-8 sequence comes
    // with its lead byte.
    std::string Typed(int c) {
        std::string bytes(1, static_cast<char>(c));
        const std::size_t length =
            cells_.Utf8() ? posix::Utf8Length(static_cast<unsigned>(c)) : 1;
        if (length <= 1) {
            return bytes;
        }
        wtimeout(pad_, kEscapeDelayMs);
        while (bytes.size() < length) {
            const int next = wgetch(pad_);
            if (next == ERR) {
                break;
            }
            if (next < 0x80 || next > 0xBF) {
                ungetch(next);
                break;
            }
            bytes += static_cast<char>(next);
        }
        wtimeout(pad_, -1);
        return bytes;
    }

    // A character goes in whole or not at all.
    bool Type(const std::string& bytes) {
        const FormField* field = model_.Focused();
        if (field != nullptr && !model_.ListOpen() && drawing_.Limited(*field)) {
            std::string line = field->lines[field->row];
            line.insert(field->column, bytes);
            if (cells_.Cells(line) > field->at.width) {
                return false;
            }
        }
        bool taken = true;
        for (const char byte : bytes) {
            taken = model_.Press(FormKey::kChar, byte) && taken;
        }
        return taken;
    }

    // The model steps bytes: a key that moves over or removes a character is given
    // to it once for each byte, and Up and Down keep the cursor's cell column.
    bool Apply(FormKey key) {
        const FormField* field = model_.Focused();
        std::size_t repeat = 1;
        std::optional<int> column;
        if (field != nullptr && !model_.ListOpen()) {
            const std::string& line = field->lines[field->row];
            const std::size_t at = field->column;
            switch (key) {
            case FormKey::kLeft:
            case FormKey::kBackspace:
                repeat = at > 0 ? at - cells_.GlyphStart(line, at) : 1;
                break;
            case FormKey::kRight:
            case FormKey::kDelete:
                repeat = at < line.size() ? cells_.GlyphAt(line, at).bytes : 1;
                break;
            case FormKey::kUp:
            case FormKey::kDown:
            case FormKey::kPageUp:
            case FormKey::kPageDown:
                if (field->IsMultiLine()) {
                    column = cells_.Cells(line, at);
                }
                break;
            default: break;
            }
        }
        const int focus = model_.Focus();
        bool taken = true;
        for (std::size_t i = 0; i < repeat; ++i) {
            taken = model_.Press(key) && taken;
        }
        if (column && model_.Focus() == focus) {
            ToCellColumn(*field, *column);
        }
        return taken;
    }

    // To the start of the character that covers the cell, or the line's end.
    void ToCellColumn(const FormField& field, int cells) {
        const std::size_t to = cells_.StartOfCell(field.lines[field.row], cells);
        for (std::size_t at = field.column; at > to; --at) {
            model_.Press(FormKey::kLeft);
        }
        for (std::size_t at = field.column; at < to; ++at) {
            model_.Press(FormKey::kRight);
        }
    }

    FormModel& model_;
    const CellText cells_;
    FormDrawing drawing_;
    WINDOW* pad_ = nullptr;
    int altDown_ = -1, altUp_ = -1;
};

}  // namespace

int RunFormDialog(const FormDescription& description, WindowHandle /*owner*/, void* /*module*/,
                  DialogTexts& texts) {
    if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO) || description.controls.empty()) {
        return kDialogNotCreated;
    }
    // The model limits a box by bytes; the view limits it by cells instead.
    std::vector<DialogControl> controls(description.controls.begin(), description.controls.end());
    for (DialogControl& control : controls) {
        if (control.kind == ControlKind::kEditNoScroll) {
            control.kind = ControlKind::kEdit;
        }
    }
    FormDescription unlimited = description;
    unlimited.controls = controls;
    FormModel model(unlimited, texts);
    int result = kDialogNotCreated;
    {
        const posix::CharacterLocale locale;
        const posix::CursesScreen terminal;
        result = terminal.Ok() ? Form(model, description, locale.Utf8()).Run() : kDialogNotCreated;
    }
    if (result == kDialogOk) {
        model.Collect(texts);
    }
    return result;
}

}  // namespace tavik
