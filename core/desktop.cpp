#include "core/desktop.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "platform/display.h"
#include "platform/gdi.h"
#include "platform/window.h"

DesktopState desktop;

namespace {

using I64 = std::int64_t;

std::uint64_t Magnitude(I64 v) {
    return v < 0 ? 0u - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
}

// a * b / c, truncating. A product that does not fit 64 bits arises only when c is a pager
// rectangle size (below 2^33), so its quotient is far outside 32 bits: only the sign matters.
I64 MulDiv64(I64 a, I64 b, I64 c) {
    if (c == 0) return 0;
    std::uint64_t ma = Magnitude(a), mb = Magnitude(b);
    if (ma != 0 && mb > static_cast<std::uint64_t>(std::numeric_limits<I64>::max()) / ma) {
        bool negative = (a < 0) != (b < 0);
        if (c < 0) negative = !negative;
        return negative ? -(I64{1} << 40) : (I64{1} << 40);
    }
    return (a * b) / c;
}

// Clamps one grid index the way cells are packed: 0 .. min(count, 256) - 1.
I64 ClampIndex(I64 v, I64 count) {
    if (count > 256) count = 256;
    if (count < 1) count = 1;
    if (v < 0) v = 0;
    if (v >= count) v = count - 1;
    return v;
}

// Number of whole screens (towards the centre) that brings twice the centre, sum, into
// [0, 2 * size]; the closed form of adding or subtracting size one screen at a time.
I64 FoldSteps(I64 sum, I64 size) {
    if (size <= 0) return 0;
    const I64 step = 2 * size;
    if (sum < 0) return (-sum + step - 1) / step;
    if (sum > step) return -((sum - step + step - 1) / step);
    return 0;
}

plat::Point Centre(const plat::Rect& r) {
    I64 cx = static_cast<I64>(r.left) + (static_cast<I64>(r.right) - r.left) / 2;
    I64 cy = static_cast<I64>(r.top) + (static_cast<I64>(r.bottom) - r.top) / 2;
    return plat::Point{SaturateToInt32(cx), SaturateToInt32(cy)};
}

std::int64_t DistanceSquared(const plat::Rect& r, plat::Point p) {
    const I64 dx = p.x < r.left ? I64{r.left} - p.x : (p.x >= r.right ? I64{p.x} - r.right + 1 : 0);
    const I64 dy = p.y < r.top ? I64{r.top} - p.y : (p.y >= r.bottom ? I64{p.y} - r.bottom + 1 : 0);
    return dx * dx + dy * dy;
}

bool Contains(const plat::Rect& r, plat::Point p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

I64 Clamp64(I64 v, I64 lo, I64 hi) { return v < lo ? lo : (v > hi ? hi : v); }

plat::Bool PLAT_CALLBACK CollectMonitor(plat::Hmonitor m, plat::Hdc, plat::Rect*, plat::LParam lp) {
    ScreenGeometry& g = *reinterpret_cast<ScreenGeometry*>(lp);
    if (g.monitorCount >= MaxMonitors) return 0;
    plat::MonitorInfo info{};
    info.cbSize = sizeof info;
    if (!plat::GetMonitorInfoW(m, &info)) return 1;
    MonitorArea& a = g.monitors[g.monitorCount++];
    a.rect = info.rcMonitor;
    a.work = info.rcWork;
    a.primary = (info.dwFlags & plat::MONITORINFOF_PRIMARY) != 0;
    a.dpi = static_cast<std::int32_t>(plat::GetDpiForMonitor(m));
    return 1;
}

}  // namespace

bool operator==(const ScreenGeometry& a, const ScreenGeometry& b) {
    if (a.originX != b.originX || a.originY != b.originY || a.width != b.width ||
        a.height != b.height || a.monitorCount != b.monitorCount)
        return false;
    for (int i = 0; i < a.monitorCount && i < MaxMonitors; ++i) {
        const plat::Rect &ra = a.monitors[i].rect, &rb = b.monitors[i].rect;
        if (ra.left != rb.left || ra.top != rb.top || ra.right != rb.right || ra.bottom != rb.bottom)
            return false;
    }
    return true;
}

void ResetDesktopState() {
    desktop.screenWidth = desktop.screenHeight = 0;
    desktop.workWidth = desktop.workHeight = 0;
    desktop.originX = desktop.originY = 0;
    desktop.monitorCount = 0;
    for (MonitorArea& m : desktop.monitors) m = MonitorArea{};
    desktop.columns = desktop.rows = 0;
    desktop.currentColumn = desktop.currentRow = 0;
    desktop.switching.store(0, std::memory_order_relaxed);
    desktop.edgeSwitching = 0;
    desktop.compressBusy = 0;
    desktop.lastForeground = nullptr;
}

bool ReadScreenGeometry(ScreenGeometry& g, std::int32_t& workWidth, std::int32_t& workHeight) {
    g = ScreenGeometry{};
    plat::Hdc dc = plat::GetDC(nullptr);
    if (!dc) return false;
    const int horz = plat::GetDeviceCaps(dc, plat::HORZRES);
    const int vert = plat::GetDeviceCaps(dc, plat::VERTRES);
    plat::ReleaseDC(nullptr, dc);
    g.originX = plat::GetSystemMetrics(plat::SM_XVIRTUALSCREEN);
    g.originY = plat::GetSystemMetrics(plat::SM_YVIRTUALSCREEN);
    g.width = plat::GetSystemMetrics(plat::SM_CXVIRTUALSCREEN);
    g.height = plat::GetSystemMetrics(plat::SM_CYVIRTUALSCREEN);
    if (g.width <= 0 || g.height <= 0) {  // a system that knows one screen only
        g.originX = g.originY = 0;
        g.width = horz;
        g.height = vert;
    }
    if (g.width <= 0 || g.height <= 0 || horz <= 0 || vert <= 0) return false;
    plat::EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<plat::LParam>(&g));
    if (g.monitorCount == 0) {
        MonitorArea& m = g.monitors[g.monitorCount++];
        m.rect = plat::Rect{g.originX, g.originY, OffsetCoordinate(g.originX, g.width),
                            OffsetCoordinate(g.originY, g.height)};
        m.work = plat::Rect{
            0, 0, plat::GetSystemMetrics(plat::SM_CXFULLSCREEN),
            SaturateToInt32(static_cast<I64>(plat::GetSystemMetrics(plat::SM_CYFULLSCREEN)) +
                            plat::GetSystemMetrics(plat::SM_CYCAPTION))};
        m.dpi = static_cast<std::int32_t>(plat::USER_DEFAULT_SCREEN_DPI);
        m.primary = true;
    }
    // The work area narrows an outer edge where a monitor on that edge has its taskbar there.
    const I64 right = I64{g.originX} + g.width, bottom = I64{g.originY} + g.height;
    I64 workRight = right, workBottom = bottom;
    for (int i = 0; i < g.monitorCount; ++i) {
        const MonitorArea& m = g.monitors[i];
        if (m.rect.right == right && m.work.right < workRight) workRight = m.work.right;
        if (m.rect.bottom == bottom && m.work.bottom < workBottom) workBottom = m.work.bottom;
    }
    workWidth = SaturateToInt32(workRight - g.originX);
    workHeight = SaturateToInt32(workBottom - g.originY);
    return true;
}

