// Where the pager sits, how large it is, and its collapsed and expanded states.
#include <algorithm>
#include <atomic>
#include <cstdint>

#include "config/settings.h"
#include "core/desktop.h"
#include "core/display.h"
#include "core/movebatch.h"
#include "core/switching.h"
#include "pager/pager.h"
#include "platform/kernel.h"
#include "platform/window.h"

namespace {

constexpr int NoSavedPosition = -999;
// Keeps corner arithmetic far from overflow whatever size the registry holds;
// the window system limits the real size anyway.
constexpr int LargestPagerSize = 32767;

// Any other stored "Corner" is neither, so it places the pager top-left.
bool CornerIsRight(int corner) {
    return corner == CornerTopRight || corner == CornerBottomRight;
}
bool CornerIsBottom(int corner) {
    return corner == CornerBottomLeft || corner == CornerBottomRight;
}

constexpr int BaseDpi = 96;

// A change noticed while a batch of moves ran, to be followed once it is over.
std::atomic<bool> displayChangeDeferred{false};

void MovePagerTo(int x, int y) {
    plat::SetWindowPos(PagerWindow(), nullptr, x, y, 0, 0, plat::QuietMoveFlags);
}

constexpr std::int64_t Visible = CollapsedSize - 1;

int MonitorCount() { return std::clamp(desktop.monitorCount, 0, MaxMonitors); }

plat::Rect WholeVirtualScreen() {
    return plat::Rect{desktop.originX, desktop.originY,
                      OffsetCoordinate(desktop.originX, desktop.screenWidth),
                      OffsetCoordinate(desktop.originY, desktop.screenHeight)};
}

bool ShowsOn(const plat::Rect& m, std::int64_t x, std::int64_t y, int width, int height) {
    const std::int64_t left = std::max<std::int64_t>(x, m.left);
    const std::int64_t top = std::max<std::int64_t>(y, m.top);
    const std::int64_t right = std::min<std::int64_t>(x + width, m.right);
    const std::int64_t bottom = std::min<std::int64_t>(y + height, m.bottom);
    return right - left >= Visible && bottom - top >= Visible;
}

// A place must leave at least as much of the pager on some monitor as the collapsed square
// shows, or the user could not find it to move it back.
bool MeetsScreen(int x, int y, int width, int height) {
    if (MonitorCount() == 0) return ShowsOn(WholeVirtualScreen(), x, y, width, height);
    for (int i = 0; i < MonitorCount(); ++i)
        if (ShowsOn(desktop.monitors[i].rect, x, y, width, height)) return true;
    return false;
}

// The pager's corner is the virtual screen's: on the monitor holding that corner, or on the
// primary monitor where no monitor reaches it. Null before any monitor was measured.
const MonitorArea* CornerMonitorArea(int corner) {
    const plat::Rect all = WholeVirtualScreen();
    const plat::Point p{CornerIsRight(corner) ? all.right - 1 : all.left,
                        CornerIsBottom(corner) ? all.bottom - 1 : all.top};
    const MonitorArea* primary = nullptr;
    for (int i = 0; i < MonitorCount(); ++i) {
        const plat::Rect& m = desktop.monitors[i].rect;
        if (p.x >= m.left && p.x < m.right && p.y >= m.top && p.y < m.bottom)
            return &desktop.monitors[i];
        if (desktop.monitors[i].primary && !primary) primary = &desktop.monitors[i];
    }
    return primary ? primary : (MonitorCount() > 0 ? &desktop.monitors[0] : nullptr);
}

plat::Rect CornerMonitor(int corner) {
    const MonitorArea* m = CornerMonitorArea(corner);
    return m ? m->rect : WholeVirtualScreen();
}

int DpiOf(const MonitorArea* m) { return m && m->dpi > 0 ? m->dpi : BaseDpi; }
int CornerDpi() { return DpiOf(CornerMonitorArea(settings.corner)); }

// The stored size is at 96 DPI; the window is as large as its monitor's DPI makes it.
int FullSize(int stored) {
    const int scaled = ScaleToDpi(std::clamp(stored, CollapsedSize, LargestPagerSize), CornerDpi());
    return std::clamp(scaled, CollapsedPixels(), LargestPagerSize);
}

}  // namespace

