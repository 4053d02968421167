#include "platform/posix/form_drawing.h"

#include <algorithm>
#include <string>

namespace tavik::posix {
namespace {

constexpr const char* kOkButton = "[ OK ]";
constexpr const char* kCancelButton = "[ CANCEL ]";
constexpr int kButtonGap = 4;

}  // namespace

FormDrawing::FormDrawing(const FormModel& model, const FormDescription& shown,
                         const CellText& cells)
    : model_(model), shown_(shown), cells_(cells) {
    Layout();
}

FormDrawing::~FormDrawing() {
    if (pad_ != nullptr) {
        delwin(pad_);
    }
}

bool FormDrawing::Open() {
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
    return pad_ != nullptr;
}

bool FormDrawing::Limited(const FormField& field) const {
    const std::size_t index = static_cast<std::size_t>(&field - model_.Fields().data());
    return shown_.controls[index].kind == ControlKind::kEditNoScroll;
}

// The pad holds the form and room for the longest list below its field.
void FormDrawing::Layout() {
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

// The model's scrolling in cells: the cursor in view and as much text as fits.
void FormDrawing::FitColumns(std::size_t index) {
    const FormField& field = model_.Fields()[index];
    const std::string& line = field.lines[field.row];
    const int room = field.TextWidth() + (Limited(field) ? 1 : 0);  // cursor past the box
    const int length = cells_.Cells(line) + 1;
    const int cursor = cells_.Cells(line, field.column);
    int& left = left_[index];
    left = std::min(left, std::max(0, length - room));
    if (cursor < left) {
        left = cursor;
    } else if (cursor >= left + room) {
        left = cursor - room + 1;
    }
}

void FormDrawing::PutGlyph(int row, int column, const Glyph& glyph, chtype attr) {
    if (glyph.standIn) {
        mvwaddch(pad_, row, column, static_cast<chtype>('?') | A_BOLD | attr);
    } else if (!cells_.Utf8()) {
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
void FormDrawing::PutCells(int row, int column, std::string_view text, int left, int width,
                           chtype attr) {
    for (int x = 0; x < width; ++x) {
        mvwaddch(pad_, row, column + x, ' ' | attr);
    }
    for (std::size_t i = 0, x = 0; i < text.size() && static_cast<int>(x) < left + width;) {
        const Glyph glyph = cells_.GlyphAt(text, i);
        const int cell = static_cast<int>(x);
        if (cell >= left && cell + glyph.cells <= left + width) {
            PutGlyph(row, column + cell - left, glyph, attr);
        }
        x += static_cast<std::size_t>(glyph.cells);
        i += glyph.bytes;
    }
}

void FormDrawing::Put(int row, int column, std::string_view text, chtype attr) {
    PutCells(row, column, text, 0, cells_.Cells(text), attr);
}

void FormDrawing::DrawField(std::size_t index) {
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
int FormDrawing::DrawList(const FormField& field) {
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

void FormDrawing::Draw() {
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
            at.column + cells_.Cells(field->lines[field->row], field->column) - left_[index];
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
void FormDrawing::Show(int top, int bottom, int column) {
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

}  // namespace tavik::posix
