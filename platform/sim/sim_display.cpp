// Monitors of the simulated desktop, the virtual screen they span, their DPI, and display changes.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/display.h"
#include "platform/sim/sim_internal.h"
#include "platform/window.h"

namespace simi {

namespace {

constexpr std::uintptr_t FirstMonitorHandle = 0x6D000;

Rect Bounds(const std::vector<sim::Monitor>& ms) {
    Rect b = ms.front().rect;
    for (const sim::Monitor& m : ms) {
        b.left = std::min(b.left, m.rect.left);
        b.top = std::min(b.top, m.rect.top);
        b.right = std::max(b.right, m.rect.right);
        b.bottom = std::max(b.bottom, m.rect.bottom);
    }
    return b;
}

bool Contains(const Rect& r, Point p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

std::int64_t DistanceSquared(const Rect& r, Point p) {
    const std::int64_t dx = p.x < r.left ? r.left - p.x : (p.x >= r.right ? p.x - (r.right - 1) : 0);
    const std::int64_t dy = p.y < r.top ? r.top - p.y : (p.y >= r.bottom ? p.y - (r.bottom - 1) : 0);
    return dx * dx + dy * dy;
}

std::int64_t OverlapArea(const Rect& a, const Rect& b) {
    const std::int64_t w = std::int64_t{std::min(a.right, b.right)} - std::max(a.left, b.left);
    const std::int64_t h = std::int64_t{std::min(a.bottom, b.bottom)} - std::max(a.top, b.top);
    return w > 0 && h > 0 ? w * h : 0;
}

Hmonitor HandleOf(std::size_t index) {
    return As<Hmonitor>(FirstMonitorHandle + 0x10 * index);
}

// Index into EffectiveMonitors, or -1.
int IndexOf(Hmonitor m) {
    const std::uintptr_t v = Id(m);
    if (v < FirstMonitorHandle || (v - FirstMonitorHandle) % 0x10 != 0) return -1;
    const std::size_t i = (v - FirstMonitorHandle) / 0x10;
    return i < EffectiveMonitors().size() ? static_cast<int>(i) : -1;
}

}  // namespace

std::vector<sim::Monitor> EffectiveMonitors() {
    const sim::Screen& s = S().screen;
    if (!s.monitors.empty()) return s.monitors;
    sim::Monitor m;
    m.rect = Rect{0, 0, s.width, s.height};
    m.work = Rect{0, 0, s.cxFullScreen, s.cyFullScreen + s.cyCaption};
    m.primary = true;
    m.dpi = s.dpi;
    return {m};
}

Rect VirtualScreen() { return Bounds(EffectiveMonitors()); }

Point OntoNearestMonitor(Point p) {
    const std::vector<sim::Monitor> ms = EffectiveMonitors();
    const sim::Monitor* best = &ms.front();
    for (const sim::Monitor& m : ms)
        if (DistanceSquared(m.rect, p) < DistanceSquared(best->rect, p)) best = &m;
    const Rect& r = best->rect;
    return Point{std::clamp(p.x, r.left, r.right - 1), std::clamp(p.y, r.top, r.bottom - 1)};
}

}  // namespace simi

using namespace simi;

namespace plat {

Hmonitor MonitorFromPoint(Point p, std::uint32_t flags) {
    Lock lk(Mu());
    const std::vector<sim::Monitor> ms = EffectiveMonitors();
    std::size_t nearest = 0;
    for (std::size_t i = 0; i < ms.size(); ++i) {
        if (Contains(ms[i].rect, p)) return HandleOf(i);
        if (DistanceSquared(ms[i].rect, p) < DistanceSquared(ms[nearest].rect, p)) nearest = i;
    }
    if (flags == MONITOR_DEFAULTTONEAREST) return HandleOf(nearest);
    if (flags == MONITOR_DEFAULTTOPRIMARY) return HandleOf(0);
    return nullptr;
}

Hmonitor MonitorFromRect(const Rect* r, std::uint32_t flags) {
    if (!r) return nullptr;
    Lock lk(Mu());
    const std::vector<sim::Monitor> ms = EffectiveMonitors();
    std::size_t best = 0;
    std::int64_t bestArea = 0;
    for (std::size_t i = 0; i < ms.size(); ++i) {
        const std::int64_t a = OverlapArea(ms[i].rect, *r);
        if (a > bestArea) {
            bestArea = a;
            best = i;
        }
    }
    if (bestArea > 0) return HandleOf(best);
    const Point centre{static_cast<std::int32_t>((std::int64_t{r->left} + r->right) / 2),
                       static_cast<std::int32_t>((std::int64_t{r->top} + r->bottom) / 2)};
    return MonitorFromPoint(centre, flags);
}

Bool GetMonitorInfoW(Hmonitor m, MonitorInfo* info) {
    Lock lk(Mu());
    const int i = IndexOf(m);
    if (i < 0 || !info || info->cbSize < sizeof(MonitorInfo)) return 0;
    const sim::Monitor mon = EffectiveMonitors()[static_cast<std::size_t>(i)];
    info->rcMonitor = mon.rect;
    info->rcWork = mon.work;
    info->dwFlags = mon.primary ? MONITORINFOF_PRIMARY : 0;
    return 1;
}

Bool EnumDisplayMonitors(Hdc, const Rect*, MonitorEnumProc proc, LParam lp) {
    if (!proc) return 0;
    std::vector<sim::Monitor> ms;
    {
        Lock lk(Mu());
        ms = EffectiveMonitors();
    }
    // The lock is not held while the product's callback runs.
    for (std::size_t i = 0; i < ms.size(); ++i) {
        Rect r = ms[i].rect;
        if (!proc(HandleOf(i), nullptr, &r, lp)) break;
    }
    return 1;
}

std::uint32_t GetDpiForMonitor(Hmonitor m) {
    Lock lk(Mu());
    const int i = IndexOf(m);
    return i < 0 ? USER_DEFAULT_SCREEN_DPI
                 : static_cast<std::uint32_t>(EffectiveMonitors()[static_cast<std::size_t>(i)].dpi);
}

}  // namespace plat

namespace sim {

void SetMonitors(const std::vector<Monitor>& monitors) {
    Lock lk(Mu());
    Screen& s = S().screen;
    s.monitors.clear();
    if (monitors.empty()) return;
    // The primary monitor first, as the system lists it.
    std::size_t primary = 0;
    for (std::size_t i = 0; i < monitors.size(); ++i)
        if (monitors[i].primary) {
            primary = i;
            break;
        }
    s.monitors.push_back(monitors[primary]);
    s.monitors.front().primary = true;
    for (std::size_t i = 0; i < monitors.size(); ++i)
        if (i != primary) {
            s.monitors.push_back(monitors[i]);
            s.monitors.back().primary = false;
        }
    const Monitor& p = s.monitors.front();
    s.width = p.rect.right - p.rect.left;
    s.height = p.rect.bottom - p.rect.top;
    s.cxFullScreen = p.work.right - p.work.left;
    s.cyFullScreen = p.work.bottom - p.work.top - s.cyCaption;
    s.dpi = p.dpi;
}

std::vector<Monitor> GetMonitors() {
    Lock lk(Mu());
    return EffectiveMonitors();
}

void ChangeDisplay(const std::vector<Monitor>& monitors) {
    std::vector<Hwnd> targets;
    plat::LParam size = 0;
    {
        Lock lk(Mu());
        SetMonitors(monitors);
        S().cursor = OntoNearestMonitor(S().cursor);
        for (std::uintptr_t id : S().zorder) {
            const Window& w = S().windows[id];
            if (w.product && !w.child) targets.push_back(As<Hwnd>(id));
        }
        size = static_cast<plat::LParam>((S().screen.width & 0xFFFF) |
                                         ((S().screen.height & 0xFFFF) << 16));
    }
    for (Hwnd w : targets) plat::PostMessage(w, plat::WM_DISPLAYCHANGE, 32, size);
}

}  // namespace sim
