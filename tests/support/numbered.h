#pragma once

#include <string>

// prefix followed by n; built in steps because GCC 12 misreports
// "literal" + std::to_string(n) under -Wrestrict at -O2.
inline std::string Numbered(const char* prefix, long n) {
    std::string text = prefix;
    text += std::to_string(n);
    return text;
}
