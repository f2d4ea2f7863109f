// Monitors, the virtual screen they span, and their DPI.
#pragma once
#include "platform/types.h"

namespace plat {

struct MonitorTag;
using Hmonitor = MonitorTag*;

struct MonitorInfo {
    std::uint32_t cbSize;
    Rect rcMonitor;
    Rect rcWork;
    std::uint32_t dwFlags;
};
static_assert(sizeof(MonitorInfo) == 40, "MONITORINFO is 40 bytes");

constexpr std::uint32_t MONITORINFOF_PRIMARY = 1;
constexpr std::uint32_t MONITOR_DEFAULTTONULL = 0, MONITOR_DEFAULTTOPRIMARY = 1,
                        MONITOR_DEFAULTTONEAREST = 2;
constexpr int SM_XVIRTUALSCREEN = 76, SM_YVIRTUALSCREEN = 77, SM_CXVIRTUALSCREEN = 78,
              SM_CYVIRTUALSCREEN = 79, SM_CMONITORS = 80;
constexpr std::uint32_t WM_DPICHANGED = 0x02E0;
constexpr std::uint32_t USER_DEFAULT_SCREEN_DPI = 96;

using MonitorEnumProc = Bool(PLAT_CALLBACK*)(Hmonitor, Hdc, Rect*, LParam);

Hmonitor MonitorFromPoint(Point p, std::uint32_t flags);
Hmonitor MonitorFromRect(const Rect* r, std::uint32_t flags);
Bool GetMonitorInfoW(Hmonitor m, MonitorInfo* info);
Bool EnumDisplayMonitors(Hdc dc, const Rect* clip, MonitorEnumProc proc, LParam lp);
// The effective DPI of a monitor; the system's DPI where the system cannot tell per monitor.
std::uint32_t GetDpiForMonitor(Hmonitor m);

}  // namespace plat
