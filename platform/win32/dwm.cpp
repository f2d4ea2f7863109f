// The window manager library is loaded when first asked for, from the system folder only, so
// that the program still starts where there is none.
#include "platform/dwm.h"
#include "platform/win32/win.h"

using w32::As;

namespace {

using GetAttributeProc = HRESULT(WINAPI*)(HWND, DWORD, PVOID, DWORD);

GetAttributeProc LoadGetAttribute() {
    wchar_t path[MAX_PATH + 16];
    const UINT n = GetSystemDirectoryW(path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    lstrcatW(path, L"\\dwmapi.dll");
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE lib = LoadLibraryW(path);
    SetErrorMode(oldMode);
    if (!lib) return nullptr;
    return reinterpret_cast<GetAttributeProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(lib, "DwmGetWindowAttribute")));
}

}  // namespace

namespace plat {

long DwmGetWindowAttribute(Hwnd w, std::uint32_t attribute, void* value, std::uint32_t size) {
    // Kept loaded for the whole run; the first caller of any thread resolves it.
    static const GetAttributeProc proc = LoadGetAttribute();
    if (!proc) return static_cast<long>(E_NOTIMPL);
    return proc(As<HWND>(w), attribute, value, size);
}

}  // namespace plat
