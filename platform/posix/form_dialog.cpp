// A dialog as a form in the terminal, for systems without windows.
// Texts are bytes in the host's code page: one byte is one cell, never decoded.
#include "platform/form_dialog.h"

// Without this, curses defines erase(), move() and the like as macros.
#define NCURSES_NOMACROS
#include <curses.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace tavik {
namespace {

constexpr int kEscapeDelayMs = 25;  // Esc alone must close the form without a lag
constexpr int kMultiLineRows = 3;
constexpr int kLabelColumn = 1;
constexpr int kFirstControlRow = 1;  // the caption takes row 0
constexpr const char* kOkButton = "[ OK ]";
constexpr const char* kCancelButton = "[ CANCEL ]";
constexpr int kButtonGap = 4;

// Dialog units to cells: a character cell is about four units wide.
int Cells(int units) { return (units + 2) / 4; }

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool BeginsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (prefix.size() > text.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (AsciiUpper(text[i]) != AsciiUpper(prefix[i])) {
            return false;
        }
    }
    return true;
}

// Lone bytes >= 0x80 would be misread by a UTF-8 terminal and upset the layout.
bool TerminalIsUtf8() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            std::string lower(value);
            for (char& c : lower) {
                c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
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
    if (sequence == nullptr || sequence == reinterpret_cast<const char*>(-1)) {
        return -1;
    }
    const int code = key_defined(sequence);
    return code > 0 ? code : -1;
}

enum class Key {
    kNone, kChar, kLeft, kRight, kUp, kDown, kHome, kEnd, kPageUp, kPageDown, kBackspace,
    kDelete, kTab, kBackTab, kEnter, kEscape, kOpenList, kAltUp, kResize, kGone,
};

struct Placement {
    int row = 0;
    int labelColumn = 0;
    int column = 0;
    int width = 0;
    int height = 1;
};

// One edit or list: its text as lines (one unless multi-line), cursor and view.
struct Field {
    const DialogControl* control = nullptr;
    Placement at;
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
    int VisibleRows() const { return at.height; }

    std::string Text() const {
        std::string text = lines[0];
        for (std::size_t i = 1; i < lines.size(); ++i) {
            text += "\r\n";
            text += lines[i];
        }
        return text;
    }

    void SetText(const std::string& text) {
        lines.clear();
        if (IsMultiLine()) {
            std::size_t from = 0;
            for (std::size_t at = text.find("\r\n"); at != std::string::npos;
                 at = text.find("\r\n", from)) {
                lines.push_back(text.substr(from, at - from));
                from = at + 2;
            }
            lines.push_back(text.substr(from));
        } else {
            lines.push_back(text);
        }
        row = lines.size() - 1;
        column = lines[row].size();
    }

    int FirstItemBeginningWith(std::string_view text) const {
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (BeginsWithIgnoringCase(items[i], text)) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    void Select(int index) {
        selected = index;
        SetText(items[static_cast<std::size_t>(index)]);
    }

    // Typing leaves the text as typed; the selection follows the start rule.
    void Edited() {
        if (IsList()) {
            selected = FirstItemBeginningWith(lines[0]);
        }
    }

    void Insert(char byte) {
        std::string& line = lines[row];
        if (control->kind == ControlKind::kEditNoScroll &&
            line.size() >= static_cast<std::size_t>(at.width)) {
            beep();
            return;
        }
        line.insert(column, 1, byte);
        ++column;
        Edited();
    }

    void NewLine() {
        std::string rest = lines[row].substr(column);
        lines[row].erase(column);
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(row) + 1, rest);
        ++row;
        column = 0;
    }

    void Backspace() {
        if (column > 0) {
            lines[row].erase(--column, 1);
        } else if (row > 0) {
            column = lines[row - 1].size();
            lines[row - 1] += lines[row];
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(row));
            --row;
        }
        Edited();
    }

    void Delete() {
        if (column < lines[row].size()) {
            lines[row].erase(column, 1);
        } else if (row + 1 < lines.size()) {
            lines[row] += lines[row + 1];
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(row) + 1);
        }
        Edited();
    }

    void Left() {
        if (column > 0) {
            --column;
        } else if (row > 0) {
            --row;
            column = lines[row].size();
        }
    }

    void Right() {
        if (column < lines[row].size()) {
            ++column;
        } else if (row + 1 < lines.size()) {
            ++row;
            column = 0;
        }
    }

    void ToLine(std::size_t to) {
        row = std::min(to, lines.size() - 1);
        column = std::min(column, lines[row].size());
    }

    // Scrolls so that the cursor is in view and as much text as fits is shown.
    void Fit() {
        const std::size_t rows = static_cast<std::size_t>(VisibleRows());
        const std::size_t maxTop = lines.size() > rows ? lines.size() - rows : 0;
        top = std::min(top, maxTop);
        if (row < top) {
            top = row;
        } else if (row >= top + rows) {
            top = row - rows + 1;
        }
        // An edit limited to its box may put the cursor just past the box.
        const std::size_t room = static_cast<std::size_t>(TextWidth()) +
                                 (control->kind == ControlKind::kEditNoScroll ? 1 : 0);
        const std::size_t length = lines[row].size() + 1;
        left = std::min(left, length > room ? length - room : 0);
        if (column < left) {
            left = column;
        } else if (column >= left + room) {
            left = column - room + 1;
        }
    }
};

