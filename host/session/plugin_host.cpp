#include "host/session/plugin_host.h"

#include "host/session/work_folder.h"

namespace tavik::host {

Result<std::unique_ptr<PluginHost>> PluginHost::Find(const PluginHostSettings& settings) {
    Result<std::string> path = FindPlugin(settings.pluginPath);
    if (!path) return path.Why();
    return std::unique_ptr<PluginHost>(new PluginHost(settings, std::move(*path)));
}

Status PluginHost::Open() {
    Result<std::string> folder = EnterWorkFolder(settings_.workDir);
    if (!folder) return folder.Why();
    workDir_ = std::move(*folder);
    std::string loadError;
    if (!LoadPlugin(pluginPath_, plugin_, loadError)) return Failure{FailureKind::kPlugin, loadError};
    if (plugin_.getNumberOfSets() < 1)
        return Failure{FailureKind::kPlugin, pluginPath_ + ": the plugin offers no scoring set"};
    if (settings_.automation) {
        std::string why;
        automation_ = AutomationServer::Start(
            kHostProgId, [this](const std::string& command) { return hostMode_.Carry(command); }, why);
        // Most machines without a desktop have no session bus: not worth a line on every run.
        const bool noBus = why.rfind("no session bus", 0) == 0;
        if (!automation_ && (settings_.verbose || !noBus)) automationNote_ = why;
    }
    return Ok();
}

}  // namespace tavik::host
