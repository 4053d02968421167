// The Cabrillo header dialog from Tavik.dll's own resources: run on a worker
// thread, checked and driven from this one.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "cabrillo/dialog_layout.h"
#include "platform/form_dialog.h"

namespace {

using tavik::ControlKind;
using tavik::DialogControl;
using tavik::DialogTexts;
using tavik::kCabrilloControls;

HMODULE Plugin() {
    static const HMODULE module = LoadLibraryA(TAVIK_PLUGIN_PATH);
    return module;
}

std::string Text(HWND window) {
    std::string text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(GetWindowTextA(window, text.data(), static_cast<int>(text.size())));
    return text;
}

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

LONG Style(HWND window) { return GetWindowLongA(window, GWL_STYLE); }

bool WaitUntil(const auto& condition) {
    // Generous: windows of a fresh Wine prefix on a busy machine are slow to come.
    for (int attempt = 0; attempt < 2400; ++attempt) {
        if (condition()) return true;
        Sleep(25);
    }
    return condition();
}

// One run of the dialog; the destructor cancels it if a test left it open.
class RunningDialog {
public:
    explicit RunningDialog(DialogTexts start = {}) : texts_(std::move(start)) {
        thread_ = std::thread([this] {
            result_ = tavik::RunFormDialog(tavik::kCabrilloForm, nullptr, Plugin(), texts_);
            ended_ = true;
        });
        WaitUntil([this] {
            // Shown only once WM_INITDIALOG has filled it in.
            window_ = FindWindowA("#32770", tavik::kCabrilloDialogCaption);
            return (window_ && IsWindowVisible(window_)) || ended_;
        });
    }
    ~RunningDialog() {
        if (!ended_) PostMessageA(window_, WM_COMMAND, IDCANCEL, 0);
        if (thread_.joinable()) thread_.join();
    }

    HWND window() const { return window_; }
    HWND item(int id) const { return GetDlgItem(window_, id); }

    HWND Focus() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &info);
        return info.hwndFocus;
    }

    // The dialog's result once it has ended; 0 (never returned) while still open.
    int Result() {
        if (!WaitUntil([this] { return ended_.load(); })) return 0;
        thread_.join();
        return result_;
    }
    const DialogTexts& texts() const { return texts_; }

private:
    DialogTexts texts_;
    std::thread thread_;
    std::atomic<bool> ended_{false};
    int result_ = 0;
    HWND window_ = nullptr;
};

std::vector<std::string> ListItems(HWND list) {
    std::vector<std::string> items;
    const auto count = SendMessageA(list, CB_GETCOUNT, 0, 0);
    for (LRESULT index = 0; index < count; ++index) {
        std::string item(static_cast<size_t>(SendMessageA(list, CB_GETLBTEXTLEN, index, 0)), '\0');
        SendMessageA(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(item.data()));
        items.push_back(item);
    }
    return items;
}

std::vector<HWND> Children(HWND dialog) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

void PressKey(HWND control, WPARAM key) {
    // The dialog's message loop translates the key into its character, as for a real key.
    PostMessageA(control, WM_KEYDOWN, key, 1);
    PostMessageA(control, WM_KEYUP, key, 0xC0000001);
}

