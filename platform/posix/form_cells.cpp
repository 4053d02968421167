#include "platform/posix/form_cells.h"

#include <langinfo.h>
#include <wchar.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cstring>

#include "base/text.h"

namespace tavik::posix {
namespace {

// Where the locale cannot be set, the environment still tells of a UTF-8 terminal.
bool TerminalIsUtf8() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            std::string lower(value);
            for (char& c : lower) {
                c = AsciiLower(c);
            }
            return lower.find("utf-8") != std::string::npos ||
                   lower.find("utf8") != std::string::npos;
        }
    }
    return false;
}

// The length of the well-formed UTF-8 character at text[at] and its code point;
// 0 for anything else (a stray byte, an overlong form, a surrogate).
std::size_t Utf8Character(std::string_view text, std::size_t at, char32_t& code) {
    const std::size_t length = Utf8Length(static_cast<unsigned char>(text[at]));
    if (length == 0 || at + length > text.size()) {
        return 0;
    }
    const unsigned lead = static_cast<unsigned char>(text[at]);
    char32_t value = length == 1 ? lead : lead & (0x7Fu >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        value = value << 6 | (next & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kLeast[length] || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) {
        return 0;
    }
    code = value;
    return length;
}

}  // namespace

std::size_t Utf8Length(unsigned lead) {
    return lead < 0x80                  ? 1
           : lead >= 0xC2 && lead <= 0xDF ? 2
           : lead >= 0xE0 && lead <= 0xEF ? 3
           : lead >= 0xF0 && lead <= 0xF4 ? 4
                                          : 0;
}

CharacterLocale::CharacterLocale() {
    if (const char* current = std::setlocale(LC_CTYPE, nullptr)) saved_ = current;
    utf8_ = std::setlocale(LC_CTYPE, "") != nullptr &&
            std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
}

CharacterLocale::~CharacterLocale() { std::setlocale(LC_CTYPE, saved_.c_str()); }

CellText::CellText(bool utf8) : utf8_(utf8), highBytesShown_(!utf8 && !TerminalIsUtf8()) {}

Glyph CellText::GlyphAt(std::string_view text, std::size_t at) const {
    Glyph glyph;
    const unsigned byte = static_cast<unsigned char>(text[at]);
    if (!utf8_) {
        // Control bytes, and C1 bytes an 8-bit terminal would obey.
        if ((byte >= 0x20 && byte < 0x7F) || (byte >= 0xA0 && highBytesShown_)) {
            glyph.shown = static_cast<wchar_t>(byte);
            glyph.standIn = false;
        }
        return glyph;
    }
    char32_t code = 0;
    const std::size_t length = Utf8Character(text, at, code);
    if (length == 0) {
        return glyph;  // a byte that is no character: one cell of its own
    }
    glyph.bytes = length;
    const int cells = code >= 0x20 && code != 0x7F ? wcwidth(static_cast<wchar_t>(code)) : -1;
    if (cells > 0) {
        glyph.cells = cells;
        glyph.shown = static_cast<wchar_t>(code);
        glyph.standIn = false;
    }
    return glyph;
}

std::size_t CellText::GlyphStart(std::string_view text, std::size_t at) const {
    std::size_t start = 0;
    for (std::size_t i = 0; i < at; i += GlyphAt(text, i).bytes) {
        start = i;
    }
    return start;
}

int CellText::Cells(std::string_view text, std::size_t end) const {
    int cells = 0;
    for (std::size_t i = 0; i < std::min(end, text.size());) {
        const Glyph glyph = GlyphAt(text, i);
        cells += glyph.cells;
        i += glyph.bytes;
    }
    return cells;
}

std::size_t CellText::StartOfCell(std::string_view text, int cells) const {
    std::size_t to = 0;
    for (int x = 0; to < text.size();) {
        const Glyph glyph = GlyphAt(text, to);
        if (x + glyph.cells > cells) {
            break;
        }
        x += glyph.cells;
        to += glyph.bytes;
    }
    return to;
}

}  // namespace tavik::posix