ScreenGeometry CurrentGeometry() {
    ScreenGeometry g{};
    g.originX = desktop.originX;
    g.originY = desktop.originY;
    g.width = desktop.screenWidth;
    g.height = desktop.screenHeight;
    g.monitorCount = desktop.monitorCount < 0 ? 0 : std::min(desktop.monitorCount, MaxMonitors);
    for (int i = 0; i < g.monitorCount; ++i) g.monitors[i] = desktop.monitors[i];
    return g;
}

void StoreGeometry(const ScreenGeometry& g, std::int32_t workWidth, std::int32_t workHeight) {
    desktop.originX = g.originX;
    desktop.originY = g.originY;
    desktop.screenWidth = g.width;
    desktop.screenHeight = g.height;
    desktop.workWidth = workWidth;
    desktop.workHeight = workHeight;
    const int n = g.monitorCount < 0 ? 0 : std::min(g.monitorCount, MaxMonitors);
    for (int i = 0; i < n; ++i) desktop.monitors[i] = g.monitors[i];
    desktop.monitorCount = n;
}

bool MeasureScreen(bool onlyOnSizeChange) {
    ScreenGeometry g{};
    std::int32_t workWidth = 0, workHeight = 0;
    if (!ReadScreenGeometry(g, workWidth, workHeight)) return false;
    if (onlyOnSizeChange && g == CurrentGeometry()) return false;
    StoreGeometry(g, workWidth, workHeight);
    return true;
}

