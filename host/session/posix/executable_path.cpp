#include <unistd.h>

#include <string>
#include <vector>

#include "host/session/executable_path.h"

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

}  // namespace tavik::host
