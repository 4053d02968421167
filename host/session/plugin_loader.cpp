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

bool LoadPlugin(const std::string& path, PluginApi& api, std::string& error) {
    std::string loaderError;
    std::unique_ptr<SharedLibrary> library = OpenSharedLibrary(path, loaderError);
    if (!library) {
        error = path + ": cannot load the plugin: " + loaderError;
        return false;
    }
    PluginApi loaded;
    if (!Resolve(*library, "GetNumberOfSets", loaded.getNumberOfSets, path, error) ||
        !Resolve(*library, "GetSetName", loaded.getSetName, path, error) ||
        !Resolve(*library, "GetExchgCount0", loaded.getExchgCount0, path, error) ||
        !Resolve(*library, "SetupSet0", loaded.setupSet0, path, error) ||
        !Resolve(*library, "ResetStats0", loaded.resetStats0, path, error) ||
        !Resolve(*library, "AddData0", loaded.addData0, path, error) ||
        !Resolve(*library, "RemoveData0", loaded.removeData0, path, error) ||
        !Resolve(*library, "CheckCall0", loaded.checkCall0, path, error) ||
        !Resolve(*library, "IsValidExchg0", loaded.isValidExchg0, path, error) ||
        !Resolve(*library, "GetResult0", loaded.getResult0, path, error))
        return false;
    loaded.library = std::move(library);
    api = std::move(loaded);
    return true;
}

}  // namespace tavik::host
