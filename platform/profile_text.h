// The text rules of Windows-style settings (INI) files, apart from any file access:
// finding a value and editing the text in place. Names match without regard to case.
// The lines before the first section header form the section with the empty name.
// Only the first section of a name and the first line of a key in it are used.
#pragma once

#include <string>
#include <string_view>

namespace tavik {

// The value of key in section of fileText, or defaultValue (without trailing spaces)
// when the section or key is missing or section or key is null. The value is taken
// whole; surrounding blanks are trimmed and one pair of matching quotes is stripped.
std::string LookUpProfileValue(std::string_view fileText, const char* section, const char* key,
                               const char* defaultValue);

// Sets newText to fileText with key's value in section replaced, adding the section
// and key as needed and keeping every other line; a null value removes the key's
// first line, a null key the first copy of the section, so that a later one then
// counts. Line breaks in names and values become blanks.
// False, with newText untouched, when the text is already in that state or section
// is null.
bool EditProfileText(const std::string& fileText, const char* section, const char* key,
                     const char* value, std::string& newText);

}  // namespace tavik
