// Windows-style settings (INI) files, read and written the way the platform's
// profile functions do. Section and key names match without regard to case.
#pragma once

#include <string>
#include <vector>

namespace tavik {

// The value of key in section, or defaultValue when the file, section or key is
// missing. The value is taken whole (no length cap); surrounding blanks are trimmed
// and one pair of matching quotes around it is stripped, as the platform does.
std::string ReadProfileString(const char* section, const char* key, const char* defaultValue,
                              const char* fileName);

// Creates the file, section and key as needed and replaces the key's value, keeping
// every other line of the file as it was; a null value removes the key, a null key
// the section. The value is written as given, except that line breaks become
// blanks. The file is replaced in one step, so a failed write leaves the old one.
// Failures are silent (false is returned for the caller's tests only).
bool WriteProfileString(const char* section, const char* key, const char* value,
                        const char* fileName);

// One key of a batch: a null value removes the key.
struct ProfileEntry {
    const char* key;
    const char* value;
};

// Writes the keys of one section in the given order, as WriteProfileString would
// one after the other; where the platform allows, the file is replaced once, so a
// crash leaves either all of the new values or none.
bool WriteProfileStrings(const char* section, const std::vector<ProfileEntry>& entries,
                         const char* fileName);

}  // namespace tavik
