// Curses on the process's own terminal for as long as the object lives, and the
// process's state as it was afterwards (the signals curses takes over, the Esc
// delay), on every way out, exceptions included. Shared by the header form and
// the host's live window.
#pragma once

// Without this, curses defines erase(), move() and the like as macros.
#define NCURSES_NOMACROS
#include <curses.h>
#include <signal.h>

#include <array>

namespace tavik::posix {

class CursesScreen {
public:
    CursesScreen();
    ~CursesScreen();
    CursesScreen(const CursesScreen&) = delete;
    CursesScreen& operator=(const CursesScreen&) = delete;

    // False when the terminal cannot be used (unknown type): nothing was set up.
    bool Ok() const { return screen_ != nullptr; }

private:
    static constexpr std::array<int, 4> kSignals{SIGINT, SIGTERM, SIGTSTP, SIGWINCH};
    std::array<struct sigaction, 4> savedSignals_{};
    int savedEscapeDelay_ = 0;
    SCREEN* screen_ = nullptr;
};

}  // namespace tavik::posix
