// Shows the Cabrillo header dialog with sample values until a line arrives on
// standard input; prints the dialog's screen box first, as WxH+X+Y, for cropping.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "cabrillo/dialog_layout.h"
#include "platform/form_dialog.h"

int main(int argc, char** argv) {
    std::string library = argc > 1 ? argv[1] : "";
    if (library.empty()) {  // Tavik.dll beside this program
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        library = self;
        library = library.substr(0, library.find_last_of("\\/") + 1) + "Tavik.dll";
    }
    const HMODULE plugin = LoadLibraryA(library.c_str());
    if (!plugin) {
        std::fprintf(stderr, "cannot load %s\n", library.c_str());
        return 2;
    }

    tavik::DialogTexts texts{
        {tavik::kIdContest, "CIS-QPSK63-DX"},
        {tavik::kIdCallSign, "RA3XYZ"},
        {tavik::kIdClaimed, "12480"},
        {tavik::kIdCategoryOperator, "single-op"},
        {tavik::kIdCategoryBand, "ALL"},
        {tavik::kIdCategoryPower, "LOW"},
        {tavik::kIdCategoryTransmitter, "ONE"},
        {tavik::kIdName, "Ivan Petrov"},
        {tavik::kIdAddress, "ul. Lesnaya 12, kv. 5"},
        {tavik::kIdAddressCity, "Kaluga"},
        {tavik::kIdAddressPostalCode, "248000"},
        {tavik::kIdAddressCountry, "Russia"},
        {tavik::kIdOperators, "RA3XYZ"},
        {tavik::kIdClub, "Kaluga Radio Club"},
        {tavik::kIdSoapBox, "Good conditions on 20m.\r\nThanks for the contest!"},
        {tavik::kIdEmail, "ra3xyz@example.org"}};
    // The dialog runs on this thread; a helper reports its box and later closes it.
    std::atomic<bool> ended{false};
    std::thread watcher([&] {
        HWND window = nullptr;
        for (int attempt = 0; attempt < 400 && !ended; ++attempt) {
            window = FindWindowA("#32770", tavik::kCabrilloDialogCaption);
            if (window && IsWindowVisible(window)) break;
            window = nullptr;
            Sleep(25);
        }
        if (!window) return;
        RECT box;
        GetWindowRect(window, &box);
        std::printf("%ldx%ld+%ld+%ld\n", box.right - box.left, box.bottom - box.top, box.left,
                    box.top);
        std::fflush(stdout);
        char line[16];
        std::fgets(line, sizeof line, stdin);
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    });
    const int result = tavik::RunFormDialog(tavik::kCabrilloForm, nullptr, plugin, texts);
    ended = true;
    watcher.join();
    return result == tavik::kDialogCancel ? 0 : 1;
}
