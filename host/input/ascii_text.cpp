#include "host/input/ascii_text.h"

namespace tavik::host {

void AssignUpper(std::string& to, std::string_view text) {
    to.assign(text.data(), text.size());
    for (char& c : to) c = AsciiUpper(c);
}

std::string UpperAscii(std::string_view text) {
    std::string out;
    AssignUpper(out, text);
    return out;
}

std::string_view TrimBlanks(std::string_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

}  // namespace tavik::host
