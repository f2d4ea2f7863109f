// Entry points of parmm.dll, exported undecorated (see parmm.def).
#pragma once
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

extern "C" {
// Installs the low-level mouse hook for the calling thread's desktop and remembers the
// shared block and its mutex. Returns the hook handle, or 0 on failure.
DWORD WINAPI SetMBHook(void* hookBlock, HANDLE mutex);
BOOL WINAPI RemoveMBHook(DWORD hook);
// Addresses of the ClickActions and DragActions tables (libs/parmm/actions.h); pointer-sized,
// so the 64-bit build hands over whole addresses.
DWORD_PTR WINAPI GetClickFuncs(void);
DWORD_PTR WINAPI GetMoveFuncs(void);
}

using SetMBHookProc = decltype(&SetMBHook);
using RemoveMBHookProc = decltype(&RemoveMBHook);
using GetFuncsProc = decltype(&GetClickFuncs);