void FocusOn(HWND dialog, HWND control) {
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

// Template 101 as stored in the DLL (DLGTEMPLATEEX), read field by field.
struct TemplateItem {
    DWORD style = 0;
    int x = 0, y = 0, width = 0, height = 0;
    int id = 0;
    std::string windowClass, text;
};

struct Template {
    DWORD style = 0;
    int width = 0, height = 0;
    std::string caption, font;
    int pointSize = 0;
    std::vector<TemplateItem> items;
};

class TemplateReader {
public:
    explicit TemplateReader(const BYTE* start) : start_(start), at_(start) {}
    WORD Word() { WORD value; std::memcpy(&value, at_, 2); at_ += 2; return value; }
    DWORD DWord() { DWORD value; std::memcpy(&value, at_, 4); at_ += 4; return value; }
    int Short() { return static_cast<short>(Word()); }
    // A string, or an ordinal written as "#n".
    std::string Name() {
        WORD first = Word();
        if (first == 0xFFFF) {
            char ordinal[8];
            std::snprintf(ordinal, sizeof ordinal, "#%u", Word());
            return ordinal;
        }
        std::string text;
        for (; first; first = Word()) text += static_cast<char>(first);
        return text;
    }
    void AlignToDWord() { at_ = start_ + ((at_ - start_ + 3) & ~3); }

private:
    const BYTE* start_;
    const BYTE* at_;
};

Template ReadTemplate() {
    Template result;
    const HRSRC found = FindResourceA(Plugin(), MAKEINTRESOURCEA(101), MAKEINTRESOURCEA(5));
    if (!found) return result;
    TemplateReader in(static_cast<const BYTE*>(LockResource(LoadResource(Plugin(), found))));
    if (in.Word() != 1 || in.Word() != 0xFFFF) return result;  // not DLGTEMPLATEEX
    in.DWord();  // help id
    in.DWord();  // extended style
    result.style = in.DWord();
    const int count = in.Word();
    in.Short(), in.Short();
    result.width = in.Short();
    result.height = in.Short();
    in.Name();  // menu
    in.Name();  // window class
    result.caption = in.Name();
    result.pointSize = in.Word();
    in.Word(), in.Word();  // weight, italic and character set
    result.font = in.Name();
    for (int index = 0; index < count; ++index) {
        in.AlignToDWord();
        TemplateItem item;
        in.DWord(), in.DWord();  // help id, extended style
        item.style = in.DWord();
        item.x = in.Short();
        item.y = in.Short();
        item.width = in.Short();
        item.height = in.Short();
        item.id = static_cast<int>(in.DWord());
        item.windowClass = in.Name();
        item.text = in.Name();
        for (int extra = in.Word(); extra > 0; --extra) in.Word();
        result.items.push_back(item);
    }
    return result;
}

constexpr const char* kButtonClass = "#128";
constexpr const char* kEditClass = "#129";
constexpr const char* kStaticClass = "#130";
constexpr const char* kComboBoxClass = "#133";

TEST(CabrilloDialog, TemplateInTheDllHoldsTheLayoutTable) {
    const Template dialog = ReadTemplate();
    EXPECT_EQ(dialog.style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT),
              WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT);
    EXPECT_EQ(dialog.width, tavik::kCabrilloDialogWidth);
    EXPECT_EQ(dialog.height, tavik::kCabrilloDialogHeight);
    EXPECT_EQ(dialog.caption, tavik::kCabrilloDialogCaption);
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.font, "MS Sans Serif");
    // 19 fields, their 19 labels, OK and CANCEL.
    ASSERT_EQ(dialog.items.size(), 40u);

    // Fields first, the tab stops in tab order, then the rest as on screen.
    std::vector<int> expectedOrder(tavik::kCabrilloTabOrder.begin(),
                                   tavik::kCabrilloTabOrder.end());
    for (const DialogControl& control : kCabrilloControls)
        if (!control.tabStop) expectedOrder.push_back(control.id);
    for (size_t index = 0; index < expectedOrder.size(); ++index)
        EXPECT_EQ(dialog.items[index].id, expectedOrder[index]) << "position " << index;

    for (const DialogControl& control : kCabrilloControls) {
        SCOPED_TRACE(control.label);
        const auto found = std::find_if(
            dialog.items.begin(), dialog.items.begin() + 19,
            [&](const TemplateItem& item) { return item.id == control.id; });
        ASSERT_NE(found, dialog.items.begin() + 19);
        const TemplateItem& field = *found;
        EXPECT_EQ(field.x, control.x);
        EXPECT_EQ(field.y, control.y);
        EXPECT_EQ(field.width, control.width);
        EXPECT_EQ(field.height, control.height);
        EXPECT_EQ((field.style & WS_DISABLED) == 0, control.enabled);
        EXPECT_EQ(field.windowClass, control.kind == ControlKind::kDropDownList
                                         ? kComboBoxClass : kEditClass);
        // The list's scroll bar passes to its drop-down part on screen: check it here.
        const bool scrolls = control.kind == ControlKind::kDropDownList ||
                             control.kind == ControlKind::kMultiLineEdit;
        EXPECT_EQ((field.style & WS_VSCROLL) != 0, scrolls);

        // Its label: left of it on its row, at the left edge (CLAIMED after CALLSIGN),
        // disabled along with it.
        const auto label = std::find_if(
            dialog.items.begin() + 19, dialog.items.begin() + 38,
            [&](const TemplateItem& item) { return item.text == control.label; });
        if (label == dialog.items.begin() + 38) {
            ADD_FAILURE() << "no label";
            continue;
        }
        EXPECT_EQ(label->windowClass, kStaticClass);
        EXPECT_EQ(label->style & SS_TYPEMASK, SS_LEFT);
        EXPECT_EQ((label->style & WS_DISABLED) == 0, control.enabled);
        if (control.id == tavik::kIdClaimed) {
            EXPECT_EQ(label->x, 149);
        } else {
            EXPECT_GE(label->x, 9);
            EXPECT_LE(label->x, 11);
        }
        EXPECT_LE(label->x + label->width, control.x);
        EXPECT_GE(label->y, control.y);
        EXPECT_LE(label->y + label->height, control.y + 14);
    }

    const TemplateItem& ok = dialog.items[38];
    const TemplateItem& cancel = dialog.items[39];
    EXPECT_EQ(std::tie(ok.id, ok.text, ok.x, ok.y, ok.width, ok.height),
              std::make_tuple(IDOK, std::string("OK"), 81, 319, 51, 21));
    EXPECT_EQ(std::tie(cancel.id, cancel.text, cancel.x, cancel.y, cancel.width, cancel.height),
              std::make_tuple(IDCANCEL, std::string("CANCEL"), 145, 319, 46, 21));
    for (const TemplateItem* button : {&ok, &cancel}) {
        EXPECT_EQ(button->windowClass, kButtonClass);
        EXPECT_EQ(button->style & (BS_TYPEMASK | WS_TABSTOP), BS_PUSHBUTTON);
    }
}