std::int64_t ScreenToVirtualX(std::int64_t x) {
    return x - desktop.originX + static_cast<I64>(desktop.currentColumn) * desktop.screenWidth;
}
std::int64_t ScreenToVirtualY(std::int64_t y) {
    return y - desktop.originY + static_cast<I64>(desktop.currentRow) * desktop.screenHeight;
}
std::int64_t VirtualToScreenX(std::int64_t vx) {
    return vx + desktop.originX - static_cast<I64>(desktop.currentColumn) * desktop.screenWidth;
}
std::int64_t VirtualToScreenY(std::int64_t vy) {
    return vy + desktop.originY - static_cast<I64>(desktop.currentRow) * desktop.screenHeight;
}

const MonitorArea* MonitorAt(const ScreenGeometry& g, plat::Point p, bool nearest) {
    const int n = g.monitorCount < 0 ? 0 : std::min(g.monitorCount, MaxMonitors);
    const MonitorArea* best = nullptr;
    for (int i = 0; i < n; ++i) {
        if (Contains(g.monitors[i].rect, p)) return &g.monitors[i];
        if (nearest && (!best || DistanceSquared(g.monitors[i].rect, p) <
                                     DistanceSquared(best->rect, p)))
            best = &g.monitors[i];
    }
    return best;
}

plat::Point OntoMonitor(const ScreenGeometry& g, plat::Point p, int inset) {
    if (MonitorAt(g, p, false)) return p;
    const MonitorArea* m = MonitorAt(g, p, true);
    if (!m) return p;
    const plat::Rect& r = m->rect;
    // A monitor narrower than twice the inset still takes the point, at its middle.
    const I64 left = I64{r.left} + inset, right = I64{r.right} - 1 - inset;
    const I64 top = I64{r.top} + inset, bottom = I64{r.bottom} - 1 - inset;
    const I64 x = left <= right ? Clamp64(p.x, left, right) : (I64{r.left} + r.right) / 2;
    const I64 y = top <= bottom ? Clamp64(p.y, top, bottom) : (I64{r.top} + r.bottom) / 2;
    return plat::Point{SaturateToInt32(x), SaturateToInt32(y)};
}

int VirtualToPagerX(int vx, const plat::Rect& mini) {
    I64 span = static_cast<I64>(desktop.screenWidth) * desktop.columns;
    if (span == 0) return mini.left;
    return SaturateToInt32(mini.left +
                           MulDiv64(vx, static_cast<I64>(mini.right) - mini.left, span));
}

int VirtualToPagerY(int vy, const plat::Rect& mini) {
    I64 span = static_cast<I64>(desktop.screenHeight) * desktop.rows;
    if (span == 0) return mini.top;
    return SaturateToInt32(mini.top +
                           MulDiv64(vy, static_cast<I64>(mini.bottom) - mini.top, span));
}

