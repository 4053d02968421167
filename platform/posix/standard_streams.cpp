#include <unistd.h>

#include <cstdio>

#include "platform/standard_streams.h"

namespace tavik {

bool ErrorStreamIsTerminal() { return isatty(STDERR_FILENO) == 1; }

bool WriteToStandardOutput(const char* data, std::size_t size) {
    // Standard output is a byte stream here; a Windows build must switch it to binary
    // first so that the report's CR LF are not doubled.
    return std::fwrite(data, 1, size, stdout) == size && std::fflush(stdout) == 0;
}

bool WriteToStandardError(const char* data, std::size_t size) {
    return std::fwrite(data, 1, size, stderr) == size && std::fflush(stderr) == 0;
}

}  // namespace tavik
