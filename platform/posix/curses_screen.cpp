#include "platform/posix/curses_screen.h"

#include <cstdio>

namespace tavik::posix {

CursesScreen::CursesScreen() {
    for (std::size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], nullptr, &savedSignals_[i]);
    savedEscapeDelay_ = get_escdelay();
    std::fflush(stdout);
    // newterm, unlike initscr, returns instead of exiting when it fails.
    screen_ = newterm(nullptr, stdout, stdin);
}

CursesScreen::~CursesScreen() {
    if (screen_ != nullptr) {
        endwin();
        delscreen(screen_);
    }
    set_escdelay(savedEscapeDelay_);
    for (std::size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &savedSignals_[i], nullptr);
}

}  // namespace tavik::posix
