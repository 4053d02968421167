#include <windows.h>

#include <string>
#include <vector>

#include "host/session/executable_path.h"

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

}  // namespace tavik::host
