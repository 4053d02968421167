// The plugin as the host sees it: a library loaded by path and its ten exports.
#pragma once

#include <string>

#include "plugin/entry_points.h"

struct PluginApi {
    GetNumberOfSetsFn GetNumberOfSets = nullptr;
    GetSetNameFn GetSetName = nullptr;
    GetExchgCount0Fn GetExchgCount0 = nullptr;
    SetupSet0Fn SetupSet0 = nullptr;
    ResetStats0Fn ResetStats0 = nullptr;
    AddData0Fn AddData0 = nullptr;
    RemoveData0Fn RemoveData0 = nullptr;
    CheckCall0Fn CheckCall0 = nullptr;
    IsValidExchg0Fn IsValidExchg0 = nullptr;
    GetResult0Fn GetResult0 = nullptr;
};

// Loads the library afresh (its static state starts over) and resolves every export.
// Empty string on success, else what went wrong.
std::string LoadPlugin(const char* path, PluginApi& api);
void UnloadPlugin();