int ScaleToDpi(int value, int dpi) {
    if (dpi <= 0 || dpi == BaseDpi) return value;
    return SaturateToInt32((std::int64_t{value} * dpi + BaseDpi / 2) / BaseDpi);
}

int UnscaleFromDpi(int value, int dpi) {
    if (dpi <= 0 || dpi == BaseDpi) return value;
    return SaturateToInt32((std::int64_t{value} * BaseDpi + dpi / 2) / dpi);
}

int PagerDpi() {
    plat::Rect r{0, 0, 0, 0};
    if (!plat::GetWindowRect(PagerWindow(), &r)) return CornerDpi();
    const plat::Point centre{SaturateToInt32((std::int64_t{r.left} + r.right) / 2),
                             SaturateToInt32((std::int64_t{r.top} + r.bottom) / 2)};
    const ScreenGeometry g = CurrentGeometry();
    return DpiOf(MonitorAt(g, centre, true));
}

int CollapsedPixels() { return ScaleToDpi(CollapsedSize, CornerDpi()); }

plat::Point CollapsedPosition() {
    const int corner = settings.corner;
    const plat::Rect m = CornerMonitor(corner);
    const int size = CollapsedPixels();
    // One pixel past each of the corner's two edges.
    plat::Point p{m.left - 1, m.top - 1};
    if (CornerIsRight(corner)) p.x = m.right - (size - 1);
    if (CornerIsBottom(corner)) p.y = m.bottom - (size - 1);
    return p;
}

void PlacePagerAtCorner() {
    const int corner = settings.corner;
    const int width = FullSize(settings.xSize);
    const int height = FullSize(settings.ySize);
    const int frameX = plat::GetSystemMetrics(plat::SM_CXFRAME);
    const int frameY = plat::GetSystemMetrics(plat::SM_CYFRAME);
    const plat::Rect m = CornerMonitor(corner);
    const int x = CornerIsRight(corner) ? m.right - width + frameX : m.left - frameX;
    const int y = CornerIsBottom(corner) ? m.bottom - height + frameY : m.top - frameY;
    plat::SetWindowPos(PagerWindow(), nullptr, x, y, width, height, plat::SWP_NOZORDER);
}

void RestorePagerPosition() {
    PlacePagerAtCorner();
    const int x = ReadDword(settingsKeys.preferences, PagerXPosName, NoSavedPosition);
    const int y = ReadDword(settingsKeys.preferences, PagerYPosName, NoSavedPosition);
    if (x == NoSavedPosition || y == NoSavedPosition) return;
    if (!MeetsScreen(x, y, FullSize(settings.xSize), FullSize(settings.ySize))) return;
    MovePagerTo(x, y);
}

void CheckDisplaySize(bool force) {
    ScreenGeometry now{};
    std::int32_t workWidth = 0, workHeight = 0;
    if (!ReadScreenGeometry(now, workWidth, workHeight)) return;
    const ScreenGeometry before = CurrentGeometry();
    if (now != before) {
        // Windows are laid out again on the pager's own thread only, where switches run.
        const std::uint32_t owner = plat::GetWindowThreadProcessId(PagerWindow(), nullptr);
        if (owner && owner != plat::GetCurrentThreadId()) {
            plat::PostMessage(PagerWindow(), plat::WM_DISPLAYCHANGE, 0, 0);
            return;
        }
        // A change delivered while a switch waits for its probe's answers: that switch's moves
        // were planned for the old screen, so the windows are laid out again after them.
        if (desktop.switching.load(std::memory_order_relaxed)) {
            displayChangeDeferred.store(true, std::memory_order_relaxed);
            return;
        }
        ChangeGeometry(before, now, workWidth, workHeight);
    } else if (force) {
        StoreGeometry(now, workWidth, workHeight);
    } else {
        return;
    }

    if (settings.collapsePager) {
        const plat::Point p = CollapsedPosition();
        MovePagerTo(p.x, p.y);
        return;
    }
    plat::Rect r{0, 0, 0, 0};
    if (!plat::GetWindowRect(PagerWindow(), &r)) return;
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (MeetsScreen(r.left, r.top, width, height)) return;
    // Onto the nearest monitor by the shortest way: the right and bottom limits first.
    const plat::Point centre{SaturateToInt32((std::int64_t{r.left} + r.right) / 2),
                             SaturateToInt32((std::int64_t{r.top} + r.bottom) / 2)};
    const ScreenGeometry g = CurrentGeometry();
    const MonitorArea* nearest = MonitorAt(g, centre, true);
    const plat::Rect m = nearest ? nearest->rect : WholeVirtualScreen();
    std::int64_t x = std::min<std::int64_t>(r.left, m.right - Visible);
    std::int64_t y = std::min<std::int64_t>(r.top, m.bottom - Visible);
    x = std::max<std::int64_t>(x, std::int64_t{m.left} - width + Visible);
    y = std::max<std::int64_t>(y, std::int64_t{m.top} - height + Visible);
    MovePagerTo(SaturateToInt32(x), SaturateToInt32(y));
}