TEST(CabrilloDialog, ShowsTheControlsWithTheirStylesStateAndTabOrder) {
    RunningDialog run;
    const HWND dialog = run.window();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Text(dialog), "CIS QPSK63 DX Contest");
    EXPECT_EQ(Style(dialog) & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME),
              WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), nullptr);
    RECT client;
    GetClientRect(dialog, &client);
    RECT size{0, 0, tavik::kCabrilloDialogWidth, tavik::kCabrilloDialogHeight};
    MapDialogRect(dialog, &size);
    EXPECT_TRUE(EqualRect(&client, &size));

    const std::vector<HWND> children = Children(dialog);
    ASSERT_EQ(children.size(), 40u);
    std::vector<std::string> labels;
    for (size_t index = 19; index < 38; ++index) {
        EXPECT_EQ(ClassOf(children[index]), "Static");
        labels.push_back(Text(children[index]));
    }

    for (const DialogControl& control : kCabrilloControls) {
        SCOPED_TRACE(control.label);
        const HWND window = run.item(control.id);
        ASSERT_NE(window, nullptr);
        const LONG style = Style(window);
        EXPECT_EQ(IsWindowEnabled(window) != FALSE, control.enabled);
        EXPECT_EQ((style & WS_TABSTOP) != 0, control.tabStop);
        if (control.kind == ControlKind::kDropDownList) {
            EXPECT_EQ(ClassOf(window), "ComboBox");
            EXPECT_EQ(style & 3, CBS_DROPDOWN);
            EXPECT_EQ((style & CBS_SORT) != 0, control.sorted);
        } else {
            const bool multiLine = control.kind == ControlKind::kMultiLineEdit;
            EXPECT_EQ(ClassOf(window), "Edit");
            EXPECT_EQ((style & ES_MULTILINE) != 0, multiLine);
            EXPECT_EQ((style & ES_WANTRETURN) != 0, multiLine);
            EXPECT_EQ((style & ES_AUTOVSCROLL) != 0, multiLine);
            EXPECT_EQ((style & ES_AUTOHSCROLL) != 0, control.kind == ControlKind::kEdit);
        }
        // Labels as on screen, typing slips included.
        const auto label = std::find(labels.begin(), labels.end(), control.label);
        if (label == labels.end())
            ADD_FAILURE() << "no label";
        else
            EXPECT_EQ(IsWindowEnabled(children[19 + (label - labels.begin())]) != FALSE,
                      control.enabled);
    }
    EXPECT_EQ(Text(run.item(IDOK)), "OK");
    EXPECT_EQ(Text(run.item(IDCANCEL)), "CANCEL");

    // Tab walks the enabled tab stops in table order and wraps round.
    std::vector<int> expectedTabs;
    for (int id : tavik::kCabrilloTabOrder)
        if (IsWindowEnabled(run.item(id))) expectedTabs.push_back(id);
    expectedTabs.push_back(expectedTabs.front());
    std::vector<int> tabs{tavik::kIdSoapBox};
    for (HWND at = run.item(tavik::kIdSoapBox); tabs.size() < expectedTabs.size();) {
        at = GetNextDlgTabItem(dialog, at, FALSE);
        tabs.push_back(GetDlgCtrlID(at));
    }
    EXPECT_EQ(tabs, expectedTabs);
}