// Curses on the process's own terminal for as long as it lives, and the
// process's state as it was afterwards: on every way out, exceptions included.
class Terminal {
public:
    Terminal() {
        for (std::size_t i = 0; i < kSignals.size(); ++i) {
            sigaction(kSignals[i], nullptr, &savedSignals_[i]);
        }
        savedEscapeDelay_ = get_escdelay();
        std::fflush(stdout);
        // newterm, unlike initscr, returns instead of exiting when it fails.
        screen_ = newterm(nullptr, stdout, stdin);
    }

    ~Terminal() {
        if (screen_ != nullptr) {
            endwin();
            delscreen(screen_);
        }
        set_escdelay(savedEscapeDelay_);
        for (std::size_t i = 0; i < kSignals.size(); ++i) {
            sigaction(kSignals[i], &savedSignals_[i], nullptr);
        }
    }

    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    bool Ok() const { return screen_ != nullptr; }

private:
    // The signals curses takes over while it runs.
    static constexpr std::array<int, 4> kSignals{SIGINT, SIGTERM, SIGTSTP, SIGWINCH};
    std::array<struct sigaction, 4> savedSignals_{};
    int savedEscapeDelay_ = 0;
    SCREEN* screen_ = nullptr;
};

class Form {
public:
    Form(const FormDescription& form, const DialogTexts& texts)
        : form_(form), fields_(form.controls.size()), kFieldCount(form.controls.size()),
          kOkFocus(static_cast<int>(kFieldCount)), kCancelFocus(kOkFocus + 1) {
        Layout();
        for (std::size_t i = 0; i < kFieldCount; ++i) {
            Field& field = fields_[i];
            const auto found = texts.find(field.control->id);
            field.start = found != texts.end() ? found->second : std::string();
            if (!field.IsList()) {
                field.SetText(field.start);
                continue;
            }
            for (const char* item : field.control->items) {
                if (item != nullptr) {
                    field.items.emplace_back(item);
                }
            }
            if (field.control->sorted) {
                std::sort(field.items.begin(), field.items.end());
            }
            // An empty start text selects nothing, as on Windows, so an untouched list
            // gives back the empty text on both systems.
            const int match =
                field.start.empty() ? -1 : field.FirstItemBeginningWith(field.start);
            if (match >= 0) {
                field.Select(match);
            } else {
                field.SetText(field.start);
            }
        }
        focus_ = IndexOf(form_.initialFocus);
    }

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

    // Every control's text; disabled ones as they came.
    void Collect(DialogTexts& texts) const {
        for (const Field& field : fields_) {
            texts[field.control->id] = field.control->enabled ? field.Text() : field.start;
        }
    }

private:
    void Layout() {
        int row = kFirstControlRow;
        int right = 0;
        for (std::size_t i = 0; i < kFieldCount; ++i) {
            const DialogControl& control = form_.controls[i];
            Field& field = fields_[i];
            field.control = &control;
            Placement& at = field.at;
            const int label = static_cast<int>(std::string_view(control.label).size());
            at.column = Cells(control.x);
            at.width = Cells(control.x + control.width) - at.column;
            at.height = control.kind == ControlKind::kMultiLineEdit ? kMultiLineRows : 1;
            const bool sameRow = i > 0 && control.y == form_.controls[i - 1].y;
            if (sameRow) {
                const Placement& before = fields_[i - 1].at;
                at.row = before.row;
                at.labelColumn =
                    std::max(at.column - 1 - label, before.column + before.width + 1);
            } else {
                if (i > 0) {
                    row = fields_[i - 1].at.row + fields_[i - 1].at.height;
                }
                at.row = row;
                at.labelColumn = kLabelColumn;
            }
            at.column = std::max(at.column, at.labelColumn + label + 1);
            right = std::max(right, at.column + at.width);
            if (field.IsList()) {
                int count = 0;
                for (const char* item : control.items) {
                    count += item != nullptr ? 1 : 0;
                }
                padRows_ = std::max(padRows_, at.row + 1 + count + 2);
            }
        }
        const Placement& last = fields_[kFieldCount - 1].at;
        buttonRow_ = last.row + last.height;
        height_ = buttonRow_ + 1;
        width_ = right + 1;
        padRows_ = std::max(padRows_, height_);
        const int buttons = static_cast<int>(std::string_view(kOkButton).size() +
                                             std::string_view(kCancelButton).size()) +
                            kButtonGap;
        okColumn_ = std::max(0, (width_ - buttons) / 2);
        cancelColumn_ = okColumn_ + static_cast<int>(std::string_view(kOkButton).size()) +
                        kButtonGap;
    }

