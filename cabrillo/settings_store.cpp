#include "cabrillo/settings_store.h"

#include "platform/profile_file.h"

namespace tavik {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string QuoteForProfile(const std::string& value) {
    if (value.empty()) return value;
    const char first = value.front();
    const char last = value.back();
    const bool wouldBeTrimmed = IsBlank(first) || IsBlank(last);
    const bool wouldLoseQuotes =
        value.size() >= 2 && (first == '"' || first == '\'') && first == last;
    if (!wouldBeTrimmed && !wouldLoseQuotes) return value;
    return "\"" + value + "\"";
}

std::string ReadSetting(const char* key, const char* defaultValue) {
    return ReadProfileString(kSettingsSection, key, defaultValue, kSettingsFile);
}

void WriteSetting(const char* key, const std::string& value) {
    WriteSettings({{key, value}});
}

void WriteSettings(const std::vector<Setting>& settings) {
    std::vector<std::string> stored;
    stored.reserve(settings.size());
    std::vector<ProfileEntry> entries;
    for (const Setting& setting : settings) {
        stored.push_back(QuoteForProfile(setting.value));
        entries.push_back({setting.key, stored.back().c_str()});
    }
    WriteProfileStrings(kSettingsSection, entries, kSettingsFile);
}

}  // namespace tavik
