// The program's standard streams, as bytes.
#pragma once

#include <cstddef>

namespace tavik {

// Whether standard error is a terminal (progress is shown only there).
bool ErrorStreamIsTerminal();

// Write bytes to standard output or standard error unchanged; false on a write error.
bool WriteToStandardOutput(const char* data, std::size_t size);
bool WriteToStandardError(const char* data, std::size_t size);

}  // namespace tavik
