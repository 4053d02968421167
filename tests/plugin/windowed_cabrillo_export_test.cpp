// A whole export through the entry points, as the host runs it: the header dialog
// of ResetStats0, then the "Output" notice of GetResult0, then the files.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "abi/plugin_client.h"
#include "cabrillo/dialog_layout.h"
#include "host/session/plugin_loader.h"
#include "support/qso_spec.h"

namespace fs = std::filesystem;

namespace {

std::string Text(HWND window) {
    std::string text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(GetWindowTextA(window, text.data(), static_cast<int>(text.size())));
    return text;
}

HWND WaitForWindow(const char* caption) {
    // Generous: windows of a fresh Wine prefix on a busy machine are slow to come.
    for (int attempt = 0; attempt < 2400; ++attempt) {
        HWND window = FindWindowA("#32770", caption);
        if (window && IsWindowVisible(window)) return window;
        Sleep(25);
    }
    return nullptr;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs one entry-point call on a worker thread, as its modal window needs the
// test's thread free to find and press it.
template <typename Call>
class InBackground {
public:
    explicit InBackground(Call call) : thread_([this, call] {
          result_ = call();
          done_ = true;
      }) {}
    ~InBackground() {
        if (thread_.joinable()) thread_.join();
    }
    auto Result() {
        thread_.join();
        return result_;
    }
    bool Done() const { return done_; }

private:
    decltype(std::declval<Call>()()) result_{};
    std::atomic<bool> done_{false};
    std::thread thread_;
};

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

class WindowedExport : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = fs::current_path();
        folder_ = fs::temp_directory_path() /
                  ("tavik-windowed-" +
                   std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(folder_ / "Plugins");
        fs::current_path(folder_);
        std::ofstream("Plugins\\Tavik.ini", std::ios::binary)
            << "[Settings]\r\nName=Stored Name\r\nClub=Old Club\r\n";
        auto loaded = tavik::host::LoadPlugin(TAVIK_PLUGIN_PATH);
        ASSERT_TRUE(loaded) << loaded.Why().message;
        api_ = std::move(*loaded);
    }
    void TearDown() override {
        api_ = tavik::host::PluginApi{};
        fs::current_path(previous_);
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    int32_t Reset(int32_t exportFlag) {
        tavik::abi::RunSetup run;
        run.ownCall = "RA3XYZ";
        run.ownCountryPrefix = "UA";
        run.periodStart = {45920.5, kDateTimeValid};
        run.periodEnd = {45921.5, kDateTimeValid};
        run.exportFlag = exportFlag;
        return tavik::abi::ResetStats(api_, run);
    }
    int32_t AddQso() {
        QsoSpec qso;
        qso.ownCallLogged = "RA3XYZ";
        qso.call = "DL1ABC";
        qso.time = {45920.50347222222, kDateTimeValid};  // 12:05
        qso.exchangeSent = "0042";
        qso.countryPrefix = "DL";
        return tavik::abi::Add(api_, qso);
    }

    tavik::host::PluginApi api_;
    fs::path folder_;
    fs::path previous_;
};

}  // namespace

TEST_F(WindowedExport, DialogThenNoticeThenLogAndSettings) {
    InBackground reset([this] { return Reset(1); });
    HWND dialog = WaitForWindow(tavik::kCabrilloDialogCaption);
    ASSERT_NE(dialog, nullptr) << "the header dialog did not open";
    EXPECT_FALSE(reset.Done());
    EXPECT_EQ(Text(GetDlgItem(dialog, tavik::kIdCallSign)), "RA3XYZ");
    EXPECT_EQ(Text(GetDlgItem(dialog, tavik::kIdName)), "Stored Name");
    EXPECT_EQ(Text(GetDlgItem(dialog, tavik::kIdContest)), "CIS-QPSK63-DX");
    EXPECT_EQ(Text(GetDlgItem(dialog, tavik::kIdOperators)), "RA3XYZ");
    EXPECT_EQ(Text(GetDlgItem(dialog, tavik::kIdCategoryOperator)), "SINGLE-OP");
    SetWindowTextA(GetDlgItem(dialog, tavik::kIdSoapBox), "Line one\r\nLine two");
    SetWindowTextA(GetDlgItem(dialog, tavik::kIdClub), "New Club");
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(reset.Result(), 1);

    const std::string settings = ReadFile("Plugins\\Tavik.ini");
    EXPECT_NE(settings.find("Club=New Club\r\n"), std::string::npos) << settings;
    EXPECT_NE(settings.find("SoapBox=Line one<CR><LF>Line two\r\n"), std::string::npos);
    EXPECT_NE(settings.find("Category=SINGLE-OP\r\n"), std::string::npos);

    EXPECT_EQ(AddQso(), 1);
    int32_t flag = 0;
    InBackground result([this, &flag] { return api_.getResult0(&flag); });
    HWND notice = WaitForWindow("Output");
    ASSERT_NE(notice, nullptr) << "no notice appeared";
    EXPECT_FALSE(result.Done());
    bool textFound = false;
    int buttons = 0;
    for (HWND child = GetWindow(notice, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[32] = {};
        GetClassNameA(child, className, sizeof className);
        if (Text(child) == "File produced: RA3XYZ.cbr") textFound = true;
        if (std::string(className) == "Button" && IsWindowVisible(child)) ++buttons;
    }
    EXPECT_TRUE(textFound);
    EXPECT_EQ(buttons, 1);
    PostMessageA(notice, WM_COMMAND, IDOK, 0);
    const char* report = result.Result();
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(flag, -1);

    const std::string log = ReadFile("RA3XYZ.cbr");
    EXPECT_EQ(log.rfind("START-OF-LOG: 3.0\r\nCONTEST: CIS-QPSK63-DX\r\nCALLSIGN: RA3XYZ\r\n", 0),
              0u)
        << log;
    EXPECT_NE(log.find("CLAIMED-SCORE: 1\r\n"), std::string::npos);
    EXPECT_NE(log.find("NAME: Stored Name\r\n"), std::string::npos);
    EXPECT_NE(log.find("SOAPBOX: Line one\r\nSOAPBOX: Line two\r\n"
                       "QSO: 14070 QM 2025-09-20 1205 RA3XYZ        599 0042   DL1ABC        579 1001\r\n"
                       "END-OF-LOG:\r\n"),
              std::string::npos)
        << log;
}

TEST_F(WindowedExport, CancelAndEscapeWriteNothing) {
    for (const bool escape : {false, true}) {
        InBackground reset([this] { return Reset(1); });
        HWND dialog = WaitForWindow(tavik::kCabrilloDialogCaption);
        ASSERT_NE(dialog, nullptr);
        SetWindowTextA(GetDlgItem(dialog, tavik::kIdName), "Changed");
        if (escape) {
            HWND name = GetDlgItem(dialog, tavik::kIdName);
            PostMessageA(name, WM_KEYDOWN, VK_ESCAPE, 1);
            PostMessageA(name, WM_KEYUP, VK_ESCAPE, 0xC0000001);
        } else {
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }
        EXPECT_EQ(reset.Result(), 1);
        EXPECT_EQ(ReadFile("Plugins\\Tavik.ini"),
                  "[Settings]\r\nName=Stored Name\r\nClub=Old Club\r\n");
    }
}

// With the host's main window active, every modal window of the plugin belongs to
// it: the window is disabled while the plugin's window is open, enabled and active
// again afterwards.
TEST_F(WindowedExport, HeaderDialogNoticeAndSetupBoxBelongToTheHostWindow) {
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
        HWND shown = WaitForWindow(c.caption);
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
