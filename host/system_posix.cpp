#include <unistd.h>

#include <cstdio>
#include <vector>

#include "host/system.h"

namespace tavik::host {

std::string ExecutablePath() {
    std::vector<char> buffer(4096);
    while (true) {
        ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return {};
        if (static_cast<std::size_t>(length) < buffer.size())
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        buffer.resize(buffer.size() * 2);
    }
}

bool ErrorStreamIsTerminal() { return isatty(STDERR_FILENO) == 1; }

bool WriteToStandardOutput(const char* data, std::size_t size) {
    // Standard output is a byte stream here; a Windows build must switch it to binary
    // first so that the report's CR LF are not doubled.
    return std::fwrite(data, 1, size, stdout) == size && std::fflush(stdout) == 0;
}

}  // namespace tavik::host
