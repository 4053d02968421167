// A dialog as a form in the terminal, for systems without windows: the model
// edits, this file draws it with curses and hands it the keys.
// Texts are bytes in the host's code page, which here is the locale's: in a UTF-8
// locale the view shows and steps whole characters, the bytes stay as typed.
#include "platform/form_dialog.h"

#include "platform/posix/curses_screen.h"

#include <langinfo.h>
#include <signal.h>
#include <unistd.h>
#include <wchar.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <clocale>
#include <cstdlib>
#include <cstring>
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

// Where the locale cannot be set, the environment still tells of a UTF-8 terminal.
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

// How many bytes a UTF-8 sequence with this lead byte has; 0 for no lead byte.
std::size_t Utf8Length(unsigned lead) {
    return lead < 0x80                  ? 1
           : lead >= 0xC2 && lead <= 0xDF ? 2
           : lead >= 0xE0 && lead <= 0xEF ? 3
           : lead >= 0xF0 && lead <= 0xF4 ? 4
                                          : 0;
}

// The length of the well-formed UTF-8 character at text[at] and its code point;
// 0 for anything else (a stray byte, an overlong form, a surrogate).
std::size_t Utf8Character(std::string_view text, std::size_t at, char32_t& code) {
    const std::size_t length = Utf8Length(static_cast<unsigned char>(text[at]));
    if (length == 0 || at + length > text.size()) {
        return 0;
    }
    const unsigned lead = static_cast<unsigned char>(text[at]);
    char32_t value = length == 1 ? lead : lead & (0x7Fu >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        value = value << 6 | (next & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kLeast[length] || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) {
        return 0;
    }
    code = value;
    return length;
}

// One character as the terminal shows it.
struct Glyph {
    std::size_t bytes = 1;
    int cells = 1;
    wchar_t shown = '?';
    bool standIn = true;  // '?' for what cannot be shown: the columns stay in place
};

// Sets LC_CTYPE from the environment for as long as it lives: the wide library
// reads it when the screen is made.
class CharacterLocale {
public:
    CharacterLocale() {
        if (const char* current = std::setlocale(LC_CTYPE, nullptr)) saved_ = current;
        utf8_ = std::setlocale(LC_CTYPE, "") != nullptr &&
                std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    }
    ~CharacterLocale() { std::setlocale(LC_CTYPE, saved_.c_str()); }
    CharacterLocale(const CharacterLocale&) = delete;
    CharacterLocale& operator=(const CharacterLocale&) = delete;

    bool Utf8() const { return utf8_; }

private:
    std::string saved_ = "C";
    bool utf8_ = false;
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
    // shown is the form as described: its boxes limit input by cells, which the
    // model (counting bytes) is not asked to do.
    Form(FormModel& model, const FormDescription& shown, bool utf8)
        : model_(model), shown_(shown), utf8_(utf8), highBytesShown_(!utf8 && !TerminalIsUtf8()) {
        Layout();
    }

    int Run() {
        raw();  // Ctrl+C and Ctrl+Z must not stop the host behind the form
        noecho();
        nonl();
        set_escdelay(kEscapeDelayMs);
        use_legacy_coding(1);  // bytes 0xA0-0xFF are characters, not M- sequences
        left_.assign(model_.Fields().size(), 0);
        for (std::size_t i = 0; i < left_.size(); ++i) {
            FitColumns(i);
        }
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
        const std::size_t length = utf8_ ? Utf8Length(static_cast<unsigned>(c)) : 1;
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
        if (field != nullptr && !model_.ListOpen() && Limited(*field)) {
            std::string line = field->lines[field->row];
            line.insert(field->column, bytes);
            if (Cells(line) > field->at.width) {
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
                repeat = at > 0 ? at - GlyphStart(line, at) : 1;
                break;
            case FormKey::kRight:
            case FormKey::kDelete:
                repeat = at < line.size() ? GlyphAt(line, at).bytes : 1;
                break;
            case FormKey::kUp:
            case FormKey::kDown:
            case FormKey::kPageUp:
            case FormKey::kPageDown:
                if (field->IsMultiLine()) {
                    column = Cells(line, at);
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
        const std::string& line = field.lines[field.row];
        std::size_t to = 0;
        for (int x = 0; to < line.size();) {
            const Glyph glyph = GlyphAt(line, to);
            if (x + glyph.cells > cells) {
                break;
            }
            x += glyph.cells;
            to += glyph.bytes;
        }
        for (std::size_t at = field.column; at > to; --at) {
            model_.Press(FormKey::kLeft);
        }
        for (std::size_t at = field.column; at < to; ++at) {
            model_.Press(FormKey::kRight);
        }
    }

    bool Limited(const FormField& field) const {
        const std::size_t index = static_cast<std::size_t>(&field - model_.Fields().data());
        return shown_.controls[index].kind == ControlKind::kEditNoScroll;
    }

    Glyph GlyphAt(std::string_view text, std::size_t at) const {
        Glyph glyph;
        const unsigned byte = static_cast<unsigned char>(text[at]);
        if (!utf8_) {
            // Control bytes, and C1 bytes an 8-bit terminal would obey.
            if ((byte >= 0x20 && byte < 0x7F) || (byte >= 0xA0 && highBytesShown_)) {
                glyph.shown = static_cast<wchar_t>(byte);
                glyph.standIn = false;
            }
            return glyph;
        }
        char32_t code = 0;
        const std::size_t length = Utf8Character(text, at, code);
        if (length == 0) {
            return glyph;  // a byte that is no character: one cell of its own
        }
        glyph.bytes = length;
        const int cells = code >= 0x20 && code != 0x7F ? wcwidth(static_cast<wchar_t>(code)) : -1;
        if (cells > 0) {
            glyph.cells = cells;
            glyph.shown = static_cast<wchar_t>(code);
            glyph.standIn = false;
        }
        return glyph;
    }

    // Where the character before the byte position at begins.
    std::size_t GlyphStart(std::string_view text, std::size_t at) const {
        std::size_t start = 0;
        for (std::size_t i = 0; i < at; i += GlyphAt(text, i).bytes) {
            start = i;
        }
        return start;
    }

    // Cells taken by the characters that begin before the byte position end.
    int Cells(std::string_view text, std::size_t end = std::string_view::npos) const {
        int cells = 0;
        for (std::size_t i = 0; i < std::min(end, text.size());) {
            const Glyph glyph = GlyphAt(text, i);
            cells += glyph.cells;
            i += glyph.bytes;
        }
        return cells;
    }

    void PutGlyph(int row, int column, const Glyph& glyph, chtype attr) {
        if (glyph.standIn) {
            mvwaddch(pad_, row, column, static_cast<chtype>('?') | A_BOLD | attr);
        } else if (!utf8_) {
            mvwaddch(pad_, row, column, static_cast<chtype>(glyph.shown) | attr);
        } else {
            const wchar_t text[] = {glyph.shown, L'\0'};
            cchar_t cell;
            setcchar(&cell, text, attr & ~A_COLOR, static_cast<short>(PAIR_NUMBER(attr)), nullptr);
            mvwadd_wch(pad_, row, column, &cell);
        }
    }

    // The cells [left, left + width) of text from (row, column); blanks where no
    // whole character falls.
    void PutCells(int row, int column, std::string_view text, int left, int width, chtype attr) {
        for (int x = 0; x < width; ++x) {
            mvwaddch(pad_, row, column + x, ' ' | attr);
        }
        for (std::size_t i = 0, x = 0; i < text.size() && static_cast<int>(x) < left + width;) {
            const Glyph glyph = GlyphAt(text, i);
            const int cell = static_cast<int>(x);
            if (cell >= left && cell + glyph.cells <= left + width) {
                PutGlyph(row, column + cell - left, glyph, attr);
            }
            x += static_cast<std::size_t>(glyph.cells);
            i += glyph.bytes;
        }
    }

    void Put(int row, int column, std::string_view text, chtype attr) {
        PutCells(row, column, text, 0, Cells(text), attr);
    }

    // The model's scrolling in cells: the cursor in view and as much text as fits.
    void FitColumns(std::size_t index) {
        const FormField& field = model_.Fields()[index];
        const std::string& line = field.lines[field.row];
        const int room = field.TextWidth() + (Limited(field) ? 1 : 0);  // cursor past the box
        const int length = Cells(line) + 1;
        const int cursor = Cells(line, field.column);
        int& left = left_[index];
        left = std::min(left, std::max(0, length - room));
        if (cursor < left) {
            left = cursor;
        } else if (cursor >= left + room) {
            left = cursor - room + 1;
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
            const std::string_view text =
                line < field.lines.size() ? std::string_view(field.lines[line]) : std::string_view();
            PutCells(at.row + r, at.column, text, left_[index], width, attr);
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
        // The wide line set: box-drawing characters in a UTF-8 locale, otherwise the
        // terminal's line set or +-| where it has none.
        for (const int row : {top, bottom}) {
            mvwadd_wch(pad_, row, at.column, row == top ? WACS_ULCORNER : WACS_LLCORNER);
            mvwhline_set(pad_, row, at.column + 1, WACS_HLINE, inner);
            mvwadd_wch(pad_, row, right, row == top ? WACS_URCORNER : WACS_LRCORNER);
        }
        for (int i = 0; i < count; ++i) {
            const int row = top + 1 + i;
            mvwadd_wch(pad_, row, at.column, WACS_VLINE);
            PutCells(row, at.column + 1, field.items[static_cast<std::size_t>(i)], 0, inner,
                     i == model_.Highlight() ? A_REVERSE : A_NORMAL);
            mvwadd_wch(pad_, row, right, WACS_VLINE);
        }
        return top;
    }

    void Draw() {
        const int focus = model_.Focus();
        if (model_.Focused() != nullptr) {
            FitColumns(static_cast<std::size_t>(focus));
        }
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
            const std::size_t index = static_cast<std::size_t>(focus);
            top = at.row;
            bottom = at.row + at.height - 1;
            cursorRow = at.row + static_cast<int>(field->row - field->top);
            cursorColumn =
                at.column + Cells(field->lines[field->row], field->column) - left_[index];
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
    const FormDescription& shown_;
    const bool utf8_;            // texts decoded as UTF-8 and drawn as wide characters
    const bool highBytesShown_;  // an 8-bit terminal: bytes 0xA0-0xFF are its characters
    std::vector<int> left_;      // first cell shown of each field, as the model's left in bytes
    WINDOW* pad_ = nullptr;
    int altDown_ = -1, altUp_ = -1;
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
        const CharacterLocale locale;
        const posix::CursesScreen terminal;
        result = terminal.Ok() ? Form(model, description, locale.Utf8()).Run() : kDialogNotCreated;
    }
    if (result == kDialogOk) {
        model.Collect(texts);
    }
    return result;
}

}  // namespace tavik
