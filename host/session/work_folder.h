// Where the plugin is, and the folder a run works in.
#pragma once

#include <string>

#include "host/input/result.h"

namespace tavik::host {

// The plugin given (pluginPath, when not empty), else the one beside this program,
// else the one installed with it (../lib/tavik/).
Result<std::string> FindPlugin(const std::string& pluginPath);

// The working folder: workDir when not empty, else tavik/ in the user's data folder
// (${XDG_DATA_HOME:-$HOME/.local/share}), so the plugin's files are found again from
// any folder; on Windows the current folder.
Result<std::string> WorkFolder(const std::string& workDir);

// Makes that working folder (with its parents and its Plugins folder) exist and
// current; gives the folder entered.
Result<std::string> EnterWorkFolder(const std::string& workDir);

// A file name with its folder, from the current folder when it has none.
std::string Absolute(const std::string& path);

}  // namespace tavik::host
