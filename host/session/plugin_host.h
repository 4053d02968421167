// What a run sets up around the plugin, in this order: the plugin found, the
// working folder entered, the plugin loaded, the automation object offered.
#pragma once

#include <memory>
#include <string>

#include "host/session/automation_server.h"
#include "host/session/host_mode.h"
#include "host/session/plugin_loader.h"
#include "host/input/result.h"

namespace tavik::host {

struct PluginHostSettings {
    std::string pluginPath;  // empty: the plugin beside this program or installed with it
    std::string workDir;     // empty: tavik/ in the user's data folder
    bool automation = true;  // offer the host's automation object
    bool verbose = false;    // tell even a missing session bus
};

class PluginHost {
public:
    // Only finds the plugin: a run reads its input before it enters the folder.
    static Result<std::unique_ptr<PluginHost>> Find(const PluginHostSettings& settings);

    // Enters the working folder, loads the plugin (which must offer a scoring set)
    // and offers the automation object. Without the object the run goes on.
    Status Open();
    // Why the run goes without the automation object, to be told; "" when it has
    // it, or lacks only a session bus and settings are not verbose.
    const std::string& AutomationNote() const { return automationNote_; }

    const std::string& PluginPath() const { return pluginPath_; }
    const std::string& WorkDir() const { return workDir_; }  // once open
    const PluginApi& Plugin() const { return plugin_; }
    HostMode& Mode() { return hostMode_; }

private:
    explicit PluginHost(PluginHostSettings settings, std::string pluginPath)
        : settings_(std::move(settings)), pluginPath_(std::move(pluginPath)) {}

    PluginHostSettings settings_;
    std::string pluginPath_;
    std::string workDir_;
    std::string automationNote_;
    // Members go in reverse order: the plugin is unloaded before the server and
    // host mode go, since it keeps the host's object until then.
    HostMode hostMode_;
    std::unique_ptr<AutomationServer> automation_;
    PluginApi plugin_;
};

}  // namespace tavik::host
