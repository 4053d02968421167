#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "platform/standard_streams.h"

namespace tavik {

bool ErrorStreamIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

bool WriteToStandardOutput(const char* data, std::size_t size) {
    // Binary, so that the report's CR LF are not turned into CR CR LF.
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
    return std::fwrite(data, 1, size, stdout) == size && std::fflush(stdout) == 0;
}

bool WriteToStandardError(const char* data, std::size_t size) {
    std::fflush(stderr);
    _setmode(_fileno(stderr), _O_BINARY);
    const bool written = std::fwrite(data, 1, size, stderr) == size && std::fflush(stderr) == 0;
    _setmode(_fileno(stderr), _O_TEXT);
    return written;
}

}  // namespace tavik
