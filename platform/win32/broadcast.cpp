// Registered messages: the numbers other programs broadcast by name.
#include "platform/win32/win.h"

namespace plat {

std::uint32_t RegisterWindowMessageW(const char* name) {
    wchar_t wide[256];
    if (!name || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, wide, 256) == 0)
        return 0;
    return ::RegisterWindowMessageW(wide);
}

Bool ChangeWindowMessageFilterEx(Hwnd w, std::uint32_t msg, std::uint32_t action) {
    using Proc = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
    // Looked up rather than linked: older systems lack it and must still start.
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    auto proc = user32 ? reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(
                             GetProcAddress(user32, "ChangeWindowMessageFilterEx")))
                       : nullptr;
    return proc ? proc(w32::As<HWND>(w), msg, action, nullptr) : 0;
}

}  // namespace plat
