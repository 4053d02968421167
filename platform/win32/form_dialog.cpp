// A dialog on Windows: its template in the given module, its controls described.
#include <windows.h>

#include <string>

#include "platform/form_dialog.h"

namespace tavik {
namespace {

struct DialogState {
    const FormDescription* form;
    DialogTexts* texts;
};

void ShowStartValues(HWND dialog, const FormDescription& form, const DialogTexts& texts) {
    for (const DialogControl& control : form.controls) {
        if (control.kind == ControlKind::kDropDownList) {
            for (const char* item : control.items) {
                if (!item) break;
                SendDlgItemMessageA(dialog, control.id, CB_ADDSTRING, 0,
                                    reinterpret_cast<LPARAM>(item));
            }
        }
        const auto found = texts.find(control.id);
        // An empty text would select the first item, as every item begins with it.
        if (found == texts.end() || found->second.empty()) continue;
        const char* text = found->second.c_str();
        if (control.kind == ControlKind::kDropDownList &&
            SendDlgItemMessageA(dialog, control.id, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                                reinterpret_cast<LPARAM>(text)) != CB_ERR)
            continue;
        SetDlgItemTextA(dialog, control.id, text);
    }
}

std::string ControlText(HWND dialog, int id) {
    const int length = GetWindowTextLengthA(GetDlgItem(dialog, id));
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const UINT copied = GetDlgItemTextA(dialog, id, text.data(), length + 1);
    text.resize(copied);
    return text;
}

INT_PTR CALLBACK CabrilloDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        auto* state = reinterpret_cast<DialogState*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        ShowStartValues(dialog, *state->form, *state->texts);
        return TRUE;  // focus to the first tab stop
    }
    case WM_COMMAND: {
        auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrA(dialog, DWLP_USER));
        if (LOWORD(wParam) == IDOK) {
            for (const DialogControl& control : state->form->controls)
                (*state->texts)[control.id] = ControlText(dialog, control.id);
            EndDialog(dialog, kDialogOk);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {  // also Escape and the close box
            EndDialog(dialog, kDialogCancel);
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

}  // namespace

int RunFormDialog(const FormDescription& form, WindowHandle owner, void* moduleInstance,
                  DialogTexts& texts) {
    DialogState state{&form, &texts};
    HWND ownerWindow = static_cast<HWND>(owner);
    if (ownerWindow && !IsWindow(ownerWindow)) ownerWindow = nullptr;
    // The modal loop disables the owner while the dialog is open, so the host takes
    // no other call meanwhile, and enables it again when the dialog ends.
    const INT_PTR result =
        DialogBoxParamA(static_cast<HINSTANCE>(moduleInstance),
                        MAKEINTRESOURCEA(form.templateId), ownerWindow, CabrilloDialogProc,
                        reinterpret_cast<LPARAM>(&state));
    // Back to the host's window, unless the user has gone to another one meanwhile.
    if (ownerWindow && IsWindow(ownerWindow) && !GetActiveWindow()) SetActiveWindow(ownerWindow);
    return result == -1 ? kDialogNotCreated : static_cast<int>(result);
}

}  // namespace tavik
