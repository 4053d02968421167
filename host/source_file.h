// A whole input file in memory, and errors that point into it.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tavik::host {

// An input problem with its place: "FILE: line L, byte offset O: what".
class InputError : public std::runtime_error {
public:
    InputError(const std::string& file, std::size_t line, std::size_t offset,
               const std::string& what);
    explicit InputError(const std::string& message) : std::runtime_error(message) {}
};

struct SourceFile {
    std::string name;  // as shown in messages
    std::string text;

    // 1-based line of a byte offset; counted only when a message needs it.
    std::size_t LineAt(std::size_t offset) const;
    InputError ErrorAt(std::size_t offset, const std::string& what) const;
    std::string WarningAt(std::size_t offset, const std::string& what) const;
};

// Reads the file whole, as bytes. Throws InputError naming the file when it
// cannot be opened or read.
SourceFile ReadSourceFile(const std::string& path, const std::string& shownName);

// Makes bytes printable in a message: control and non-ASCII bytes become \xNN,
// and long texts are cut.
std::string Printable(std::string_view bytes, std::size_t maxLength = 40);

}  // namespace tavik::host
