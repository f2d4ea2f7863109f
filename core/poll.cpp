#include "core/poll.h"

#include <cstdint>

#include "config/settings.h"
#include "core/desktop.h"
#include "core/pending.h"
#include "core/switching.h"
#include "core/unmovable.h"
#include "core/windows.h"
#include "platform/window.h"

namespace {

constexpr int EdgeZone = 2;
constexpr int ReentryInset = 8;

bool ButtonDown(int vk) { return (plat::GetAsyncKeyState(vk) & 0x8000) != 0; }

bool ShouldFollow(plat::Hwnd f) {
    if (plat::IsIconic(f) || !plat::IsWindowVisible(f) || IsTaskbar(f)) return false;
    // A switch would leave a window that cannot be moved where it is, off the screen.
    if (IsUnmovable(f) || IsCloaked(f)) return false;
    // Leaving a window that was itself off the screen (and still shown) is not a reason to switch.
    plat::Hwnd prev = desktop.lastForeground;
    return plat::IsIconic(prev) || IsOnCurrentScreen(prev) || !plat::IsWindow(prev) ||
           IsTaskbar(prev);
}

}  // namespace

bool PlanEdgeSwitch(plat::Point p, ViewStep* step) {
    // Only the outer edges of the virtual screen count, never a border between monitors.
    const std::int64_t x = std::int64_t{p.x} - desktop.originX, y = std::int64_t{p.y} - desktop.originY;
    const std::int64_t sw = desktop.screenWidth, sh = desktop.screenHeight;
    const std::int64_t ww = desktop.workWidth, wh = desktop.workHeight;
    const std::int64_t left = desktop.originX, top = desktop.originY;
    std::int64_t toX = p.x, toY = p.y;
    if (x < EdgeZone && desktop.currentColumn > 0) {
        *step = {-1, 0, {}};
        toX = left + ww - ReentryInset;
    } else if ((x > sw - EdgeZone || (x > ww - EdgeZone && x < ww)) &&
               desktop.currentColumn < static_cast<std::int64_t>(desktop.columns) - 1) {
        *step = {1, 0, {}};
        toX = left + ReentryInset;
    } else if (y < EdgeZone && desktop.currentRow > 0) {
        *step = {0, -1, {}};
        toY = top + wh - ReentryInset;
    } else if ((y > sh - EdgeZone || (y > wh - EdgeZone && y < wh)) &&
               desktop.currentRow < static_cast<std::int64_t>(desktop.rows) - 1) {
        *step = {0, 1, {}};
        toY = top + ReentryInset;
    } else {
        return false;
    }
    // The opposite edge's point may lie outside every monitor where their sizes differ.
    step->cursor = OntoMonitor(CurrentGeometry(), plat::Point{SaturateToInt32(toX), SaturateToInt32(toY)},
                               ReentryInset);
    return true;
}

bool PlanFollow(const plat::Rect& r, ViewStep* step) {
    if (!RectTouchesVirtualScreen(r)) return false;
    const FoldResult fold = FoldOntoScreen(r);
    if ((fold.sx == 0 && fold.sy == 0) || !StepWithinLimit(fold.sx, fold.sy)) return false;
    *step = {-fold.sx, -fold.sy, {}};
    return true;
}

bool EdgeSwitch() {
    if (settings.onlyWhenButtonDown && !(ButtonDown(plat::VK_LBUTTON) && ButtonDown(plat::VK_RBUTTON)))
        return false;
    plat::Point p{};
    ViewStep step{};
    if (!plat::GetCursorPos(&p) || !PlanEdgeSwitch(p, &step)) return false;
    desktop.edgeSwitching = 1;
    MoveViewBy(step.columnsRight, step.rowsDown);
    plat::SetCursorPos(step.cursor.x, step.cursor.y);
    desktop.edgeSwitching = 0;
    return true;
}

void FollowActive() {
    plat::Hwnd f = plat::GetForegroundWindow();
    if (f == desktop.lastForeground || f == settings.pagerWindow) return;
    // A window that moves late with a switch is not a window the user went to: following
    // it would undo that switch.
    const bool movedWithSwitch = IsMovePending(f) || ArrivedLate(f);
    if (!movedWithSwitch && ShouldFollow(f)) FollowWindow(f);
    desktop.lastForeground = f;
}

void FollowWindow(plat::Hwnd w) {
    plat::Rect r{};
    ViewStep step{};
    if (plat::GetWindowRect(w, &r) && PlanFollow(r, &step)) MoveViewBy(step.columnsRight, step.rowsDown);
}
