#include "host/work_folder.h"

#include <filesystem>
#include <system_error>

#include "host/plugin_loader.h"
#include "host/system.h"

namespace fs = std::filesystem;

namespace tavik::host {

std::string Absolute(const std::string& path) {
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

std::string FindPlugin(const Options& options, std::string& error) {
    if (!options.pluginPath.empty()) return Absolute(options.pluginPath);
    const std::string executable = ExecutablePath();
    if (executable.empty()) {
        error = "cannot tell where this program is to find the plugin; give --plugin";
        return "";
    }
    const fs::path folder = fs::path(executable).parent_path();
    const fs::path beside = folder / PluginFileName();
    const fs::path installed = folder.parent_path() / "lib" / "tavik" / PluginFileName();
    std::error_code missing;
    // Beside the program in a build folder; under lib/tavik once installed.
    if (!fs::exists(beside, missing) && fs::exists(installed, missing)) return installed.string();
    return beside.string();
}

bool EnterWorkFolder(const Options& options, std::string& error) {
    std::error_code problem;
    if (!options.workDir.empty()) {
        fs::current_path(options.workDir, problem);
        if (problem) {
            error = options.workDir + ": cannot work there: " + problem.message();
            return false;
        }
    }
    const fs::path workDir = fs::current_path(problem);
    if (problem) {
        error = "cannot tell the current folder: " + problem.message();
        return false;
    }
    fs::create_directory(workDir / "Plugins", problem);
    if (problem || !fs::is_directory(workDir / "Plugins", problem)) {
        error = (workDir / "Plugins").string() + ": cannot create the folder" +
                (problem ? ": " + problem.message() : std::string());
        return false;
    }
    return true;
}

}  // namespace tavik::host
