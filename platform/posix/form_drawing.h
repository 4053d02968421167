// The header form drawn with curses on a pad: caption, labels, fields scrolled by
// cells, the open list and the buttons; the part that fits the screen is shown.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "platform/form_dialog.h"
#include "platform/form_model.h"
#include "platform/posix/curses_screen.h"
#include "platform/posix/form_cells.h"

namespace tavik::posix {

class FormDrawing {
public:
    // shown is the form as described: its boxes limit input by cells, which the
    // model (counting bytes) is not asked to do.
    FormDrawing(const FormModel& model, const FormDescription& shown, const CellText& cells);
    ~FormDrawing();
    FormDrawing(const FormDrawing&) = delete;
    FormDrawing& operator=(const FormDrawing&) = delete;

    // Colours and the pad, on a screen already made; false when there is no pad.
    bool Open();
    // The keys are read from the pad.
    WINDOW* Pad() const { return pad_; }
    // A box that takes no more cells than it shows.
    bool Limited(const FormField& field) const;
    void Draw();

private:
    void Layout();
    void FitColumns(std::size_t index);
    void PutGlyph(int row, int column, const Glyph& glyph, chtype attr);
    void PutCells(int row, int column, std::string_view text, int left, int width, chtype attr);
    void Put(int row, int column, std::string_view text, chtype attr);
    void DrawField(std::size_t index);
    int DrawList(const FormField& field);
    void Show(int top, int bottom, int column);

    const FormModel& model_;
    const FormDescription& shown_;
    const CellText& cells_;
    std::vector<int> left_;  // first cell shown of each field, as the model's left in bytes
    WINDOW* pad_ = nullptr;
    chtype fieldAttr_ = A_UNDERLINE;
    chtype focusAttr_ = A_REVERSE;
    int height_ = 0, width_ = 0, padRows_ = 0;
    int buttonRow_ = 0, okColumn_ = 0, cancelColumn_ = 0;
    int viewTop_ = 0, viewLeft_ = 0;
};

}  // namespace tavik::posix
