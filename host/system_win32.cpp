#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <vector>

#include "host/system.h"

namespace tavik::host {

std::string ExecutablePath() {
    std::vector<char> buffer(MAX_PATH);
    while (true) {
        const DWORD length =
            GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

bool ErrorStreamIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

bool WriteToStandardOutput(const char* data, std::size_t size) {
    // Binary, so that the report's CR LF are not turned into CR CR LF.
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
    return std::fwrite(data, 1, size, stdout) == size && std::fflush(stdout) == 0;
}

}  // namespace tavik::host
