// Registered messages: the numbers other programs broadcast by name.
#include "platform/win32/win.h"

namespace plat {

std::uint32_t RegisterWindowMessage(const char* name) {
    return name ? ::RegisterWindowMessageW(w32::Wide(name).get()) : 0;
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
