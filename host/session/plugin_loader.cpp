#include "host/session/plugin_loader.h"

namespace tavik::host {

namespace {

template <typename Function>
bool Resolve(SharedLibrary& library, const char* name, Function& into, const std::string& path,
             std::string& error) {
    void* symbol = library.FindSymbol(name);
    if (!symbol) {
        error = path + ": the plugin does not export " + name;
        return false;
    }
    // Object pointer to function pointer: what every loader's symbol lookup needs.
    into = reinterpret_cast<Function>(symbol);
    return true;
}

}  // namespace

Result<PluginApi> LoadPlugin(const std::string& path) {
    Result<std::unique_ptr<SharedLibrary>> library = OpenSharedLibrary(path);
    if (!library)
        return Failure{FailureKind::kPlugin, path + ": cannot load the plugin: " + library.Why().message};
    PluginApi loaded;
    std::string error;
    if (!Resolve(**library, "GetNumberOfSets", loaded.getNumberOfSets, path, error) ||
        !Resolve(**library, "GetSetName", loaded.getSetName, path, error) ||
        !Resolve(**library, "GetExchgCount0", loaded.getExchgCount0, path, error) ||
        !Resolve(**library, "SetupSet0", loaded.setupSet0, path, error) ||
        !Resolve(**library, "ResetStats0", loaded.resetStats0, path, error) ||
        !Resolve(**library, "AddData0", loaded.addData0, path, error) ||
        !Resolve(**library, "RemoveData0", loaded.removeData0, path, error) ||
        !Resolve(**library, "CheckCall0", loaded.checkCall0, path, error) ||
        !Resolve(**library, "IsValidExchg0", loaded.isValidExchg0, path, error) ||
        !Resolve(**library, "GetResult0", loaded.getResult0, path, error))
        return Failure{FailureKind::kPlugin, error};
    loaded.library = std::move(*library);
    return loaded;
}

}  // namespace tavik::host
