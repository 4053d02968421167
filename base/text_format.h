// printf-style layouts into std::string. The format is always a literal of our
// own; host texts only ever travel as arguments.
#pragma once

#include <cstdarg>
#include <string>

#if defined(__MINGW32__)
#define TAVIK_PRINTF(formatIndex, firstArgument) \
    __attribute__((format(gnu_printf, formatIndex, firstArgument)))
#else
#define TAVIK_PRINTF(formatIndex, firstArgument) \
    __attribute__((format(printf, formatIndex, firstArgument)))
#endif

namespace tavik {

void AppendFormat(std::string& out, const char* format, ...)
    TAVIK_PRINTF(2, 3);

std::string FormatText(const char* format, ...) TAVIK_PRINTF(1, 2);

// A host text, or the empty text for a null pointer.
inline const char* TextOrEmpty(const char* text) { return text ? text : ""; }

}  // namespace tavik
