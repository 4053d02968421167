// Waiting for a terminal screen in tmux to be as a test expects it. A capture may
// come before a redraw or halfway through one, so a test polls until all it
// expects of the screen holds: it then asserts exactly the state it waited for.
#pragma once

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// Generous: a loaded machine running the sanitizer build draws slowly.
constexpr std::chrono::seconds kScreenPatience{30};

// Captures until expect() finds nothing wrong; its failures while polling are held
// back. At the deadline it runs once more on the last capture and reports for real.
inline std::vector<std::string> AwaitScreen(
    const std::function<std::vector<std::string>()>& capture,
    const std::function<void(const std::vector<std::string>&)>& expect) {
    const auto deadline = std::chrono::steady_clock::now() + kScreenPatience;
    for (;;) {
        std::vector<std::string> screen = capture();
        ::testing::TestPartResultArray results;
        {
            const ::testing::ScopedFakeTestPartResultReporter quiet(
                ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD,
                &results);
            expect(screen);
        }
        bool held = true;
        for (int i = 0; i < results.size(); ++i) {
            held = held && !results.GetTestPartResult(i).failed();
        }
        if (held) return screen;
        if (std::chrono::steady_clock::now() >= deadline) {
            std::string shown;
            for (const std::string& line : screen) shown += line + "\n";
            ADD_FAILURE() << "waited in vain for the screen below to be as expected:\n" << shown;
            expect(screen);
            return screen;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}
