#include <dlfcn.h>

#include "plugin_api.h"

namespace {
void* loaded = nullptr;

template <typename Fn>
bool Resolve(const char* name, Fn& target, std::string& error) {
    target = reinterpret_cast<Fn>(dlsym(loaded, name));
    if (!target) error += std::string("missing export ") + name + "; ";
    return target != nullptr;
}
}  // namespace

std::string LoadPlugin(const char* path, PluginApi& api) {
    UnloadPlugin();
    loaded = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!loaded) return dlerror();
    std::string error;
    Resolve("GetNumberOfSets", api.GetNumberOfSets, error);
    Resolve("GetSetName", api.GetSetName, error);
    Resolve("GetExchgCount0", api.GetExchgCount0, error);
    Resolve("SetupSet0", api.SetupSet0, error);
    Resolve("ResetStats0", api.ResetStats0, error);
    Resolve("AddData0", api.AddData0, error);
    Resolve("RemoveData0", api.RemoveData0, error);
    Resolve("CheckCall0", api.CheckCall0, error);
    Resolve("IsValidExchg0", api.IsValidExchg0, error);
    Resolve("GetResult0", api.GetResult0, error);
    return error;
}

void UnloadPlugin() {
    if (loaded) dlclose(loaded);
    loaded = nullptr;
}