bool TakeDeferredDisplayChange() {
    return displayChangeDeferred.exchange(false, std::memory_order_relaxed);
}

void ExpandPager(bool takeForeground) {
    if (PagerExpanded()) return;
    if (settings.collapsePager) PlacePagerAtCorner();
    SetPagerExpanded(true);
    pager.windowDrag.window = nullptr;
    if (takeForeground) plat::SetForegroundWindow(PagerWindow());
}

void CheckPagerLeave() {
    if (!PagerExpanded() || pager.pagerDrag.active) return;
    // The capture is ours while the user sizes the pager by its border or has its menu
    // open; timers run inside those loops and the pointer may be outside meanwhile.
    if (plat::GetCapture()) return;
    plat::Point cursor{0, 0};
    plat::Rect r{0, 0, 0, 0};
    plat::GetCursorPos(&cursor);
    if (!plat::GetWindowRect(PagerWindow(), &r)) return;
    if (r.left <= cursor.x && cursor.x <= r.right && r.top <= cursor.y && cursor.y <= r.bottom)
        return;

    SetPagerExpanded(false);
    if (settings.collapsePager) {
        // Memory only: a size the user gave the pager survives until the next expansion.
        const int dpi = PagerDpi();
        settings.xSize = UnscaleFromDpi(r.right - r.left, dpi);
        settings.ySize = UnscaleFromDpi(r.bottom - r.top, dpi);
        const plat::Point p = CollapsedPosition();
        const int size = CollapsedPixels();
        plat::SetWindowPos(PagerWindow(), nullptr, p.x, p.y, size, size,
                           plat::SWP_NOZORDER | plat::SWP_NOACTIVATE);
        WindowDrag& drag = pager.windowDrag;
        if (drag.window) {
            // Asynchronous, as the drag's own moves: its program may hang.
            MoveWindowAsync(drag.window, drag.startLeft, drag.startTop);
            drag.window = nullptr;
        }
    }
    ActivateTopWindowOnScreen(false);
}

void RememberPagerSize() {
    plat::Rect r{0, 0, 0, 0};
    if (!plat::GetWindowRect(PagerWindow(), &r)) return;
    const int dpi = PagerDpi();
    settings.xSize = UnscaleFromDpi(r.right - r.left, dpi);
    settings.ySize = UnscaleFromDpi(r.bottom - r.top, dpi);
    WriteDword(settingsKeys.preferences, setting_name::xSize, settings.xSize);
    WriteDword(settingsKeys.preferences, setting_name::ySize, settings.ySize);
    if (settings.collapsePager == 0) {
        WriteDword(settingsKeys.preferences, PagerXPosName, r.left);
        WriteDword(settingsKeys.preferences, PagerYPosName, r.top);
    }
}

void PagerDpiChanged(const plat::Rect* suggested) {
    // The monitors' DPI is part of the measure; the geometry itself may be unchanged.
    CheckDisplaySize(true);
    if (settings.collapsePager) {
        if (PagerExpanded()) {
            PlacePagerAtCorner();
        } else {
            const plat::Point p = CollapsedPosition();
            const int size = CollapsedPixels();
            plat::SetWindowPos(PagerWindow(), nullptr, p.x, p.y, size, size,
                               plat::SWP_NOZORDER | plat::SWP_NOACTIVATE);
        }
    } else if (suggested) {
        plat::SetWindowPos(PagerWindow(), nullptr, suggested->left, suggested->top,
                           suggested->right - suggested->left, suggested->bottom - suggested->top,
                           plat::SWP_NOZORDER | plat::SWP_NOACTIVATE);
    }
    plat::InvalidateRect(PagerWindow(), nullptr, 0);
}
