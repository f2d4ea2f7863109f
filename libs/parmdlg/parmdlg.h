// Entry points of parmdlg.dll, exported undecorated (see parmdlg.def).
#pragma once
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

extern "C" {
typedef void(WINAPI* ParmStartRoutine)(void);

// Modal settings dialog over the program's Settings record. Returns 0 when cancelled,
// 1 to apply and finish; any other value asks the program to apply and show it again.
int WINAPI ShowPrefDlg(void* settings, DWORD_PTR clickFuncs, DWORD_PTR moveFuncs, int page,
                       void* shortcutStore);
// Modal about box; returns when it is closed. The start routine is not called here: it
// belongs to the program's main thread.
void WINAPI ShowAboutDlg(ParmStartRoutine start);
}

using ShowPrefDlgProc = decltype(&ShowPrefDlg);
using ShowAboutDlgProc = decltype(&ShowAboutDlg);
