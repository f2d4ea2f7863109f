// Monitors and DPI. The DPI calls are looked up at run time: older systems lack them.
#include "platform/display.h"

#include "platform/win32/win.h"

// The monitor calls and records are passed straight through; their values must be Win32's.
static_assert(plat::MONITORINFOF_PRIMARY == MONITORINFOF_PRIMARY, "MONITORINFOF_PRIMARY");
static_assert(plat::MONITOR_DEFAULTTONULL == MONITOR_DEFAULTTONULL, "MONITOR_DEFAULTTONULL");
static_assert(plat::MONITOR_DEFAULTTOPRIMARY == MONITOR_DEFAULTTOPRIMARY, "MONITOR_DEFAULTTOPRIMARY");
static_assert(plat::MONITOR_DEFAULTTONEAREST == MONITOR_DEFAULTTONEAREST, "MONITOR_DEFAULTTONEAREST");
static_assert(plat::SM_XVIRTUALSCREEN == SM_XVIRTUALSCREEN, "SM_XVIRTUALSCREEN");
static_assert(plat::SM_YVIRTUALSCREEN == SM_YVIRTUALSCREEN, "SM_YVIRTUALSCREEN");
static_assert(plat::SM_CXVIRTUALSCREEN == SM_CXVIRTUALSCREEN, "SM_CXVIRTUALSCREEN");
static_assert(plat::SM_CYVIRTUALSCREEN == SM_CYVIRTUALSCREEN, "SM_CYVIRTUALSCREEN");
static_assert(plat::SM_CMONITORS == SM_CMONITORS, "SM_CMONITORS");
static_assert(plat::WM_DPICHANGED == 0x02E0, "WM_DPICHANGED");
static_assert(sizeof(plat::MonitorInfo) == sizeof(MONITORINFO), "MONITORINFO size");
static_assert(offsetof(plat::MonitorInfo, rcMonitor) == offsetof(MONITORINFO, rcMonitor), "rcMonitor");
static_assert(offsetof(plat::MonitorInfo, rcWork) == offsetof(MONITORINFO, rcWork), "rcWork");
static_assert(offsetof(plat::MonitorInfo, dwFlags) == offsetof(MONITORINFO, dwFlags), "dwFlags");

namespace {

using DpiForWindowFn = UINT(WINAPI*)(HWND);
using DpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
constexpr int MdtEffectiveDpi = 0;

template <class Fn>
Fn Lookup(const wchar_t* module, const char* name, bool load) {
    HMODULE m = GetModuleHandleW(module);
    if (!m && load) m = LoadLibraryW(module);  // kept loaded for the run
    return m ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m, name))) : nullptr;
}

UINT SystemDpi() {
    HDC dc = GetDC(nullptr);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 0;
    if (dc) ReleaseDC(nullptr, dc);
    return dpi > 0 ? static_cast<UINT>(dpi) : plat::USER_DEFAULT_SCREEN_DPI;
}

}  // namespace

namespace plat {

Hmonitor MonitorFromPoint(Point p, std::uint32_t flags) {
    POINT pt{p.x, p.y};
    return reinterpret_cast<Hmonitor>(::MonitorFromPoint(pt, flags));
}

Hmonitor MonitorFromRect(const Rect* r, std::uint32_t flags) {
    return reinterpret_cast<Hmonitor>(::MonitorFromRect(reinterpret_cast<const RECT*>(r), flags));
}

Bool GetMonitorInfoW(Hmonitor m, MonitorInfo* info) {
    return ::GetMonitorInfoW(reinterpret_cast<HMONITOR>(m), reinterpret_cast<MONITORINFO*>(info));
}

Bool EnumDisplayMonitors(Hdc dc, const Rect* clip, MonitorEnumProc proc, LParam lp) {
    return ::EnumDisplayMonitors(reinterpret_cast<HDC>(dc), reinterpret_cast<const RECT*>(clip),
                                 reinterpret_cast<MONITORENUMPROC>(proc), lp);
}

std::uint32_t GetDpiForWindow(Hwnd w) {
    static const auto fn = Lookup<DpiForWindowFn>(L"user32.dll", "GetDpiForWindow", false);
    const UINT dpi = fn ? fn(reinterpret_cast<HWND>(w)) : 0;
    return dpi ? dpi : SystemDpi();
}

std::uint32_t GetDpiForMonitor(Hmonitor m) {
    static const auto fn = Lookup<DpiForMonitorFn>(L"shcore.dll", "GetDpiForMonitor", true);
    UINT x = 0, y = 0;
    if (fn && m && fn(reinterpret_cast<HMONITOR>(m), MdtEffectiveDpi, &x, &y) == S_OK && x) return x;
    return SystemDpi();
}

}  // namespace plat
