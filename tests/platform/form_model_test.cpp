// The form's behaviour without a terminal: layout, start texts, editing, focus,
// lists and closing, through the keys the terminal hands it.
#include "platform/form_model.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tavik {
namespace {

enum : int { kEdit = 10, kSame = 11, kOp = 20, kBand = 21, kOff = 22, kNote = 30, kLocked = 31,
             kBox = 40, kLoose = 50 };

// Four dialog units to a cell. SAME shares the first row; LOOSE is in no tab order
// and its long label pushes its box right.
constexpr std::array<DialogControl, 9> kControls{{
    {kEdit, "EDIT", ControlKind::kEdit, 40, 0, 40, 12, false, true, false, {}},
    {kSame, "SAME", ControlKind::kEdit, 120, 0, 40, 12, false, true, false, {}},
    {kOp, "OP", ControlKind::kDropDownList, 40, 14, 60, 50, true, true, true,
     {"SINGLE-OP", "MULTI-OP", "MULTI-MULTI", "CHECKLOG"}},
    {kBand, "BAND", ControlKind::kDropDownList, 40, 28, 60, 50, false, true, true,
     {"ALL", "80M", "40M", "80M-40M"}},
    {kOff, "OFF", ControlKind::kDropDownList, 40, 42, 60, 50, true, false, true, {"JUNIOR"}},
    {kNote, "NOTE", ControlKind::kMultiLineEdit, 40, 56, 60, 30, false, true, true, {}},
    {kLocked, "LOCKED", ControlKind::kMultiLineEdit, 40, 90, 60, 30, false, false, true, {}},
    {kBox, "BOX", ControlKind::kEditNoScroll, 40, 124, 20, 12, false, true, true, {}},
    {kLoose, "LOOSE-FIELD-LABEL", ControlKind::kEdit, 40, 138, 40, 12, false, true, false, {}},
}};
constexpr std::array<int, 7> kTabOrder{kNote, kOp, kOff, kBand, kLocked, kBox, kEdit};
constexpr FormDescription kForm{7, "TEST", 200, 160, kControls, kTabOrder, kNote};

// Presses the keys of a script: <Name> is a key, any other byte is typed.
// Gives how many keys were refused.
int Press(FormModel& form, std::string_view script) {
    static const std::map<std::string_view, FormKey> kNames{
        {"Tab", FormKey::kTab},     {"BTab", FormKey::kBackTab}, {"Up", FormKey::kUp},
        {"Down", FormKey::kDown},   {"Left", FormKey::kLeft},    {"Right", FormKey::kRight},
        {"Home", FormKey::kHome},   {"End", FormKey::kEnd},      {"PgUp", FormKey::kPageUp},
        {"PgDn", FormKey::kPageDown}, {"BS", FormKey::kBackspace}, {"Del", FormKey::kDelete},
        {"Enter", FormKey::kEnter}, {"Esc", FormKey::kEscape},   {"F4", FormKey::kOpenList},
        {"AltUp", FormKey::kCloseList}};
    int refused = 0;
    for (std::size_t i = 0; i < script.size(); ++i) {
        const std::size_t end = script[i] == '<' ? script.find('>', i) : std::string_view::npos;
        const bool taken = end == std::string_view::npos
                               ? form.Press(FormKey::kChar, script[i])
                               : form.Press(kNames.at(script.substr(i + 1, end - i - 1)));
        refused += taken ? 0 : 1;
        i = end == std::string_view::npos ? i : end;
    }
    return refused;
}

const FormField& Field(const FormModel& form, int id) {
    for (const FormField& field : form.Fields()) {
        if (field.control->id == id) {
            return field;
        }
    }
    throw std::out_of_range("no such control");
}

// The focused control's id, or 1 and 2 for OK and CANCEL.
int FocusId(const FormModel& form) {
    return form.Focused() != nullptr ? form.Focused()->control->id
                                     : form.Focus() - form.OkFocus() + kDialogOk;
}

TEST(FormModel, PlacesFieldsInRowsAndTheButtonsBelow) {
    const FormModel form(kForm, {});
    struct Expected { int id, row, labelColumn, column, width, height; };
    for (const Expected& e : {Expected{kEdit, 1, 1, 10, 10, 1}, Expected{kSame, 1, 25, 30, 10, 1},
                              Expected{kOp, 2, 1, 10, 15, 1}, Expected{kNote, 5, 1, 10, 15, 3},
                              Expected{kLocked, 8, 1, 10, 15, 3}, Expected{kBox, 11, 1, 10, 5, 1},
                              Expected{kLoose, 12, 1, 19, 10, 1}}) {
        const FormPlacement& at = Field(form, e.id).at;
        EXPECT_EQ((std::array{at.row, at.labelColumn, at.column, at.width, at.height}),
                  (std::array{e.row, e.labelColumn, e.column, e.width, e.height})) << e.id;
    }
    EXPECT_EQ(form.ButtonRow(), 13);
    EXPECT_EQ(form.Width(), 41);
    EXPECT_EQ(Field(form, kOp).items,
              (std::vector<std::string>{"CHECKLOG", "MULTI-MULTI", "MULTI-OP", "SINGLE-OP"}));
    EXPECT_EQ(Field(form, kBand).items, (std::vector<std::string>{"ALL", "80M", "40M", "80M-40M"}));
}

TEST(FormModel, StartTextSelectsTheFirstItemOnScreenBeginningWithIt) {
    struct Case { int id; std::string start, shown; int selected; };
    for (const Case& c : {Case{kOp, "single", "SINGLE-OP", 3}, Case{kOp, "MULTI", "MULTI-MULTI", 1},
                          Case{kOp, "", "", -1}, Case{kOp, "zz", "zz", -1},
                          Case{kBand, "80m-", "80M-40M", 3}, Case{kBand, "8", "80M", 1},
                          Case{kOff, "junior", "JUNIOR", 0}, Case{kEdit, "abc", "abc", -1}}) {
        const FormModel form(kForm, {{c.id, c.start}});
        EXPECT_EQ(Field(form, c.id).Text(), c.shown) << c.start;
        EXPECT_EQ(Field(form, c.id).selected, c.selected) << c.start;
    }
    const FormModel form(kForm, {{kNote, "a\r\nbc"}});
    const FormField& note = Field(form, kNote);
    EXPECT_EQ(note.lines, (std::vector<std::string>{"a", "bc"}));
    EXPECT_EQ(note.row, 1u);  // the cursor at the end of the text
    EXPECT_EQ(note.column, 2u);
    EXPECT_EQ(FocusId(form), kNote);
}

// Every case starts with the focus in NOTE and collects whatever state the form ends in.
TEST(FormModel, KeysEditFocusAndClose) {
    struct Case {
        const char* what;
        DialogTexts start;
        std::string_view keys;
        DialogTexts changed;
        int result;
        int refused = 0;
    };
    const Case cases[] = {
        {"editing keys, bytes above 127; Left stays at the start", {{kEdit, "ABCD"}},
         "<Up><Up><Up><Up><Home><Del><BS><End><BS><Left>x<Right><Right>y\xE9\x80\xFF"
         "<Down><Left>n<Enter>",
         {{kEdit, "BxCy\xE9\x80\xFF"}, {kSame, "n"}}, kDialogOk},
        {"Enter starts a line in a multi-line edit", {}, "A<Enter>B<Tab><Enter>",
         {{kNote, "A\r\nB"}}, kDialogOk},
        {"Backspace joins lines, Delete pulls the next up", {{kNote, "l1\r\nl2\r\nl3\r\nl4"}},
         "<Up><Up><Home><BS><End><Del>", {{kNote, "l1l2l3\r\nl4"}}, 0},
        {"Up and Down walk the lines first", {{kNote, "L1\r\nL2\r\nL3"}},
         "<Up>x<Up><Up>c<Down>y<Down><Down><Down>e",
         {{kNote, "L1y\r\nL2x\r\nL3"}, {kBand, "c"}, {kBox, "e"}}, 0},
        {"page keys move a multi-line edit by its rows", {{kNote, "1\r\n2\r\n3\r\n4\r\n5"}},
         "<PgUp>a<PgUp>b<PgDn>c", {{kNote, "1b\r\n2a\r\n3\r\n4c\r\n5"}}, 0},
        {"a full box refuses bytes", {}, "<Down>ABCDEFG<Home>x", {{kBox, "ABCDE"}}, 0, 3},
        {"page keys step items, from none to the first, stop at the ends", {{kBand, "40m"}},
         "<Tab><PgDn><PgDn><PgUp><PgUp><Tab><PgDn><PgDn>",
         {{kOp, "CHECKLOG"}, {kBand, "80M-40M"}}, 0},
        {"typing in a list keeps the text and selects by it", {{kOp, "single"}},
         "<Tab><BS><BS><BS><BS><BS><BS><BS><BS><BS>m<PgDn>", {{kOp, "MULTI-OP"}}, 0},
        {"F4 opens at the selection, arrows move, Enter F4 Alt+Up take, Tab waits",
         {{kOp, "MULTI-OP"}},
         "<Tab><F4><Up><Up><Up><Enter><F4><End><Down><Enter>"
         "<Tab><F4><Tab><Down><AltUp><F4><PgDn><Home><Down><F4>",
         {{kOp, "SINGLE-OP"}, {kBand, "80M"}}, 0},
        {"Esc closes an open list unchanged", {{kBand, "ALL"}},
         "<Tab><Tab><F4><Down><Esc>x<Enter>", {{kBand, "ALLx"}}, kDialogOk},
        {"Esc cancels, keys after it do nothing", {}, "<Esc>abc<Enter>", {}, kDialogCancel},
        {"Enter on CANCEL cancels", {}, "<Down><Down><Down><Down><Enter>", {}, kDialogCancel},
        {"Enter on OK", {}, "<Down><Down><Down><Enter>", {}, kDialogOk},
        {"disabled controls give back their start texts", {{kOff, "junior"}, {kLocked, "a\r\nb"}},
         "<Tab><Enter>", {{kOff, "junior"}, {kLocked, "a\r\nb"}}, kDialogOk},
    };
    for (const Case& c : cases) {
        FormModel form(kForm, c.start);
        EXPECT_EQ(Press(form, c.keys), c.refused) << c.what;
        EXPECT_EQ(form.Result(), c.result) << c.what;
        DialogTexts texts, expected;
        form.Collect(texts);
        for (const DialogControl& control : kControls) {
            const auto changed = c.changed.find(control.id);
            expected[control.id] = changed != c.changed.end() ? changed->second : "";
        }
        EXPECT_EQ(texts, expected) << c.what;
    }
}

TEST(FormModel, TabFollowsTheOrderUpAndDownTheScreenSkippingDisabledOnes) {
    FormModel form(kForm, {});
    // From NOTE; OFF and LOCKED are disabled, SAME and LOOSE outside the tab order.
    const std::pair<const char*, int> steps[] = {
        {"<Down>", kBox}, {"<Down>", kLoose}, {"<Down>", kDialogOk}, {"<Down>", kDialogCancel},
        {"<Down>", kDialogCancel}, {"<Left>", kDialogOk}, {"<Right>", kDialogCancel},
        {"<Up>", kDialogOk}, {"<Up>", kLoose}, {"<Up>", kBox}, {"<Up>", kNote}, {"<Up>", kBand},
        {"<Up>", kOp}, {"<Up>", kSame}, {"<Up>", kEdit}, {"<Up>", kEdit},
        {"<Tab>", kNote}, {"<Tab>", kOp}, {"<Tab>", kBand}, {"<Tab>", kBox}, {"<Tab>", kEdit},
        {"<BTab>", kBox}, {"<BTab>", kBand}, {"<BTab>", kOp}, {"<BTab>", kNote},
        {"<BTab>", kEdit}, {"<Down>", kSame}, {"<Tab>", kNote}, {"<Up><Up><Up><BTab>", kEdit},
        {"<Down><Down><Down><Down><Down><Down><Down>", kDialogOk}, {"<Tab>", kNote},
        {"<Down><Down><Down><Down><BTab>", kEdit}};
    for (const auto& [keys, focus] : steps) {
        Press(form, keys);
        ASSERT_EQ(FocusId(form), focus) << "after " << keys;
    }
}

TEST(FormModel, ScrollsToKeepTheCursorInItsBox) {
    struct Case { std::string keys; int id; std::size_t top, left; };
    const std::string fifteen = "<Up><Up><Up><Up>ABCDEFGHIJKLMNO";
    for (const Case& c : {Case{fifteen, kEdit, 0, 6}, Case{fifteen + "<Home>", kEdit, 0, 0},
                          Case{fifteen + "<Home><End>", kEdit, 0, 6},
                          Case{"<Down>ABCDE", kBox, 0, 0},  // cursor just past the box
                          Case{"<Tab>ABCDEFGHIJKLMNOPQRST", kOp, 0, 7},
                          Case{"1<Enter>2<Enter>3<Enter>4<Enter>5", kNote, 2, 0},
                          Case{"1<Enter>2<Enter>3<Enter>4<Enter>5<Up><Up><Up><Up>", kNote, 0, 0}}) {
        FormModel form(kForm, {});
        Press(form, c.keys);
        EXPECT_EQ(Field(form, c.id).top, c.top) << c.keys;
        EXPECT_EQ(Field(form, c.id).left, c.left) << c.keys;
    }
}

}  // namespace
}  // namespace tavik
