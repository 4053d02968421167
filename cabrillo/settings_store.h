// The plugin's settings: section "Settings" of "Plugins\Tavik.ini".
#pragma once

#include <string>
#include <vector>

namespace tavik {

constexpr const char* kSettingsFile = "Plugins\\Tavik.ini";
constexpr const char* kSettingsSection = "Settings";

std::string ReadSetting(const char* key, const char* defaultValue);

// A value is stored so that it reads back exactly: the profile readers trim blanks
// and strip one pair of quotes, so such a value goes inside double quotes.
void WriteSetting(const char* key, const std::string& value);

// Several keys at once, in order; saved in one step where the platform allows.
struct Setting {
    const char* key;
    const std::string& value;
};
void WriteSettings(const std::vector<Setting>& settings);

// The stored form of a value (exposed for tests).
std::string QuoteForProfile(const std::string& value);

}  // namespace tavik
