// A dialog as a form in the terminal, for systems without windows: the model
// edits, this file draws it with curses and hands it the keys.
// Texts are bytes in the host's code page: one byte is one cell, never decoded.
#include "platform/form_dialog.h"

#include "platform/posix/curses_screen.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "platform/form_model.h"

namespace tavik {
namespace {

constexpr int kEscapeDelayMs = 25;  // Esc alone must close the form without a lag
constexpr const char* kOkButton = "[ OK ]";
constexpr const char* kCancelButton = "[ CANCEL ]";
constexpr int kButtonGap = 4;

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

// Lone bytes >= 0x80 would be misread by a UTF-8 terminal and upset the layout.
bool TerminalIsUtf8() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            std::string lower(value);
            for (char& c : lower) {
                c = AsciiLower(c);
            }
            return lower.find("utf-8") != std::string::npos ||
                   lower.find("utf8") != std::string::npos;
        }
    }
    return false;
}

// The code curses gives a key that the terminal type names, like "kDN3" (Alt+Down).
int KeyCodeOf(const char* capability) {
    const char* sequence = tigetstr(capability);
    const bool named = sequence != nullptr && sequence != reinterpret_cast<const char*>(-1);
    const int code = named ? key_defined(sequence) : -1;
    return code > 0 ? code : -1;
}

class Form {
public:
    explicit Form(FormModel& model) : model_(model) { Layout(); }

    int Run() {
        raw();  // Ctrl+C and Ctrl+Z must not stop the host behind the form
        noecho();
        nonl();
        set_escdelay(kEscapeDelayMs);
        use_legacy_coding(1);  // bytes 0xA0-0xFF are characters, not M- sequences
        utf8_ = TerminalIsUtf8();
        if (has_colors() && start_color() == OK) {
            use_default_colors();  // the terminal's own colours around the fields
            init_pair(1, COLOR_WHITE, COLOR_BLUE);
            init_pair(2, COLOR_BLACK, COLOR_CYAN);
            fieldAttr_ = COLOR_PAIR(1);
            focusAttr_ = COLOR_PAIR(2);
        }
        pad_ = newpad(padRows_, width_);
        if (pad_ == nullptr) {
            return kDialogNotCreated;
        }
        // No meta(): it would switch the terminal's meta mode and leave it so; a
        // raw eight-bit tty passes bytes >= 0x80 anyway.
        keypad(pad_, TRUE);
        altDown_ = KeyCodeOf("kDN3");
        altUp_ = KeyCodeOf("kUP3");
        const int result = Loop();
        delwin(pad_);
        pad_ = nullptr;
        return result;
    }

private:
    // The pad holds the form and room for the longest list below its field.
    void Layout() {
        width_ = model_.Width();
        buttonRow_ = model_.ButtonRow();
        height_ = buttonRow_ + 1;
        padRows_ = height_;
        for (const FormField& field : model_.Fields()) {
            const int count = static_cast<int>(field.items.size());
            padRows_ = std::max(padRows_, field.IsList() ? field.at.row + count + 3 : 0);
        }
        const int ok = static_cast<int>(std::string_view(kOkButton).size());
        const int cancel = static_cast<int>(std::string_view(kCancelButton).size());
        okColumn_ = std::max(0, (width_ - ok - cancel - kButtonGap) / 2);
        cancelColumn_ = okColumn_ + ok + kButtonGap;
    }

