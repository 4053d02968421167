#include "cabrillo/qso_lines.h"

namespace tavik {
namespace {

constexpr std::size_t kBlockSize = std::size_t{1} << 20;

}  // namespace

void QsoLines::push_back(std::string_view line) {
    // A line never spans two blocks; one longer than a block gets a block of its own.
    if (blocks_.empty() || blocks_.back().size() + line.size() > blocks_.back().capacity()) {
        blocks_.emplace_back();
        blocks_.back().reserve(line.size() > kBlockSize ? line.size() : kBlockSize);
    }
    starts_.push_back(Start{static_cast<std::uint32_t>(blocks_.size() - 1),
                            static_cast<std::uint32_t>(blocks_.back().size())});
    blocks_.back().append(line);
}

void QsoLines::clear() {
    blocks_.clear();
    starts_.clear();
}

void QsoLines::release() {
    std::vector<std::string>().swap(blocks_);
    std::vector<Start>().swap(starts_);
}

std::string_view QsoLines::operator[](std::size_t index) const {
    const Start start = starts_[index];
    const std::string& block = blocks_[start.block];
    const bool lastInBlock =
        index + 1 == starts_.size() || starts_[index + 1].block != start.block;
    const std::size_t end = lastInBlock ? block.size() : starts_[index + 1].offset;
    return std::string_view(block).substr(start.offset, end - start.offset);
}

}  // namespace tavik