TEST(CabrilloDialog, ShowsStartValuesAndReturnsEveryTextAfterOk) {
    const DialogTexts start{
        {tavik::kIdContest, "CIS-QPSK63"},      {tavik::kIdCallSign, "UA9ABC"},
        {tavik::kIdCategoryOperator, "single-op"}, {tavik::kIdCategoryBand, "80m"},
        {tavik::kIdCategoryPower, "QRP"},       {tavik::kIdCategoryTransmitter, ""},
        {tavik::kIdSoapBox, "Good\r\nconditions"}, {tavik::kIdName, "Ivan"},
        {4242, "not a control"}};
    RunningDialog run(start);
    ASSERT_NE(run.window(), nullptr);
    const HWND dialog = run.window();

    const std::pair<int, std::vector<std::string>> lists[] = {
        {tavik::kIdCategoryOperator, {"CHECKLOG", "MULTI-MULTI", "MULTI-OP", "SINGLE-OP"}},
        {tavik::kIdCategoryBand, {"ALL", "80M", "40M", "20M", "15M", "10M", "80M-40M", "20M-10M"}},
        {tavik::kIdCategoryPower, {"HIGH", "LOW"}},
        {tavik::kIdCategoryTime, {"12-HOURS", "24-HOURS"}},
        {tavik::kIdCategoryTransmitter, {"ONE", "UNLIMITED"}},
        {tavik::kIdCategoryOverlay, {"JUNIOR"}}};
    for (const auto& [id, items] : lists) EXPECT_EQ(ListItems(run.item(id)), items) << id;

    // First item on screen beginning with the text, whatever its case; else the text as typed.
    const std::pair<int, LRESULT> selected[] = {
        {tavik::kIdCategoryOperator, 3}, {tavik::kIdCategoryBand, 1},
        {tavik::kIdCategoryPower, CB_ERR}, {tavik::kIdCategoryTransmitter, CB_ERR},
        {tavik::kIdCategoryTime, CB_ERR}};
    for (const auto& [id, index] : selected)
        EXPECT_EQ(SendMessageA(run.item(id), CB_GETCURSEL, 0, 0), index) << id;
    EXPECT_EQ(Text(run.item(tavik::kIdCategoryOperator)), "SINGLE-OP");
    EXPECT_EQ(Text(run.item(tavik::kIdCategoryBand)), "80M");
    EXPECT_EQ(Text(run.item(tavik::kIdCategoryPower)), "QRP");
    EXPECT_EQ(Text(run.item(tavik::kIdCategoryTransmitter)), "");
    EXPECT_EQ(Text(run.item(tavik::kIdSoapBox)), "Good\r\nconditions");
    EXPECT_EQ(Text(run.item(tavik::kIdCallSign)), "UA9ABC");
    EXPECT_EQ(Text(run.item(tavik::kIdEmail)), "");

    EXPECT_EQ(run.Focus(), run.item(tavik::kIdSoapBox));
    for (int id : {IDOK, IDCANCEL})
        EXPECT_EQ(Style(run.item(id)) & BS_TYPEMASK, BS_PUSHBUTTON);

    // Edit: set a field, pick list items, type into a list's edit field, a long text.
    const std::string operators(3000, 'R');
    SetWindowTextA(run.item(tavik::kIdOperators), operators.c_str());
    SetWindowTextA(run.item(tavik::kIdName), "Ivan Petrov");
    SendMessageA(run.item(tavik::kIdCategoryBand), CB_SETCURSEL, 2, 0);
    SendMessageA(run.item(tavik::kIdCategoryTransmitter), CB_SETCURSEL, 1, 0);
    const HWND powerField = GetWindow(run.item(tavik::kIdCategoryPower), GW_CHILD);
    ASSERT_EQ(ClassOf(powerField), "Edit");
    SendMessageA(powerField, EM_SETSEL, 0, -1);
    for (char typed : std::string("5 w")) SendMessageA(powerField, WM_CHAR, typed, 1);

    PostMessageA(run.item(IDOK), BM_CLICK, 0, 0);
    ASSERT_EQ(run.Result(), tavik::kDialogOk);
    const DialogTexts expected{
        {tavik::kIdOffTime, ""},          {tavik::kIdSoapBox, "Good\r\nconditions"},
        {tavik::kIdAddress, ""},          {tavik::kIdEmail, ""},
        {tavik::kIdClub, ""},             {tavik::kIdOperators, operators},
        {tavik::kIdName, "Ivan Petrov"},  {tavik::kIdClaimed, ""},
        {tavik::kIdContest, "CIS-QPSK63"}, {tavik::kIdCallSign, "UA9ABC"},
        {tavik::kIdCategoryOperator, "SINGLE-OP"}, {tavik::kIdCategoryPower, "5 w"},
        {tavik::kIdCategoryBand, "40M"},  {tavik::kIdCategoryTime, ""},
        {tavik::kIdCategoryTransmitter, "UNLIMITED"}, {tavik::kIdAddressCity, ""},
        {tavik::kIdAddressPostalCode, ""}, {tavik::kIdAddressCountry, ""},
        {tavik::kIdCategoryOverlay, ""},  {4242, "not a control"}};
    EXPECT_EQ(run.texts(), expected);
    EXPECT_FALSE(IsWindow(dialog));
}

