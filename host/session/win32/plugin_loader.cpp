// The system's loader on Windows: LoadLibraryA and GetProcAddress.
#include <windows.h>

#include "host/session/plugin_loader.h"
#include "platform/system_message.h"

namespace tavik::host {

namespace {

class WindowsLibrary : public SharedLibrary {
public:
    explicit WindowsLibrary(HMODULE module) : module_(module) {}
    ~WindowsLibrary() override { FreeLibrary(module_); }
    WindowsLibrary(const WindowsLibrary&) = delete;
    WindowsLibrary& operator=(const WindowsLibrary&) = delete;

    void* FindSymbol(const char* name) override {
        return reinterpret_cast<void*>(GetProcAddress(module_, name));
    }

private:
    HMODULE module_;
};

}  // namespace

Result<std::unique_ptr<SharedLibrary>> OpenSharedLibrary(const std::string& path) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) {
        return Failure{FailureKind::kPlugin, SystemMessage(GetLastError())};
    }
    return std::unique_ptr<SharedLibrary>(std::make_unique<WindowsLibrary>(module));
}

const char* PluginFileName() { return "Tavik.dll"; }

}  // namespace tavik::host
