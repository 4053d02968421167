// Many small pieces of one file written as few large writes: a log of a million
// lines must not cost a million system calls.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavik {

// Calls write with chunks of about chunkSize bytes made of the pieces, in order;
// stops at the first write that returns false.
template <typename Write>
bool WriteCoalesced(const std::vector<std::string_view>& pieces, Write&& write,
                    size_t chunkSize = size_t{1} << 20) {
    std::string buffer;
    buffer.reserve(chunkSize);
    for (std::string_view piece : pieces) {
        if (buffer.size() + piece.size() > chunkSize && !buffer.empty()) {
            if (!write(std::string_view(buffer))) return false;
            buffer.clear();
        }
        if (piece.size() >= chunkSize) {
            if (!write(piece)) return false;
        } else {
            buffer.append(piece);
        }
    }
    return buffer.empty() || write(std::string_view(buffer));
}

}  // namespace tavik
