// Where the pager sits, how large it is, and its collapsed and expanded states.
#include <algorithm>
#include <cstdint>

#include "config/settings.h"
#include "core/desktop.h"
#include "core/switching.h"
#include "pager/pager.h"
#include "platform/gdi.h"
#include "platform/window.h"

namespace {

constexpr int NoSavedPosition = -999;
// Keeps corner arithmetic far from overflow whatever size the registry holds;
// the window system limits the real size anyway.
constexpr int LargestPagerSize = 32767;

bool CornerIsRight(int corner) { return corner == 2 || corner == 4; }
bool CornerIsBottom(int corner) { return corner == 3 || corner == 4; }

int FullSize(int stored) { return std::clamp(stored, CollapsedSize, LargestPagerSize); }

void MovePagerTo(int x, int y) {
    plat::SetWindowPos(PagerWindow(), nullptr, x, y, 0, 0,
                       plat::SWP_NOSIZE | plat::SWP_NOZORDER | plat::SWP_NOACTIVATE);
}

// A saved place must leave at least as much of the pager on the screen as the collapsed
// square shows, or the user could not find it to move it back.
bool MeetsScreen(int x, int y, int width, int height) {
    constexpr std::int64_t Visible = CollapsedSize - 1;
    const std::int64_t left = std::max<std::int64_t>(x, 0);
    const std::int64_t top = std::max<std::int64_t>(y, 0);
    const std::int64_t right = std::min<std::int64_t>(std::int64_t{x} + width, desktop.screenWidth);
    const std::int64_t bottom =
        std::min<std::int64_t>(std::int64_t{y} + height, desktop.screenHeight);
    return right - left >= Visible && bottom - top >= Visible;
}

}  // namespace

plat::Point CollapsedPosition() {
    const int corner = settings.corner;
    plat::Point p{-1, -1};
    if (CornerIsRight(corner)) p.x = desktop.screenWidth - (CollapsedSize - 1);
    if (CornerIsBottom(corner)) p.y = desktop.screenHeight - (CollapsedSize - 1);
    return p;
}

void PlacePagerAtCorner() {
    const int corner = settings.corner;
    const int width = FullSize(settings.xSize);
    const int height = FullSize(settings.ySize);
    const int frameX = plat::GetSystemMetrics(plat::SM_CXFRAME);
    const int frameY = plat::GetSystemMetrics(plat::SM_CYFRAME);
    const int x = CornerIsRight(corner) ? desktop.screenWidth - width + frameX : -frameX;
    const int y = CornerIsBottom(corner) ? desktop.screenHeight - height + frameY : -frameY;
    plat::SetWindowPos(PagerWindow(), nullptr, x, y, width, height, plat::SWP_NOZORDER);
}

void RestorePagerPosition() {
    PlacePagerAtCorner();
    const int x = ReadDword(settingsKeys.preferences, "XPos", NoSavedPosition);
    const int y = ReadDword(settingsKeys.preferences, "YPos", NoSavedPosition);
    if (x == NoSavedPosition || y == NoSavedPosition) return;
    if (!MeetsScreen(x, y, FullSize(settings.xSize), FullSize(settings.ySize))) return;
    MovePagerTo(x, y);
}

void CheckDisplaySize(bool force) {
    const bool onlyOnSizeChange = !force;
    if (!MeasureScreen(onlyOnSizeChange)) return;

    if (settings.minimizeTolvo) {
        const plat::Point p = CollapsedPosition();
        MovePagerTo(p.x, p.y);
        return;
    }
    plat::Rect r{0, 0, 0, 0};
    if (!plat::GetWindowRect(PagerWindow(), &r)) return;
    // Only the right and bottom limits: a pager left of or above the screen stays.
    const int x = std::min(r.left, desktop.screenWidth - (CollapsedSize - 1));
    const int y = std::min(r.top, desktop.screenHeight - (CollapsedSize - 1));
    if (x == r.left && y == r.top) return;
    MovePagerTo(x, y);
}

void ExpandPager(bool takeForeground) {
    if (PagerExpanded()) return;
    if (settings.minimizeTolvo) PlacePagerAtCorner();
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
    if (settings.minimizeTolvo) {
        // Memory only: a size the user gave the pager survives until the next expansion.
        settings.xSize = r.right - r.left;
        settings.ySize = r.bottom - r.top;
        const plat::Point p = CollapsedPosition();
        plat::SetWindowPos(PagerWindow(), nullptr, p.x, p.y, CollapsedSize, CollapsedSize,
                           plat::SWP_NOZORDER | plat::SWP_NOACTIVATE);
        WindowDrag& drag = pager.windowDrag;
        if (drag.window) {
            // Asynchronous, as the drag's own moves: its program may hang.
            plat::SetWindowPos(drag.window, nullptr, drag.startLeft, drag.startTop, 0, 0,
                               plat::SWP_NOSIZE | plat::SWP_NOZORDER | plat::SWP_NOACTIVATE |
                                   plat::SWP_ASYNCWINDOWPOS);
            drag.window = nullptr;
        }
    }
    ActivateTopWindowOnScreen(false);
}

void RememberPagerSize() {
    plat::Rect r{0, 0, 0, 0};
    if (!plat::GetWindowRect(PagerWindow(), &r)) return;
    settings.xSize = r.right - r.left;
    settings.ySize = r.bottom - r.top;
    WriteDword(settingsKeys.preferences, "XSize", settings.xSize);
    WriteDword(settingsKeys.preferences, "YSize", settings.ySize);
    if (settings.minimizeTolvo == 0) {
        WriteDword(settingsKeys.preferences, "XPos", r.left);
        WriteDword(settingsKeys.preferences, "YPos", r.top);
    }
}
