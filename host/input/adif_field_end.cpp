#include "host/input/adif_field_end.h"

#include <algorithm>
#include <string>

#include "host/input/ascii_text.h"

namespace tavik::host {

namespace {

// How far from a stated end the real end of a field's data is looked for.
constexpr std::size_t kEndSlack = 16;
// Lengths counted in characters or with CR LF are looked for in short fields only:
// that bounds the work a damaged length can cause.
constexpr std::size_t kLongestRecount = 1024;

// Whether data may end at pos: the file ends, blank text follows, or a tag does.
bool EndsWell(std::string_view text, std::size_t pos) {
    return pos == text.size() || IsBlank(text[pos]) || WellFormedTagAt(text, pos);
}

std::size_t Utf8Length(std::string_view text, std::size_t at) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    std::size_t length = lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (lead >= 0xF8) length = 1;
    for (std::size_t i = 1; i < length; ++i)
        if (at + i >= text.size() || (static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80)
            return i;
    return length;
}

}  // namespace

FieldEnd LikeliestFieldEnd(std::string_view text, std::size_t dataStart, std::size_t length,
                           bool tooLarge) {
    const std::size_t size = text.size();
    const bool fits = !tooLarge && length <= size - dataStart;
    const std::size_t stated = fits ? dataStart + length : size;
    if (fits && EndsWell(text, stated)) return {stated, nullptr};
    if (fits && length <= kLongestRecount) {
        // Lengths counted in characters where the data is UTF-8.
        std::size_t at = dataStart;
        for (std::size_t n = 0; n < length && at < size; ++n) at += Utf8Length(text, at);
        if (at != stated && at <= size && EndsWell(text, at))
            return {at, " counts characters, not bytes"};
        // Lengths counted with CR LF line ends where the file now has LF only.
        std::size_t end = stated;
        for (int round = 0; round < 2; ++round) {
            std::size_t bare = 0;
            for (std::size_t i = dataStart; i < end; ++i)
                if (text[i] == '\n' && (i == dataStart || text[i - 1] != '\r')) ++bare;
            end = stated - std::min(bare, length);
        }
        if (end != stated && EndsWell(text, end))
            return {end, " counts CR LF line ends where the file has LF only"};
    }
    if (fits) {
        // Otherwise the nearest well-formed tag a few bytes either side.
        const std::size_t low = stated - std::min(kEndSlack, stated - dataStart);
        const std::size_t high = std::min(size, stated + kEndSlack);
        auto distance = [stated](std::size_t p) { return p > stated ? p - stated : stated - p; };
        std::size_t best = std::string::npos;
        for (std::size_t p = low; p < high; ++p)
            if (text[p] == '<' && WellFormedTagAt(text, p) &&
                (best == std::string::npos || distance(p) < distance(best)))
                best = p;
        if (best != std::string::npos)
            return {best, best < stated ? " runs into the next tag; value cut at the tag"
                                        : " ends before the next tag; value taken up to the tag"};
        // Some other text follows, as ADIF allows between fields.
        return {stated, nullptr};
    }
    for (std::size_t p = dataStart; p < size; ++p)
        if (text[p] == '<' && WellFormedTagAt(text, p))
            return {p, " runs past the end of the file; value cut at the next tag"};
    return {size, " runs past the end of the file; value cut there"};
}

}  // namespace tavik::host
