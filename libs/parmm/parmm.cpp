// parmm.dll: the middle-button mouse hook.
#include "libs/parmm/parmm.h"

#include <cstdint>

#include "libs/parmm/actions.h"

namespace {

HINSTANCE module = nullptr;

// The program's shared block and the mutex that guards it while the settings dialog edits
// it. A low-level hook runs in the installing thread, so the block address stays valid.
void* volatile sharedBlock = nullptr;
HANDLE volatile sharedMutex = nullptr;

LRESULT CALLBACK LowLevelMouseProc(int code, WPARAM wp, LPARAM lp) {
    return CallNextHookEx(nullptr, code, wp, lp);
}

DWORD_PTR AddressOf(const MouseAction* table) {
    return reinterpret_cast<DWORD_PTR>(table);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE inst, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        module = inst;
        DisableThreadLibraryCalls(inst);
    }
    return TRUE;
}

extern "C" DWORD WINAPI SetMBHook(void* hookBlock, HANDLE mutex) {
    sharedBlock = hookBlock;
    sharedMutex = mutex;
    HHOOK hook = SetWindowsHookExA(WH_MOUSE_LL, LowLevelMouseProc, module, 0);
    return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(hook));
}

extern "C" BOOL WINAPI RemoveMBHook(DWORD hook) {
    if (hook == 0) return FALSE;
    if (!UnhookWindowsHookEx(reinterpret_cast<HHOOK>(static_cast<std::uintptr_t>(hook))))
        return FALSE;
    // The program may unmap the block once the hook is gone.
    sharedBlock = nullptr;
    sharedMutex = nullptr;
    return TRUE;
}

extern "C" DWORD_PTR WINAPI GetClickFuncs(void) { return AddressOf(ClickActions); }

extern "C" DWORD_PTR WINAPI GetMoveFuncs(void) { return AddressOf(DragActions); }
