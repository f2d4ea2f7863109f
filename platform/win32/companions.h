// Entry points of the companion libraries, exported undecorated (see libs/*/*.def). The
// program resolves them (libs.cpp) and each library defines its own, both from this header.
#pragma once
#include "platform/win32/sdk.h"

extern "C" {
// parmm.dll: installs the low-level mouse hook for the calling thread's desktop and remembers
// the shared block and its mutex. Returns the hook handle, or 0 on failure.
DWORD WINAPI SetMBHook(void* hookBlock, HANDLE mutex);
BOOL WINAPI RemoveMBHook(DWORD hook);
// Addresses of the ClickActions and DragActions tables (libs/parmm/actions.h); pointer-sized,
// so the 64-bit build hands over whole addresses.
DWORD_PTR WINAPI GetClickFuncs(void);
DWORD_PTR WINAPI GetMoveFuncs(void);

// parmdlg.dll
// Modal settings dialog over the program's Settings record. Returns 0 when cancelled,
// 1 to apply and finish; any other value asks the program to apply and show it again.
int WINAPI ShowPrefDlg(void* settings, DWORD_PTR clickFuncs, DWORD_PTR moveFuncs, int page,
                       void* shortcutStore);
// Modal about box; returns when it is closed. The argument is reserved and null: it keeps the
// export's calling convention for a library or program of an earlier version.
void WINAPI ShowAboutDlg(void* reserved);
}

using SetMBHookProc = decltype(&SetMBHook);
using RemoveMBHookProc = decltype(&RemoveMBHook);
using GetFuncsProc = decltype(&GetClickFuncs);
using ShowPrefDlgProc = decltype(&ShowPrefDlg);
using ShowAboutDlgProc = decltype(&ShowAboutDlg);
