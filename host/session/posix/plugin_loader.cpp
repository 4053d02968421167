// The system's dynamic loader; a Windows build puts LoadLibraryA and
// GetProcAddress in a file like this one.
#include <dlfcn.h>

#include "host/session/plugin_loader.h"

namespace tavik::host {

namespace {

class PosixLibrary : public SharedLibrary {
public:
    explicit PosixLibrary(void* handle) : handle_(handle) {}
    ~PosixLibrary() override { dlclose(handle_); }
    PosixLibrary(const PosixLibrary&) = delete;
    PosixLibrary& operator=(const PosixLibrary&) = delete;

    void* FindSymbol(const char* name) override { return dlsym(handle_, name); }

private:
    void* handle_;
};

}  // namespace

Result<std::unique_ptr<SharedLibrary>> OpenSharedLibrary(const std::string& path) {
    // Local binding: the plugin's symbols must not leak into anything loaded later.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* message = dlerror();
        return Failure{FailureKind::kPlugin, message ? message : "unknown error"};
    }
    return std::unique_ptr<SharedLibrary>(std::make_unique<PosixLibrary>(handle));
}

const char* PluginFileName() { return "libTavik.so"; }

}  // namespace tavik::host
