#include "base/text.h"

namespace tavik {

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

std::string FlattenLineBreaks(std::string_view text) {
    std::string flat(text);
    for (char& c : flat)
        if (c == '\r' || c == '\n') c = ' ';
    return flat;
}

}  // namespace tavik
