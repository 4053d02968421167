// What tavik-host writes to standard error starts with its name.
#pragma once

#include <ostream>
#include <string>

namespace tavik::host {

constexpr const char* kProgram = "tavik-host: ";

// Tells the error on err; returns code, the exit status it calls for.
inline int Fail(std::ostream& err, int code, const std::string& message) {
    err << kProgram << "error: " << message << '\n';
    return code;
}

}  // namespace tavik::host