    int Loop() {
        for (;;) {
            Draw();
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
            if (key && !model_.Press(*key, static_cast<char>(c))) {
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

    chtype Cell(unsigned char byte) const {
        if ((byte >= 0x20 && byte < 0x7F) || (byte >= 0xA0 && !utf8_)) {
            return byte;
        }
        // Control bytes, and C1 bytes an 8-bit terminal would obey.
        return static_cast<chtype>('?') | A_BOLD;
    }

    void Put(int row, int column, const std::string& text, chtype attr) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            mvwaddch(pad_, row, column + static_cast<int>(i),
                     Cell(static_cast<unsigned char>(text[i])) | attr);
        }
    }

    void DrawField(std::size_t index) {
        const FormField& field = model_.Fields()[index];
        const FormPlacement& at = field.at;
        const bool enabled = field.control->enabled;
        const bool focused = static_cast<int>(index) == model_.Focus();
        const chtype attr = !enabled ? (A_DIM | A_UNDERLINE) : focused ? focusAttr_ : fieldAttr_;
        Put(at.row, at.labelColumn, field.control->label,
            !enabled ? A_DIM : focused ? A_BOLD : A_NORMAL);
        const int width = field.TextWidth();
        for (int r = 0; r < at.height; ++r) {
            const std::size_t line = field.top + static_cast<std::size_t>(r);
            for (int c = 0; c < width; ++c) {
                const std::size_t byte = field.left + static_cast<std::size_t>(c);
                chtype cell = ' ';
                if (line < field.lines.size() && byte < field.lines[line].size()) {
                    cell = Cell(static_cast<unsigned char>(field.lines[line][byte]));
                }
                mvwaddch(pad_, at.row + r, at.column + c, cell | attr);
            }
        }
        const int edge = at.column + width;
        const chtype markAttr = enabled ? A_REVERSE : A_DIM;
        if (field.IsList()) {
            mvwaddch(pad_, at.row, edge, 'v' | markAttr);
        } else if (field.IsMultiLine()) {
            const std::size_t rows = static_cast<std::size_t>(at.height);
            for (int r = 0; r < at.height; ++r) {
                const bool above = r == 0 && field.top > 0;
                const bool below = r == at.height - 1 && field.top + rows < field.lines.size();
                const chtype mark = above ? '^' : below ? 'v' : ' ';
                mvwaddch(pad_, at.row + r, edge, mark | markAttr);
            }
        }
    }

    // Below the field, or above it where the form has no room below; gives its top row.
    int DrawList(const FormField& field) {
        const FormPlacement& at = field.at;
        const int count = static_cast<int>(field.items.size());
        int top = at.row + 1;
        if (top + count + 2 > height_ && at.row - count - 2 >= kFormFirstFieldRow) {
            top = at.row - count - 2;
        }
        const int inner = at.width - 2;
        const int right = at.column + at.width - 1;
        const int bottom = top + count + 1;
        for (const int row : {top, bottom}) {
            mvwaddch(pad_, row, at.column, row == top ? ACS_ULCORNER : ACS_LLCORNER);
            mvwhline(pad_, row, at.column + 1, ACS_HLINE, inner);
            mvwaddch(pad_, row, right, row == top ? ACS_URCORNER : ACS_LRCORNER);
        }
        for (int i = 0; i < count; ++i) {
            const int row = top + 1 + i;
            mvwaddch(pad_, row, at.column, ACS_VLINE);
            std::string text = field.items[static_cast<std::size_t>(i)];
            text.resize(static_cast<std::size_t>(inner), ' ');
            Put(row, at.column + 1, text, i == model_.Highlight() ? A_REVERSE : A_NORMAL);
            mvwaddch(pad_, row, right, ACS_VLINE);
        }
        return top;
    }

    void Draw() {
        const int focus = model_.Focus();
        werase(pad_);
        wattron(pad_, A_REVERSE | A_BOLD);
        mvwhline(pad_, 0, 0, ' ', width_);
        const char* caption = model_.Description().caption;
        const int captionWidth = static_cast<int>(std::string_view(caption).size());
        mvwaddstr(pad_, 0, std::max(0, (width_ - captionWidth) / 2), caption);
        wattroff(pad_, A_REVERSE | A_BOLD);
        for (std::size_t i = 0; i < model_.Fields().size(); ++i) {
            DrawField(i);
        }
        const bool onOk = focus == model_.OkFocus();
        const bool onCancel = focus == model_.CancelFocus();
        Put(buttonRow_, okColumn_, kOkButton, onOk ? focusAttr_ | A_BOLD : A_NORMAL);
        Put(buttonRow_, cancelColumn_, kCancelButton, onCancel ? focusAttr_ | A_BOLD : A_NORMAL);

        // Where the eye and the cursor belong.
        int top = buttonRow_, bottom = buttonRow_, cursorRow = buttonRow_;
        int cursorColumn = onOk ? okColumn_ + 2 : cancelColumn_ + 2;
        const FormField* field = model_.Focused();
        if (field != nullptr) {
            const FormPlacement& at = field->at;
            top = at.row;
            bottom = at.row + at.height - 1;
            cursorRow = at.row + static_cast<int>(field->row - field->top);
            cursorColumn = at.column + static_cast<int>(field->column - field->left);
            if (model_.ListOpen()) {
                const int listTop = DrawList(*field);
                top = std::min(top, listTop);
                bottom = std::max(bottom, listTop + static_cast<int>(field->items.size()) + 1);
            }
        }
        curs_set(field != nullptr && !model_.ListOpen() ? 1 : 0);
        wmove(pad_, cursorRow, cursorColumn);
        Show(top, bottom, cursorColumn);
    }

    // The part of the form that fits the screen, moved to keep the focus in view.
    void Show(int top, int bottom, int column) {
        const int rows = std::max(1, std::min(LINES, padRows_));
        const int columns = std::max(1, std::min(COLS, width_));
        if (top <= kFormFirstFieldRow) {
            top = 0;  // the caption with the first row
        }
        if (bottom - viewTop_ >= rows) {
            viewTop_ = bottom - rows + 1;
        }
        viewTop_ = std::clamp(std::min(viewTop_, top), 0, std::max(0, padRows_ - rows));
        if (column - viewLeft_ >= columns) {
            viewLeft_ = column - columns + 1;
        }
        viewLeft_ = std::clamp(std::min(viewLeft_, column), 0, std::max(0, width_ - columns));
        wnoutrefresh(stdscr);
        pnoutrefresh(pad_, viewTop_, viewLeft_, 0, 0, rows - 1, columns - 1);
        doupdate();
    }

    FormModel& model_;
    WINDOW* pad_ = nullptr;
    int altDown_ = -1, altUp_ = -1;
    bool utf8_ = false;
    chtype fieldAttr_ = A_UNDERLINE;
    chtype focusAttr_ = A_REVERSE;
    int height_ = 0, width_ = 0, padRows_ = 0;
    int buttonRow_ = 0, okColumn_ = 0, cancelColumn_ = 0;
    int viewTop_ = 0, viewLeft_ = 0;
};

}  // namespace

int RunFormDialog(const FormDescription& description, WindowHandle /*owner*/, void* /*module*/,
                  DialogTexts& texts) {
    if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO) || description.controls.empty()) {
        return kDialogNotCreated;
    }
    FormModel model(description, texts);
    int result = kDialogNotCreated;
    {
        const posix::CursesScreen terminal;
        result = terminal.Ok() ? Form(model).Run() : kDialogNotCreated;
    }
    if (result == kDialogOk) {
        model.Collect(texts);
    }
    return result;
}

}  // namespace tavik