TEST(CabrilloDialog, PrefixSelectsTheFirstMatchOnScreen) {
    RunningDialog run({{tavik::kIdCategoryOperator, "MULTI"}, {tavik::kIdCategoryBand, "20M"}});
    ASSERT_NE(run.window(), nullptr);
    EXPECT_EQ(Text(run.item(tavik::kIdCategoryOperator)), "MULTI-MULTI");
    EXPECT_EQ(SendMessageA(run.item(tavik::kIdCategoryOperator), CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(SendMessageA(run.item(tavik::kIdCategoryBand), CB_GETCURSEL, 0, 0), 3);
}

TEST(CabrilloDialog, CancelEscapeAndCloseBoxReturnTwoAndKeepTheTexts) {
    const DialogTexts start{{tavik::kIdName, "Ivan"}, {tavik::kIdCategoryPower, "LOW"}};
    const struct {
        const char* how;
        void (*end)(RunningDialog&);
    } endings[] = {
        {"CANCEL", [](RunningDialog& run) { PostMessageA(run.item(IDCANCEL), BM_CLICK, 0, 0); }},
        {"Escape", [](RunningDialog& run) { PressKey(run.Focus(), VK_ESCAPE); }},
        {"Escape in a list",
         [](RunningDialog& run) {
             FocusOn(run.window(), run.item(tavik::kIdCategoryPower));
             PressKey(run.Focus(), VK_ESCAPE);
         }},
        {"close box",
         [](RunningDialog& run) { PostMessageA(run.window(), WM_SYSCOMMAND, SC_CLOSE, 0); }}};
    for (const auto& ending : endings) {
        SCOPED_TRACE(ending.how);
        RunningDialog run(start);
        ASSERT_NE(run.window(), nullptr);
        SetWindowTextA(run.item(tavik::kIdName), "changed");
        SetWindowTextA(run.item(tavik::kIdContest), "changed");
        ending.end(run);
        EXPECT_EQ(run.Result(), tavik::kDialogCancel);
        EXPECT_EQ(run.texts(), start);
    }
}

TEST(CabrilloDialog, EnterBreaksTheSoapboxLineButEndsTheDialogInAOneLineField) {
    RunningDialog run({{tavik::kIdSoapBox, "73"}});
    ASSERT_NE(run.window(), nullptr);
    const HWND soapBox = run.item(tavik::kIdSoapBox);
    ASSERT_EQ(run.Focus(), soapBox);
    SendMessageA(soapBox, EM_SETSEL, 2, 2);
    PressKey(soapBox, VK_RETURN);
    EXPECT_TRUE(WaitUntil([&] { return Text(soapBox) != "73"; }));
    EXPECT_EQ(Text(soapBox), "73\r\n");
    EXPECT_TRUE(IsWindowVisible(run.window()));

    const HWND name = run.item(tavik::kIdName);
    FocusOn(run.window(), name);
    ASSERT_EQ(run.Focus(), name);
    SendMessageA(name, WM_CHAR, 'I', 1);
    PressKey(name, VK_RETURN);
    ASSERT_EQ(run.Result(), tavik::kDialogOk);
    EXPECT_EQ(run.texts().at(tavik::kIdSoapBox), "73\r\n");
    EXPECT_EQ(run.texts().at(tavik::kIdName), "I");
}

TEST(CabrilloDialog, ModuleWithoutTheTemplateIsNotCreated) {
    DialogTexts texts{{tavik::kIdName, "Ivan"}};
    EXPECT_EQ(tavik::RunFormDialog(tavik::kCabrilloForm, nullptr, GetModuleHandleA(nullptr), texts),
              tavik::kDialogNotCreated);
    EXPECT_EQ(texts, (DialogTexts{{tavik::kIdName, "Ivan"}}));
}

}  // namespace
