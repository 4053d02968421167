// Message boxes without a window system: the message goes to the standard error
// stream, and only someone at a terminal is asked to acknowledge it.
#include "platform/user_interface.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace tavik {
namespace {

void WriteAll(int fd, const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

// /dev/tty opened is that device node, not the terminal behind it; a terminal
// is ours when it belongs to our session.
bool IsControllingTerminal(int fd) {
    const pid_t session = tcgetsid(fd);
    return isatty(fd) && session != -1 && session == getsid(0);
}

}  // namespace

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
    if (!isatty(STDIN_FILENO)) {
        return;
    }
    // The prompt belongs on the terminal even when standard error goes to a file.
    const int terminal = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal < 0) {
        return;
    }
    // Whoever is asked must see what to acknowledge.
    WriteAll(terminal, IsControllingTerminal(STDERR_FILENO) ? "[press Enter]"
                                                             : line + "[press Enter]");
    // Reading the descriptor directly leaves nothing buffered for the host's own input.
    char c = 0;
    for (;;) {
        const ssize_t n = read(terminal, &c, 1);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0 || c == '\n') {
            break;
        }
    }
    close(terminal);
}

}  // namespace tavik
