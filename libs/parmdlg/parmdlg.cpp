// parmdlg.dll: the about box and the settings dialog, shown modally on the caller's thread.
#include "libs/parmdlg/parmdlg.h"

#include "libs/parmdlg/dlgids.h"

namespace {

HINSTANCE module = nullptr;

INT_PTR CALLBACK AboutProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: {
        // The executable that loaded us carries the program icon; without it the box simply
        // shows no picture.
        HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(PROGRAM_ICON));
        if (icon) SendDlgItemMessageA(dlg, IDC_ABOUT_ICON, STM_SETICON,
                                        reinterpret_cast<WPARAM>(icon), 0);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
            EndDialog(dlg, LOWORD(wp));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

INT_PTR CALLBACK SettingsProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK) {
            EndDialog(dlg, 1);
            return TRUE;
        }
        if (LOWORD(wp) == IDCANCEL) {
            EndDialog(dlg, 0);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE inst, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        module = inst;
        DisableThreadLibraryCalls(inst);
    }
    return TRUE;
}

extern "C" int WINAPI ShowPrefDlg(void*, DWORD_PTR, DWORD_PTR, int, void*) {
    INT_PTR r = DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_SETTINGS), nullptr, SettingsProc, 0);
    // A dialog that could not be created applies nothing.
    return r == 1 ? 1 : 0;
}

extern "C" void WINAPI ShowAboutDlg(ParmStartRoutine) {
    DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_ABOUT), nullptr, AboutProc, 0);
}
