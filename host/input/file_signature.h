// Whether a file changed since it was last looked at.
#pragma once

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

}  // namespace tavik::host
