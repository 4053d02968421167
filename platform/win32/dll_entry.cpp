// The library's entry point: the module it was loaded as is recorded here.
#include <windows.h>

#include "platform/library_module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        tavik::SetLibraryModule(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        tavik::SetLibraryModule(nullptr);
    }
    return TRUE;
}