    int IndexOf(int id) const {
        for (std::size_t i = 0; i < kFieldCount; ++i) {
            if (form_.controls[i].id == id) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    bool Enabled(int index) const {
        return index >= kOkFocus || form_.controls[static_cast<std::size_t>(index)].enabled;
    }

    Field* Focused() {
        return focus_ < kOkFocus ? &fields_[static_cast<std::size_t>(focus_)] : nullptr;
    }

    int Loop() {
        for (;;) {
            Draw();
            const Key key = ReadKey();
            if (key == Key::kGone) {
                return kDialogCancel;
            }
            if (key == Key::kResize) {
                werase(stdscr);
                wnoutrefresh(stdscr);
                clearok(curscr, TRUE);
                continue;
            }
            if (listOpen_) {
                ListKey(key);
                continue;
            }
            Field* field = Focused();
            switch (key) {
            case Key::kEnter:
                if (field != nullptr && field->IsMultiLine()) {
                    field->NewLine();
                    break;
                }
                return focus_ == kCancelFocus ? kDialogCancel : kDialogOk;
            case Key::kEscape:
                return kDialogCancel;
            case Key::kTab:
                focus_ = NextTabStop(+1);
                break;
            case Key::kBackTab:
                focus_ = NextTabStop(-1);
                break;
            case Key::kUp:
                if (field != nullptr && field->IsMultiLine() && field->row > 0) {
                    field->ToLine(field->row - 1);
                } else {
                    focus_ = Step(-1);
                }
                break;
            case Key::kDown:
                if (field != nullptr && field->IsMultiLine() &&
                    field->row + 1 < field->lines.size()) {
                    field->ToLine(field->row + 1);
                } else {
                    focus_ = Step(+1);
                }
                break;
            case Key::kOpenList:
                if (field != nullptr && field->IsList()) {
                    listOpen_ = true;
                    highlight_ = field->selected;
                }
                break;
            default:
                if (field != nullptr) {
                    EditKey(*field, key);
                } else if (key == Key::kLeft || key == Key::kRight) {
                    focus_ = key == Key::kLeft ? kOkFocus : kCancelFocus;
                }
                break;
            }
        }
    }

    void EditKey(Field& field, Key key) {
        const std::size_t page = static_cast<std::size_t>(field.VisibleRows());
        switch (key) {
        case Key::kChar: field.Insert(static_cast<char>(lastChar_)); break;
        case Key::kBackspace: field.Backspace(); break;
        case Key::kDelete: field.Delete(); break;
        case Key::kLeft: field.Left(); break;
        case Key::kRight: field.Right(); break;
        case Key::kHome: field.column = 0; break;
        case Key::kEnd: field.column = field.lines[field.row].size(); break;
        case Key::kPageUp:
        case Key::kPageDown:
            if (field.IsList()) {
                const int last = static_cast<int>(field.items.size()) - 1;
                const int step = key == Key::kPageUp ? -1 : +1;
                field.Select(field.selected < 0 ? 0 : std::clamp(field.selected + step, 0, last));
            } else if (field.IsMultiLine()) {
                field.ToLine(key == Key::kPageUp ? field.row - std::min(field.row, page)
                                                 : field.row + page);
            }
            break;
        default: break;
        }
    }

    void ListKey(Key key) {
        Field& field = fields_[static_cast<std::size_t>(focus_)];
        const int last = static_cast<int>(field.items.size()) - 1;
        switch (key) {
        case Key::kUp: highlight_ = std::max(0, highlight_ - 1); break;
        case Key::kDown: highlight_ = std::min(last, highlight_ + 1); break;
        case Key::kHome:
        case Key::kPageUp: highlight_ = 0; break;
        case Key::kEnd:
        case Key::kPageDown: highlight_ = last; break;
        case Key::kEnter:
        case Key::kOpenList:
        case Key::kAltUp:
            if (highlight_ >= 0) {
                field.Select(highlight_);
            }
            listOpen_ = false;
            break;
        case Key::kEscape: listOpen_ = false; break;
        default: break;
        }
    }

    // Up and Down visit every enabled field in screen order, then the buttons.
    int Step(int direction) const {
        if (focus_ >= kOkFocus) {
            if (direction > 0) {
                return kCancelFocus;
            }
            if (focus_ == kCancelFocus) {
                return kOkFocus;
            }
        }
        for (int i = focus_ + direction; i >= 0 && i < kOkFocus; i += direction) {
            if (Enabled(i)) {
                return i;
            }
        }
        return direction > 0 ? kOkFocus : focus_;
    }

    // From a control outside the tab order (or a button) Tab enters the order at
    // its start and Shift+Tab at its end.
    int NextTabStop(int direction) const {
        const int count = static_cast<int>(form_.tabOrder.size());
        int at = -1;
        for (int i = 0; i < count; ++i) {
            if (focus_ < kOkFocus && form_.tabOrder[static_cast<std::size_t>(i)] ==
                                         form_.controls[static_cast<std::size_t>(focus_)].id) {
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

    Key ReadKey() {
        const int c = wgetch(pad_);
        switch (c) {
        case ERR: return errno == EINTR ? Key::kNone : Key::kGone;
        case '\t': return Key::kTab;
        case KEY_BTAB: return Key::kBackTab;
        case '\r':
        case '\n':
        case KEY_ENTER: return Key::kEnter;
        case KEY_BACKSPACE:
        case 8:
        case 127: return Key::kBackspace;
        case KEY_DC: return Key::kDelete;
        case KEY_LEFT: return Key::kLeft;
        case KEY_RIGHT: return Key::kRight;
        case KEY_UP: return Key::kUp;
        case KEY_DOWN: return Key::kDown;
        case KEY_HOME: return Key::kHome;
        case KEY_END: return Key::kEnd;
        case KEY_PPAGE: return Key::kPageUp;
        case KEY_NPAGE: return Key::kPageDown;
        case KEY_F(4): return Key::kOpenList;
        case KEY_RESIZE: return Key::kResize;
        case 27: return AfterEscape();
        default: break;
        }
        if (c > 0 && c == altDown_) {
            return Key::kOpenList;
        }
        if (c > 0 && c == altUp_) {
            return Key::kAltUp;
        }
        if ((c >= 0x20 && c < 0x7F) || (c >= 0x80 && c <= 0xFF)) {
            lastChar_ = c;
            return Key::kChar;
        }
        return Key::kNone;
    }

    // Esc alone, or Alt with a key: as ESC and the key, or as ESC [ 1 ; 3 B which
    // curses does not know for every terminal type.
    Key AfterEscape() {
        wtimeout(pad_, kEscapeDelayMs);
        const int next = wgetch(pad_);
        Key key = Key::kNone;
        if (next == ERR) {
            key = Key::kEscape;
        } else if (next == KEY_DOWN) {
            key = Key::kOpenList;
        } else if (next == KEY_UP) {
            key = Key::kAltUp;
        } else if (next == 27) {
            ungetch(next);
            key = Key::kEscape;
        } else if (next == '[' || next == 'O') {
            std::string sequence;
            for (int c = wgetch(pad_); c != ERR; c = wgetch(pad_)) {
                sequence += static_cast<char>(c);
                if (c >= 0x40 && c <= 0x7E) {
                    break;
                }
            }
            if (sequence == "1;3B") {
                key = Key::kOpenList;
            } else if (sequence == "1;3A") {
                key = Key::kAltUp;
            }
        }
        wtimeout(pad_, -1);
        return key;
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

    void DrawField(int index) {
        Field& field = fields_[static_cast<std::size_t>(index)];
        const Placement& at = field.at;
        const bool enabled = field.control->enabled;
        const bool focused = index == focus_;
        const chtype attr = !enabled ? (A_DIM | A_UNDERLINE) : focused ? focusAttr_ : fieldAttr_;
        Put(at.row, at.labelColumn, field.control->label,
            !enabled ? A_DIM : focused ? A_BOLD : A_NORMAL);
        field.Fit();
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
        if (field.IsList()) {
            mvwaddch(pad_, at.row, edge, 'v' | (enabled ? A_REVERSE : A_DIM));
        } else if (field.IsMultiLine()) {
            for (int r = 0; r < at.height; ++r) {
                chtype mark = ' ';
                if (r == 0 && field.top > 0) {
                    mark = '^';
                } else if (r == at.height - 1 &&
                           field.top + static_cast<std::size_t>(at.height) < field.lines.size()) {
                    mark = 'v';
                }
                mvwaddch(pad_, at.row + r, edge, mark | (enabled ? A_REVERSE : A_DIM));
            }
        }
    }

    void DrawList(const Field& field) {
        const Placement& at = field.at;
        const int count = static_cast<int>(field.items.size());
        int top = at.row + 1;
        if (top + count + 2 > height_ && at.row - count - 2 >= kFirstControlRow) {
            top = at.row - count - 2;
        }
        const int inner = at.width - 2;
        const int right = at.column + at.width - 1;
        mvwaddch(pad_, top, at.column, ACS_ULCORNER);
        mvwhline(pad_, top, at.column + 1, ACS_HLINE, inner);
        mvwaddch(pad_, top, right, ACS_URCORNER);
        for (int i = 0; i < count; ++i) {
            const int row = top + 1 + i;
            mvwaddch(pad_, row, at.column, ACS_VLINE);
            std::string text = field.items[static_cast<std::size_t>(i)];
            text.resize(static_cast<std::size_t>(inner), ' ');
            Put(row, at.column + 1, text, i == highlight_ ? A_REVERSE : A_NORMAL);
            mvwaddch(pad_, row, right, ACS_VLINE);
        }
        mvwaddch(pad_, top + count + 1, at.column, ACS_LLCORNER);
        mvwhline(pad_, top + count + 1, at.column + 1, ACS_HLINE, inner);
        mvwaddch(pad_, top + count + 1, right, ACS_LRCORNER);
        listTop_ = top;
        listBottom_ = top + count + 1;
    }

    void Draw() {
        werase(pad_);
        wattron(pad_, A_REVERSE | A_BOLD);
        mvwhline(pad_, 0, 0, ' ', width_);
        const int caption = static_cast<int>(std::string_view(form_.caption).size());
        mvwaddstr(pad_, 0, std::max(0, (width_ - caption) / 2), form_.caption);
        wattroff(pad_, A_REVERSE | A_BOLD);
        for (int i = 0; i < kOkFocus; ++i) {
            DrawField(i);
        }
        Put(buttonRow_, okColumn_, kOkButton, focus_ == kOkFocus ? focusAttr_ | A_BOLD : A_NORMAL);
        Put(buttonRow_, cancelColumn_, kCancelButton,
            focus_ == kCancelFocus ? focusAttr_ | A_BOLD : A_NORMAL);

        // Where the eye and the cursor belong.
        int top = buttonRow_, bottom = buttonRow_, cursorRow = buttonRow_;
        int cursorColumn = focus_ == kOkFocus ? okColumn_ + 2 : cancelColumn_ + 2;
        const Field* field = Focused();
        if (field != nullptr) {
            top = field->at.row;
            bottom = field->at.row + field->at.height - 1;
            cursorRow = field->at.row + static_cast<int>(field->row - field->top);
            cursorColumn = field->at.column + static_cast<int>(field->column - field->left);
            if (listOpen_) {
                DrawList(*field);
                top = std::min(top, listTop_);
                bottom = std::max(bottom, listBottom_);
            }
        }
        curs_set(field != nullptr && !listOpen_ ? 1 : 0);
        wmove(pad_, cursorRow, cursorColumn);
        Show(top, bottom, cursorColumn);
    }

    // The part of the form that fits the screen, moved to keep the focus in view.
    void Show(int top, int bottom, int column) {
        const int rows = std::max(1, std::min(LINES, padRows_));
        const int columns = std::max(1, std::min(COLS, width_));
        if (top <= kFirstControlRow) {
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

    const FormDescription& form_;
    std::vector<Field> fields_;
    // Fields first, then the two buttons, in focus order.
    const std::size_t kFieldCount;
    const int kOkFocus;
    const int kCancelFocus;
    WINDOW* pad_ = nullptr;
    int focus_ = 0;
    bool listOpen_ = false;
    int highlight_ = -1;
    int listTop_ = 0, listBottom_ = 0;
    int lastChar_ = 0;
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
    Form form(description, texts);
    int result = kDialogNotCreated;
    {
        Terminal terminal;
        if (!terminal.Ok()) {
            return kDialogNotCreated;
        }
        result = form.Run();
    }
    if (result == kDialogOk) {
        form.Collect(texts);
    }
    return result;
}

}  // namespace tavik
