// SetupSet0 shows a real message box: find it, check it, press OK.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "host/session/plugin_loader.h"

namespace {

struct BoxSearch {
    DWORD process = 0;
    HWND found = nullptr;
};

BOOL CALLBACK FindDialogOfProcess(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<BoxSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (owner == search->process && std::string(className) == "#32770" &&
        IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForMessageBox() {
    // Generous: the first window of a fresh Wine prefix on a busy machine is slow.
    for (int attempt = 0; attempt < 1200; ++attempt) {
        BoxSearch search;
        search.process = GetCurrentProcessId();
        EnumWindows(FindDialogOfProcess, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        Sleep(50);
    }
    return nullptr;
}

std::string WindowText(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM parameter) {
    reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(child);
    return TRUE;
}

}  // namespace

TEST(SetupMessageBox, ShowsTheTextWithOneOkButtonAndReturnsWhenClosed) {
    auto loaded = tavik::host::LoadPlugin(TAVIK_PLUGIN_PATH);
    ASSERT_TRUE(loaded) << loaded.Why().message;
    tavik::host::PluginApi api = std::move(*loaded);

    std::atomic<bool> returned{false};
    std::thread caller([&] {
        api.setupSet0();
        returned = true;
    });

    const HWND box = WaitForMessageBox();
    if (!box) {
        // The call is still blocked in the library; end here rather than hang or crash.
        ADD_FAILURE() << "no message box appeared";
        std::fflush(stdout);
        std::_Exit(1);
    }
    EXPECT_FALSE(returned.load()) << "SetupSet0 returned while its box was open";

    // No caption of its own: the system's default caption.
    EXPECT_EQ(WindowText(box), "Error");

    std::vector<HWND> children;
    EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&children));
    std::vector<std::string> buttons;
    bool textFound = false;
    for (HWND child : children) {
        char className[64] = {};
        GetClassNameA(child, className, sizeof className);
        if (std::string(className) == "Button" && IsWindowVisible(child))
            buttons.push_back(WindowText(child));
        if (WindowText(child) == "No additional setup for this plugin") textFound = true;
    }
    EXPECT_TRUE(textFound);
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(buttons[0], "OK");
    EXPECT_NE(GetDlgItem(box, IDOK), nullptr);

    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    caller.join();
    EXPECT_TRUE(returned.load());
    EXPECT_FALSE(IsWindow(box));
}
