#include "base/text_format.h"

#include <cstdio>

namespace tavik {
namespace {

void AppendFormatV(std::string& out, const char* format, va_list args) {
    va_list measure;
    va_copy(measure, args);
    char small[256];
    const int length = std::vsnprintf(small, sizeof small, format, measure);
    va_end(measure);
    if (length <= 0) return;
    if (static_cast<size_t>(length) < sizeof small) {
        out.append(small, static_cast<size_t>(length));
        return;
    }
    const size_t start = out.size();
    out.resize(start + static_cast<size_t>(length) + 1);
    std::vsnprintf(&out[start], static_cast<size_t>(length) + 1, format, args);
    out.resize(start + static_cast<size_t>(length));
}

}  // namespace

void AppendFormat(std::string& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    AppendFormatV(out, format, args);
    va_end(args);
}

std::string FormatText(const char* format, ...) {
    std::string out;
    va_list args;
    va_start(args, format);
    AppendFormatV(out, format, args);
    va_end(args);
    return out;
}

}  // namespace tavik
