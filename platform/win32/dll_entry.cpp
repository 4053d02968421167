// The library's entry point: the application object learns its module here.
#include <windows.h>

#include "plugin/test_app.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        tavik::theApp.Attach(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        tavik::theApp.Attach(nullptr);
    }
    return TRUE;
}
