// The plugin's settings file, by its name from the host's folder, and its whole
// text when it holds nothing but the claimed score.
#pragma once

#include <string>

inline constexpr char kSettingsFile[] = "Plugins/Tavik.ini";

inline std::string ClaimedOnlySettings(const std::string& score) {
    return "[Settings]\r\nClaimed=" + score + "\r\n";
}
