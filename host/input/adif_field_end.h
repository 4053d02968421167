// Where a field's data ends in an ADIF text: where its stated length says when the
// text agrees, else the likeliest end, as damaged files need.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace tavik::host {

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Letters, digits and '_', looked up in one table: this runs for every byte of a tag.
inline constexpr auto kAdifNameChars = [] {
    std::array<bool, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[static_cast<std::size_t>(c)] = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                                             (c >= 'a' && c <= 'z') || c == '_';
    return table;
}();
inline bool IsNameChar(char c) { return kAdifNameChars[static_cast<unsigned char>(c)]; }

// Whether a tag <NAME>, <NAME:LENGTH> or <NAME:LENGTH:TYPE> starts at pos.
inline bool WellFormedTagAt(std::string_view text, std::size_t pos) {
    if (pos >= text.size() || text[pos] != '<') return false;
    std::size_t at = pos + 1;
    const std::size_t limit = pos + 80 < text.size() ? pos + 80 : text.size();
    while (at < limit && IsNameChar(text[at])) ++at;
    if (at == pos + 1 || at >= limit) return false;
    if (text[at] == '>') return true;
    if (text[at] != ':') return false;
    const std::size_t digits = ++at;
    while (at < limit && IsDigit(text[at])) ++at;
    if (at == digits || at >= limit) return false;
    if (text[at] == ':') {
        ++at;
        while (at < limit && IsNameChar(text[at])) ++at;
    }
    return at < limit && text[at] == '>';
}

struct FieldEnd {
    std::size_t end;  // just past the data
    const char* why;  // nullptr where the stated length holds, else what was found
};

// The end of data starting at dataStart with length stated (tooLarge: the stated
// length did not even fit a number).
FieldEnd LikeliestFieldEnd(std::string_view text, std::size_t dataStart, std::size_t length,
                           bool tooLarge);

}  // namespace tavik::host
