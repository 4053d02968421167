// The few facts about the running process that differ between systems.
#pragma once

#include <cstddef>
#include <string>

namespace tavik::host {

// Full path of the running executable; "" when the system cannot tell.
std::string ExecutablePath();

// Whether standard error is a terminal (progress is shown only there).
bool ErrorStreamIsTerminal();

// Write bytes to standard output or standard error unchanged; false on a write error.
bool WriteToStandardOutput(const char* data, std::size_t size);
bool WriteToStandardError(const char* data, std::size_t size);

}  // namespace tavik::host
