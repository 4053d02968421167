#include "checker/cli/check_files.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <system_error>

namespace fs = std::filesystem;

namespace tavik::check {

namespace {

// The plugin saves its settings file safely (written, flushed to the disk, renamed) at
// every result: on a disk that costs milliseconds a log, in memory nothing.
fs::path ScratchBase(std::error_code& code) {
    std::error_code unused;
    const char* const places[] = {std::getenv("XDG_RUNTIME_DIR"), "/dev/shm"};
    for (const char* memory : places)
        if (memory && *memory && fs::path(memory).is_absolute() &&
            fs::is_directory(memory, unused))
            return memory;
    return fs::temp_directory_path(code);
}

}  // namespace

std::string MakeScratchFolder(std::string& error) {
    std::error_code code;
    const fs::path base = ScratchBase(code);
    if (code) {
        error = "no temporary folder: " + code.message();
        return {};
    }
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path folder = base / ("tavik-check-" + std::to_string(random()));
        if (fs::create_directory(folder, code)) return folder.string();
        if (code) break;
    }
    error = "cannot make a folder in " + base.string() + (code ? ": " + code.message() : "");
    return {};
}

bool WriteWholeFile(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

std::string PrepareOutFolder(const std::string& out) {
    std::error_code code;
    fs::create_directories(fs::path(out) / "ubn", code);
    if (code) return out + ": " + code.message();
    // The tables are written last: a folder that takes no file must fail before the work.
    const std::string probe = (fs::path(out) / "qsos.tsv").string();
    if (!WriteWholeFile(probe, "")) return probe + ": cannot be written";
    return {};
}

}  // namespace tavik::check
