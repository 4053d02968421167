#include "host/session/work_folder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "host/session/plugin_loader.h"
#include "host/session/executable_path.h"

namespace fs = std::filesystem;

namespace tavik::host {

std::string Absolute(const std::string& path) {
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

namespace {

Failure Problem(FailureKind kind, std::string message) { return Failure{kind, std::move(message)}; }

}  // namespace

Result<std::string> FindPlugin(const std::string& pluginPath) {
    if (!pluginPath.empty()) return Absolute(pluginPath);
    const std::string executable = ExecutablePath();
    if (executable.empty())
        return Problem(FailureKind::kPlugin,
                       "cannot tell where this program is to find the plugin; give --plugin");
    const fs::path folder = fs::path(executable).parent_path();
    const fs::path beside = folder / PluginFileName();
    const fs::path installed = folder.parent_path() / "lib" / "tavik" / PluginFileName();
    std::error_code missing;
    // Beside the program in a build folder; under lib/tavik once installed.
    if (fs::exists(beside, missing)) return beside.string();
    if (fs::exists(installed, missing)) return installed.string();
    return Problem(FailureKind::kPlugin, "the plugin is neither beside this program (" +
                                             beside.string() + ") nor installed with it (" +
                                             installed.lexically_normal().string() +
                                             "); give --plugin");
}

Result<std::string> WorkFolder(const std::string& workDir) {
    if (!workDir.empty()) return Absolute(workDir);
#if defined(_WIN32)
    return Absolute(".");  // the current folder is always there
#else
    fs::path base;
    // A relative XDG_DATA_HOME is to be ignored, as the base directory rules say.
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && *data && fs::path(data).is_absolute()) {
        base = data;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home)
            return Problem(FailureKind::kInput,
                           "no working folder: neither XDG_DATA_HOME nor HOME is set; give --dir");
        base = fs::path(home) / ".local" / "share";
    }
    return (base / "tavik").lexically_normal().string();
#endif
}

Result<std::string> EnterWorkFolder(const std::string& workDir) {
    const Result<std::string> folder = WorkFolder(workDir);
    if (!folder) return folder;
    const std::string shown = workDir.empty() ? *folder : workDir;
    std::error_code problem;
    fs::create_directories(*folder, problem);
    if (problem)
        return Problem(FailureKind::kInput, shown + ": cannot create the folder: " + problem.message());
    fs::current_path(*folder, problem);
    if (problem) return Problem(FailureKind::kInput, shown + ": cannot work there: " + problem.message());
    const fs::path entered = fs::current_path(problem);
    if (problem)
        return Problem(FailureKind::kInput, "cannot tell the current folder: " + problem.message());
    fs::create_directory(entered / "Plugins", problem);
    if (problem || !fs::is_directory(entered / "Plugins", problem))
        return Problem(FailureKind::kInput, (entered / "Plugins").string() +
                                                ": cannot create the folder" +
                                                (problem ? ": " + problem.message() : std::string()));
    return entered.string();
}

}  // namespace tavik::host
