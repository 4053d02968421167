// The formatted QSO lines of a log, kept back to back in large blocks: a log of a
// million lines costs little more than its own bytes, and is written a block at a
// time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavik {

class QsoLines {
public:
    void push_back(std::string_view line);
    void clear();
    // Also gives the memory back.
    void release();
    void reserve(std::size_t lines) { starts_.reserve(lines); }

    std::size_t size() const { return starts_.size(); }
    bool empty() const { return starts_.empty(); }
    std::string_view operator[](std::size_t index) const;

    // All lines in order, as a few large pieces.
    const std::vector<std::string>& Blocks() const { return blocks_; }

private:
    struct Start {
        std::uint32_t block;
        std::uint32_t offset;
    };
    std::vector<std::string> blocks_;
    std::vector<Start> starts_;
};

}  // namespace tavik
