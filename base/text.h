// Small byte-text helpers, said once: ASCII letter case and line breaks. Bytes
// outside ASCII are left as they are (texts are in the host's code page).
#pragma once

#include <string>
#include <string_view>

namespace tavik {

constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Equal when ASCII letters are compared without regard to case.
bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b);

// The text with every CR and LF made a blank: a text that must stay on its line
// (a field of a QSO line, a settings value) can then forge no further lines.
std::string FlattenLineBreaks(std::string_view text);

}  // namespace tavik