int PagerToVirtualX(int px, const plat::Rect& mini) {
    I64 width = static_cast<I64>(mini.right) - mini.left;
    I64 span = static_cast<I64>(desktop.columns) * desktop.screenWidth;
    return SaturateToInt32(MulDiv64(span, static_cast<I64>(px) - mini.left, width));
}

int PagerToVirtualY(int py, const plat::Rect& mini) {
    I64 height = static_cast<I64>(mini.bottom) - mini.top;
    I64 span = static_cast<I64>(desktop.rows) * desktop.screenHeight;
    return SaturateToInt32(MulDiv64(span, static_cast<I64>(py) - mini.top, height));
}

bool RectTouchesVirtualScreen(const plat::Rect& r) {
    if (r.right < r.left || r.bottom < r.top) return false;
    I64 vLeft = desktop.originX - static_cast<I64>(desktop.currentColumn) * desktop.screenWidth;
    I64 vRight = vLeft + static_cast<I64>(desktop.columns) * desktop.screenWidth;
    I64 vTop = desktop.originY - static_cast<I64>(desktop.currentRow) * desktop.screenHeight;
    I64 vBottom = vTop + static_cast<I64>(desktop.rows) * desktop.screenHeight;
    return r.right >= vLeft && r.left < vRight && r.bottom >= vTop && r.top < vBottom;
}

bool IsOnCurrentScreen(plat::Hwnd w) {
    plat::Rect r{};
    if (!plat::GetWindowRect(w, &r)) return false;
    const plat::Point c = Centre(r);
    const int n = std::min(desktop.monitorCount, MaxMonitors);
    if (n <= 0) {
        const I64 x = I64{c.x} - desktop.originX, y = I64{c.y} - desktop.originY;
        return x >= 0 && x < desktop.workWidth && y >= 0 && y < desktop.workHeight;
    }
    for (int i = 0; i < n; ++i)
        if (Contains(desktop.monitors[i].work, c)) return true;
    return false;
}

DesktopCell DesktopCellOfPoint(int x, int y) {
    const I64 sw = desktop.screenWidth, sh = desktop.screenHeight;
    const I64 cols = desktop.columns, rows = desktop.rows;
    // A degenerate screen size has no cells to divide into: stay on the current one.
    const I64 rx = I64{x} - desktop.originX, ry = I64{y} - desktop.originY;
    I64 column = sw > 0 ? (rx + cols * sw) / sw - cols + desktop.currentColumn
                        : static_cast<I64>(desktop.currentColumn);
    I64 row = sh > 0 ? (ry + rows * sh) / sh - rows + desktop.currentRow
                     : static_cast<I64>(desktop.currentRow);
    column = ClampIndex(column, cols);
    row = ClampIndex(row, rows);
    return static_cast<DesktopCell>(column + row * 256);
}

DesktopCell DesktopCellOfWindow(plat::Hwnd w) {
    plat::Rect r{};
    plat::GetWindowRect(w, &r);
    plat::Point c = Centre(r);
    return DesktopCellOfPoint(c.x, c.y);
}

std::int64_t DesktopsAway(std::int64_t low, std::int64_t high, std::int64_t origin,
                          std::int64_t size) {
    return -FoldSteps(low + high - 2 * origin, size);
}

FoldResult FoldOntoScreen(const plat::Rect& r) {
    const I64 sw = desktop.screenWidth, sh = desktop.screenHeight;
    I64 kx = -DesktopsAway(r.left, r.right, desktop.originX, sw);
    I64 ky = -DesktopsAway(r.top, r.bottom, desktop.originY, sh);
    FoldResult f{};
    f.rect.left = SaturateToInt32(r.left + kx * sw);
    f.rect.right = SaturateToInt32(r.right + kx * sw);
    f.rect.top = SaturateToInt32(r.top + ky * sh);
    f.rect.bottom = SaturateToInt32(r.bottom + ky * sh);
    f.sx = SaturateToInt32(kx);
    f.sy = SaturateToInt32(ky);
    f.moved = kx != 0 || ky != 0;
    return f;
}
