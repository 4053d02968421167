// Loading the scoring plugin and finding its ten entry points.
#pragma once

#include <memory>
#include <string>

#include "abi/plugin_abi.h"
#include "host/input/result.h"

namespace tavik::host {

// A loaded shared library; closing happens on destruction. The system's loader
// is known only to the implementation of OpenSharedLibrary.
class SharedLibrary {
public:
    virtual ~SharedLibrary() = default;
    // nullptr when the library has no such symbol.
    virtual void* FindSymbol(const char* name) = 0;
};

// Fails with the system loader's message.
Result<std::unique_ptr<SharedLibrary>> OpenSharedLibrary(const std::string& path);

// File name of the plugin on this system ("libTavik.so").
const char* PluginFileName();

// The entry points, and the library that keeps them loaded.
struct PluginApi : abi::PluginFunctions {
    std::unique_ptr<SharedLibrary> library;
};

// Opens the library and resolves every entry point. Fails with a message naming
// the path and, for a missing export, the export.
Result<PluginApi> LoadPlugin(const std::string& path);

}  // namespace tavik::host
