// With the host's main window active, every modal window of the plugin belongs to
// it: the window is disabled while the plugin's window is open, enabled and active
// again afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "cabrillo/dialog_layout.h"
#include "host/plugin_loader.h"

namespace fs = std::filesystem;

namespace {

HWND WaitForDialog(const char* caption) {
    for (int attempt = 0; attempt < 2400; ++attempt) {
        HWND window = FindWindowA("#32770", caption);
        if (window && IsWindowVisible(window)) return window;
        Sleep(25);
    }
    return nullptr;
}

struct AfterCall {
    bool enabled = false;
    bool active = false;
};

// Runs call on a thread whose active window stands in for the host's main window,
// and reports the window's state once the call has returned.
class HostWindowThread {
public:
    explicit HostWindowThread(std::function<void()> call)
        : thread_([this, call] {
              window_ = CreateWindowExA(0, "STATIC", "Qorv host window",
                                        WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200,
                                        nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
              SetForegroundWindow(window_);
              SetActiveWindow(window_);
              created_ = true;
              call();
              after_.enabled = IsWindowEnabled(window_) != FALSE;
              after_.active = GetActiveWindow() == window_;
              DestroyWindow(window_);
          }) {
        while (!created_) Sleep(5);
    }
    AfterCall Join() {
        thread_.join();
        return after_;
    }
    HWND Window() const { return window_; }

private:
    HWND window_ = nullptr;
    std::atomic<bool> created_{false};
    AfterCall after_;
    std::thread thread_;
};

class OwnerWindow : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = fs::current_path();
        folder_ = fs::temp_directory_path() /
                  ("tavik-owner-" +
                   std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(folder_ / "Plugins");
        fs::current_path(folder_);
        std::string error;
        ASSERT_TRUE(tavik::host::LoadPlugin(TAVIK_PLUGIN_PATH, api_, error)) << error;
    }
    void TearDown() override {
        api_ = tavik::host::PluginApi{};
        fs::current_path(previous_);
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    void Reset(int32_t exportFlag) {
        static const COleDateTime day{45920.5, kDateTimeValid};
        api_.resetStats0("", exportFlag, "RA3XYZ", &day, &day, "", "", "", "", "", "", "", "",
                         "", "UA", 0, 0, 0, 0.0, 0.0, "", "", "");
    }

    tavik::host::PluginApi api_;
    fs::path folder_;
    fs::path previous_;
};

}  // namespace

TEST_F(OwnerWindow, HeaderDialogNoticeAndSetupBoxBelongToTheHostWindow) {
    struct Case {
        const char* what;
        std::function<void()> call;
        const char* caption;
        WPARAM button;
    };
    int32_t exportDone = 0;
    const Case cases[] = {
        {"header dialog, OK", [&] { Reset(1); }, tavik::kCabrilloDialogCaption, IDOK},
        {"Output notice", [&] { api_.getResult0(&exportDone); }, "Output", IDOK},
        {"header dialog, CANCEL", [&] { Reset(1); }, tavik::kCabrilloDialogCaption, IDCANCEL},
        {"setup box", [&] { api_.setupSet0(); }, "Error", IDOK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HostWindowThread host(c.call);
        HWND shown = WaitForDialog(c.caption);
        if (!shown) {
            ADD_FAILURE() << "no window appeared";
            std::fflush(stdout);
            std::_Exit(1);  // the call is still blocked in the library
        }
        EXPECT_EQ(GetWindow(shown, GW_OWNER), host.Window());
        EXPECT_FALSE(IsWindowEnabled(host.Window()));
        PostMessageA(shown, WM_COMMAND, c.button, 0);
        const AfterCall after = host.Join();
        EXPECT_TRUE(after.enabled);
        EXPECT_TRUE(after.active);
    }
    EXPECT_EQ(exportDone, -1);
}
