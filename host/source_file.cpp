#include "host/source_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <system_error>

namespace tavik::host {

namespace {

std::string Located(const std::string& file, std::size_t line, std::size_t offset,
                    const std::string& what) {
    return file + ": line " + std::to_string(line) + ", byte offset " + std::to_string(offset) +
           ": " + what;
}

}  // namespace

InputError::InputError(const std::string& file, std::size_t line, std::size_t offset,
                       const std::string& what)
    : std::runtime_error(Located(file, line, offset, what)) {}

std::size_t SourceFile::LineAt(std::size_t offset) const {
    offset = std::min(offset, text.size());
    return 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + offset, '\n'));
}

InputError SourceFile::ErrorAt(std::size_t offset, const std::string& what) const {
    return InputError(name, LineAt(offset), offset, what);
}

std::string SourceFile::WarningAt(std::size_t offset, const std::string& what) const {
    return Located(name, LineAt(offset), offset, what);
}

SourceFile ReadSourceFile(const std::string& path, const std::string& shownName) {
    SourceFile source;
    source.name = shownName;
    // C stdio rather than streams: one big read, and errno for the message.
    std::error_code statusError;
    if (std::filesystem::is_directory(path, statusError))
        throw InputError(shownName + ": cannot read: it is a folder");
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) throw InputError(shownName + ": cannot open: " + std::strerror(errno));
    // Read straight into the text. One byte more than the size lets the last read see
    // the end without growing; the loop also covers files whose size is not known.
    std::size_t size = 0;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        long end = std::ftell(file);
        if (end > 0) size = static_cast<std::size_t>(end);
        std::rewind(file);
    }
    std::size_t filled = 0;
    try {
        source.text.resize(std::max<std::size_t>(size + 1, 1 << 16));
        while (true) {
            if (filled == source.text.size()) source.text.resize(source.text.size() * 2);
            std::size_t got =
                std::fread(source.text.data() + filled, 1, source.text.size() - filled, file);
            if (got == 0) break;
            filled += got;
        }
    } catch (const std::exception&) {  // length_error or bad_alloc
        std::fclose(file);
        throw InputError(shownName + ": cannot read: too large to hold in memory");
    }
    source.text.resize(filled);
    bool failed = std::ferror(file) != 0;
    int error = errno;
    std::fclose(file);
    if (failed) throw InputError(shownName + ": cannot read: " + std::strerror(error));
    return source;
}

std::string Printable(std::string_view bytes, std::size_t maxLength) {
    std::string out;
    bool cut = bytes.size() > maxLength;
    if (cut) bytes = bytes.substr(0, maxLength);
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7f) {
            out += static_cast<char>(c);
        } else {
            static const char digits[] = "0123456789ABCDEF";
            out += "\\x";
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    if (cut) out += "...";
    return out;
}

}  // namespace tavik::host
