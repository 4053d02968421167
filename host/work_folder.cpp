#include "host/work_folder.h"

#include <cstdlib>
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
    if (fs::exists(beside, missing)) return beside.string();
    if (fs::exists(installed, missing)) return installed.string();
    error = "the plugin is neither beside this program (" + beside.string() + ") nor installed with it (" +
            installed.lexically_normal().string() + "); give --plugin";
    return "";
}

std::string WorkFolder(const Options& options, std::string& error) {
    if (!options.workDir.empty()) return Absolute(options.workDir);
#if defined(_WIN32)
    (void)error;  // the current folder is always there
    return Absolute(".");
#else
    fs::path base;
    // A relative XDG_DATA_HOME is to be ignored, as the base directory rules say.
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && *data && fs::path(data).is_absolute()) {
        base = data;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            error = "no working folder: neither XDG_DATA_HOME nor HOME is set; give --dir";
            return "";
        }
        base = fs::path(home) / ".local" / "share";
    }
    return (base / "tavik").lexically_normal().string();
#endif
}

bool EnterWorkFolder(const Options& options, std::string& error) {
    const std::string folder = WorkFolder(options, error);
    if (folder.empty()) return false;
    const std::string shown = options.workDir.empty() ? folder : options.workDir;
    std::error_code problem;
    fs::create_directories(folder, problem);
    if (problem) {
        error = shown + ": cannot create the folder: " + problem.message();
        return false;
    }
    fs::current_path(folder, problem);
    if (problem) {
        error = shown + ": cannot work there: " + problem.message();
        return false;
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
