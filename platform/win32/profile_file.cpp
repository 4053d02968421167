// Settings files through the system's profile functions.
#include <windows.h>
// The system's headers name a function of their own so.
#undef WriteProfileString

#include <string>
#include <vector>

#include "base/text.h"
#include "platform/profile_file.h"

namespace tavik {
namespace {

std::string WithoutTrailingBlanks(const char* text) {
    std::string value = text ? text : "";
    while (!value.empty() && value.back() == ' ') value.pop_back();
    return value;
}

}  // namespace

std::string ReadProfileString(const char* section, const char* key, const char* defaultValue,
                              const char* fileName) {
    // Without a section or key the function lists names instead of reading a value.
    if (!section || !key || !fileName) return WithoutTrailingBlanks(defaultValue);
    const char* fallback = defaultValue ? defaultValue : "";
    std::vector<char> buffer(256);
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length =
            GetPrivateProfileStringA(section, key, fallback, buffer.data(), size, fileName);
        // A value cut to fit comes back with size - 1 characters: read it again, whole.
        if (length + 1 < size || size >= (1u << 30)) return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 4);
    }
}

bool WriteProfileString(const char* section, const char* key, const char* value,
                        const char* fileName) {
    if (!section || !fileName || !*fileName) return false;
    const std::string flatKey = key ? FlattenLineBreaks(key) : std::string();
    const std::string flatValue = value ? FlattenLineBreaks(value) : std::string();
    return WritePrivateProfileStringA(FlattenLineBreaks(section).c_str(),
                                      key ? flatKey.c_str() : nullptr,
                                      value ? flatValue.c_str() : nullptr, fileName) != FALSE;
}

bool WriteProfileStrings(const char* section, const std::vector<ProfileEntry>& entries,
                         const char* fileName) {
    // The system writes each key through to the file by itself.
    bool ok = true;
    for (const ProfileEntry& entry : entries)
        ok = WriteProfileString(section, entry.key, entry.value, fileName) && ok;
    return ok;
}

}  // namespace tavik
