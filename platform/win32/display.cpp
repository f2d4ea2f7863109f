// Monitors and DPI. The DPI calls are looked up at run time: older systems lack them.
#include "platform/display.h"

#include <cstddef>
#include <cstdint>

// Taken before <windows.h>, whose macros of the same names would rewrite them.
static constexpr std::uint32_t platMonitorValues[] = {
    plat::MONITORINFOF_PRIMARY, plat::MONITOR_DEFAULTTONULL, plat::MONITOR_DEFAULTTOPRIMARY,
    plat::MONITOR_DEFAULTTONEAREST, plat::SM_XVIRTUALSCREEN, plat::SM_YVIRTUALSCREEN,
    plat::SM_CXVIRTUALSCREEN, plat::SM_CYVIRTUALSCREEN, plat::SM_CMONITORS, plat::WM_DPICHANGED,
    plat::USER_DEFAULT_SCREEN_DPI};
static constexpr std::uint32_t BaseDpi = plat::USER_DEFAULT_SCREEN_DPI;

#include "platform/win32/win.h"

static constexpr std::uint32_t winMonitorValues[] = {
    MONITORINFOF_PRIMARY, MONITOR_DEFAULTTONULL, MONITOR_DEFAULTTOPRIMARY,
    MONITOR_DEFAULTTONEAREST, SM_XVIRTUALSCREEN, SM_YVIRTUALSCREEN, SM_CXVIRTUALSCREEN,
    SM_CYVIRTUALSCREEN, SM_CMONITORS, 0x02E0 /* WM_DPICHANGED, missing from older headers */,
    96 /* USER_DEFAULT_SCREEN_DPI */};
static_assert(sizeof platMonitorValues == sizeof winMonitorValues, "lists differ in length");
static constexpr bool SameMonitorValues() {
    for (std::size_t i = 0; i < sizeof platMonitorValues / sizeof platMonitorValues[0]; ++i)
        if (platMonitorValues[i] != winMonitorValues[i]) return false;
    return true;
}
static_assert(SameMonitorValues(), "a monitor constant differs from its Win32 value");
static_assert(sizeof(plat::MonitorInfo) == sizeof(MONITORINFO), "MONITORINFO size");
static_assert(offsetof(plat::MonitorInfo, rcMonitor) == offsetof(MONITORINFO, rcMonitor), "rcMonitor");
static_assert(offsetof(plat::MonitorInfo, rcWork) == offsetof(MONITORINFO, rcWork), "rcWork");
static_assert(offsetof(plat::MonitorInfo, dwFlags) == offsetof(MONITORINFO, dwFlags), "dwFlags");

namespace {

using DpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
constexpr int MdtEffectiveDpi = 0;

template <class Fn>
Fn Lookup(const wchar_t* module, const char* name) {
    HMODULE m = GetModuleHandleW(module);
    if (!m) m = LoadLibraryW(module);  // kept loaded for the run
    return m ? w32::AsProc<Fn>(GetProcAddress(m, name)) : nullptr;
}

UINT SystemDpi() {
    HDC dc = GetDC(nullptr);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 0;
    if (dc) ReleaseDC(nullptr, dc);
    return dpi > 0 ? static_cast<UINT>(dpi) : BaseDpi;
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
                                 w32::AsProc<MONITORENUMPROC>(proc), lp);
}

std::uint32_t GetDpiForMonitor(Hmonitor m) {
    static const auto fn = Lookup<DpiForMonitorFn>(L"shcore.dll", "GetDpiForMonitor");
    UINT x = 0, y = 0;
    if (fn && m && fn(reinterpret_cast<HMONITOR>(m), MdtEffectiveDpi, &x, &y) == S_OK && x) return x;
    return SystemDpi();
}

}  // namespace plat
