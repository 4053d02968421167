#include "platform/user_interface.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace tavik {
namespace {

// Standard input replaced by an empty, non-terminal source while alive.
class StdinFromDevNull {
public:
    StdinFromDevNull() : saved_(dup(0)) {
        const int empty = open("/dev/null", O_RDONLY);
        dup2(empty, 0);
        close(empty);
    }
    ~StdinFromDevNull() {
        dup2(saved_, 0);
        close(saved_);
    }

private:
    int saved_;
};

TEST(ShowMessageBox, WritesCaptionAndTextWithoutWaiting) {
    StdinFromDevNull noTerminal;
    ::testing::internal::CaptureStderr();
    ShowMessageBox(FindOwnerWindow(), "Score file written.", "Tavik", kMessageBoxIconInformation);
    ShowMessageBox(nullptr, "Cannot open Tavik.ini", nullptr, kMessageBoxOk);
    ShowMessageBox(nullptr, "", "Tavik", kMessageBoxOk);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Tavik: Score file written.\nError: Cannot open Tavik.ini\nTavik: \n");
}

TEST(FindOwnerWindow, NoWindowsHere) { EXPECT_EQ(FindOwnerWindow(), nullptr); }

}  // namespace
}  // namespace tavik
