// The live score window on the terminal: draws a LiveSnapshot and reads the keys.
#pragma once

#include <memory>

#include "host/live/live_snapshot.h"

namespace tavik::host {

struct LiveViewSettings {
    bool bell = false;    // ring the terminal bell on a dupe
    bool colors = true;   // false: attributes only (NO_COLOR)
};

class LiveView {
public:
    // The window on the terminal, or nullptr when standard input or output is not a
    // terminal, the terminal type is unknown, or the system has no curses (Windows).
    // Only one may be open at a time: curses has one screen per process here.
    static std::unique_ptr<LiveView> Open(CallChecker checker, LiveViewSettings settings);

    virtual ~LiveView() = default;  // implementations give the terminal back as it was

    // Keeps a copy and redraws at once; a call being checked is checked again.
    virtual void Show(const LiveSnapshot& snapshot) = 0;

    // Reads the keys waiting, never waiting for more (an Esc alone costs a few
    // milliseconds). Also redraws after a terminal resize, so call it when poll()
    // on InputDescriptor() returns for any reason, EINTR included (SIGWINCH).
    // False once the user asked to quit: q with an empty call line, or Ctrl+C.
    virtual bool HandleInput() = 0;

    virtual int InputDescriptor() const = 0;
};

}  // namespace tavik::host
