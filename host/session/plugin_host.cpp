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
    Result<PluginApi> loaded = LoadPlugin(pluginPath_);
    if (!loaded) return loaded.Why();
    plugin_ = std::move(*loaded);
    if (plugin_.getNumberOfSets() < 1)
        return Failure{FailureKind::kPlugin, pluginPath_ + ": the plugin offers no scoring set"};
    if (settings_.automation) {
        Result<std::unique_ptr<AutomationServer>> server = AutomationServer::Start(
            kHostProgId, [this](const std::string& command) { return hostMode_.Carry(command); });
        if (server) {
            automation_ = std::move(*server);
        } else {
            // Most machines without a desktop have no session bus: not worth a line on every run.
            const std::string& why = server.Why().message;
            const bool noBus = why.rfind("no session bus", 0) == 0;
            if (settings_.verbose || !noBus) automationNote_ = why;
        }
    }
    return Ok();
}

}  // namespace tavik::host
