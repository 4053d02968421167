// Message boxes without a window system: the message goes to the standard error
// stream, and only someone at a terminal is asked to acknowledge it.
#include "platform/user_interface.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace tavik {

WindowHandle FindOwnerWindow() { return nullptr; }

void ShowMessageBox(WindowHandle /*owner*/, const std::string& text, const char* caption,
                    unsigned /*style*/) {
    // One write, so that output of other threads cannot split the message.
    std::string line = caption != nullptr ? caption : "Error";
    line += ": ";
    line += text;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);

    // A batch run or a host without a console must never hang here.
    if (!isatty(0)) {
        return;
    }
    std::fputs("[press Enter]", stderr);
    std::fflush(stderr);
    // Reading the descriptor directly leaves nothing buffered for the host's own input.
    char c = 0;
    for (;;) {
        const ssize_t n = read(0, &c, 1);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0 || c == '\n') {
            break;
        }
    }
}

}  // namespace tavik
