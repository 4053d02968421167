// Where the plugin is, and the folder a run works in.
#pragma once

#include <string>

#include "host/options.h"

namespace tavik::host {

// The plugin the options name, else the one beside this program, else the one
// installed with it (../lib/tavik/). "" with error set when there is none.
std::string FindPlugin(const Options& options, std::string& error);

// The working folder: --dir, else tavik/ in the user's data folder
// (${XDG_DATA_HOME:-$HOME/.local/share}), so the plugin's files are found again from
// any folder; on Windows the current folder. "" with error set when there is none.
std::string WorkFolder(const Options& options, std::string& error);

// Makes the working folder of the options (with its parents and its Plugins folder)
// exist and current; false with error set when that cannot be done.
bool EnterWorkFolder(const Options& options, std::string& error);

// A file name with its folder, from the current folder when it has none.
std::string Absolute(const std::string& path);

}  // namespace tavik::host
