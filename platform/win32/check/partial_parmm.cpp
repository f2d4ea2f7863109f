// A parmm.dll that lacks RemoveMBHook, to check that loading names the missing entry.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

extern "C" DWORD WINAPI SetMBHook(void*, HANDLE) { return 0; }
