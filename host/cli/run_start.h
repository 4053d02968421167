// What both runs settle before they read anything: the paths made absolute, --json
// checked against the other files, the plugin found.
#pragma once

#include <memory>
#include <string>

#include "host/cli/options.h"
#include "host/input/result.h"
#include "host/session/plugin_host.h"

namespace tavik::host {

struct RunStart {
    std::string logPath;
    std::string countryPath;
    std::string jsonPath;  // "" for none, "-" for standard output, else absolute
    std::unique_ptr<PluginHost> host;
};

Result<RunStart> StartRun(const Options& options);

}  // namespace tavik::host
