// The header form's texts as the terminal's cells: which characters it can show
// and how many cells each takes. Texts are bytes in the locale's code page; in a
// UTF-8 locale a character is its whole sequence. No curses here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tavik::posix {

// How many bytes a UTF-8 sequence with this lead byte has; 0 for no lead byte.
std::size_t Utf8Length(unsigned lead);

// One character as the terminal shows it.
struct Glyph {
    std::size_t bytes = 1;
    int cells = 1;
    wchar_t shown = '?';
    bool standIn = true;  // '?' for what cannot be shown: the columns stay in place
};

// Sets LC_CTYPE from the environment for as long as it lives: the wide library
// reads it when the screen is made.
class CharacterLocale {
public:
    CharacterLocale();
    ~CharacterLocale();
    CharacterLocale(const CharacterLocale&) = delete;
    CharacterLocale& operator=(const CharacterLocale&) = delete;

    bool Utf8() const { return utf8_; }

private:
    std::string saved_ = "C";
    bool utf8_ = false;
};

class CellText {
public:
    explicit CellText(bool utf8);

    bool Utf8() const { return utf8_; }

    Glyph GlyphAt(std::string_view text, std::size_t at) const;

    // Where the character before the byte position at begins.
    std::size_t GlyphStart(std::string_view text, std::size_t at) const;

    // Cells taken by the characters that begin before the byte position end.
    int Cells(std::string_view text, std::size_t end = std::string_view::npos) const;

    // The start of the character that covers the cell, or the text's end.
    std::size_t StartOfCell(std::string_view text, int cells) const;

private:
    bool utf8_;            // texts decoded as UTF-8 and drawn as wide characters
    bool highBytesShown_;  // an 8-bit terminal: bytes 0xA0-0xFF are its characters
};

}  // namespace tavik::posix
