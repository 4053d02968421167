// The few facts about the running process that differ between systems.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tavik::host {

// What tells whether a file changed: its identity, size and time of last change.
struct FileSignature {
    bool regular = false;
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    bool operator==(const FileSignature&) const = default;
};
std::optional<FileSignature> SignatureOf(const std::string& path);

// Full path of the running executable; "" when the system cannot tell.
std::string ExecutablePath();

// Whether standard error is a terminal (progress is shown only there).
bool ErrorStreamIsTerminal();

// Write bytes to standard output or standard error unchanged; false on a write error.
bool WriteToStandardOutput(const char* data, std::size_t size);
bool WriteToStandardError(const char* data, std::size_t size);

}  // namespace tavik::host
