#include "host/cli/run_start.h"

#include "host/cli/run_outputs.h"
#include "host/session/work_folder.h"

namespace tavik::host {

Result<RunStart> StartRun(const Options& options) {
    RunStart start;
    start.logPath = Absolute(options.logPath);
    start.countryPath = Absolute(options.countryFile);
    start.jsonPath = options.jsonPath.empty() || options.jsonPath == "-" ? options.jsonPath
                                                                          : Absolute(options.jsonPath);
    const Result<std::string> folder = WorkFolder(options.workDir);
    const std::string conflict = JsonPathConflict(options.jsonPath, start.logPath,
                                                  start.countryPath, folder ? *folder : std::string());
    if (!conflict.empty())
        return Failure{FailureKind::kUsage,
                       "--json " + options.jsonPath + " is " + conflict + "; give another file"};
    Result<std::unique_ptr<PluginHost>> host = PluginHost::Find(
        {options.pluginPath, options.workDir, options.automation, options.verbose});
    if (!host) return host.Why();
    start.host = std::move(*host);
    return start;
}

}  // namespace tavik::host
