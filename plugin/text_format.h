// printf-style layouts into std::string. The format is always a literal of our
// own; host texts only ever travel as arguments.
#pragma once

#include <cstdarg>
#include <string>

namespace tavik {

void AppendFormat(std::string& out, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A host text, or the empty text for a null pointer.
inline const char* TextOrEmpty(const char* text) { return text ? text : ""; }

}  // namespace tavik
