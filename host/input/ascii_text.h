// ASCII letter case and blanks of the byte texts the host reads; other bytes are
// left as they are.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/text.h"

namespace tavik::host {

// Blank, line ends included: what separates the items of a log or country file.
constexpr bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Whether text is upper (all upper case) when its letters are made upper case.
// Inline, one side known upper: it runs for every field name of a log.
inline bool MatchesUpper(std::string_view text, std::string_view upper) {
    if (text.size() != upper.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (AsciiUpper(text[i]) != upper[i]) return false;
    return true;
}

// Into a string kept from QSO to QSO, so that its buffer is reused.
inline void Assign(std::string& to, std::string_view from) { to.assign(from.data(), from.size()); }
void AssignUpper(std::string& to, std::string_view text);
std::string UpperAscii(std::string_view text);
std::string_view TrimBlanks(std::string_view text);

}  // namespace tavik::host
