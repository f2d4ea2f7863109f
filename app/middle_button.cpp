// Requests of the middle-button hook library that only the main thread may carry out: it owns
// the switching and the pager menu, and knows the grid.
#include <cstdint>

#include "app/app.h"
#include "core/compress.h"
#include "core/desktop.h"
#include "core/movebatch.h"
#include "core/switching.h"
#include "core/unmovable.h"
#include "pager/pager.h"
#include "platform/window.h"

namespace {

void RedrawExpandedPager() {
    if (PagerExpanded() && PagerWindow()) plat::InvalidateRect(PagerWindow(), nullptr, 0);
}

}  // namespace

void HookSwitch(int columnsRight, int rowsDown) {
    const int column = ClampToGrid(std::int64_t{desktop.currentColumn} + columnsRight, desktop.columns);
    const int row = ClampToGrid(std::int64_t{desktop.currentRow} + rowsDown, desktop.rows);
    if (column == desktop.currentColumn && row == desktop.currentRow) return;
    MoveViewBy(column - desktop.currentColumn, row - desktop.currentRow);
    RedrawExpandedPager();
}

void HookMoveWindow(plat::Hwnd w, int columnsRight, int rowsDown) {
    if (!w || w == PagerWindow() || !plat::IsWindow(w) || WindowMovesStopped()) return;
    plat::Rect r{};
    plat::Point to{};
    if (!plat::GetWindowRect(w, &r) || !PlanCarryByDesktops(r, columnsRight, rowsDown, &to)) return;
    // Asynchronous: a window whose program is busy must not hold up the main thread.
    if (!MoveWindowAsync(w, to.x, to.y)) NoteFailedMove(w);
    RedrawExpandedPager();
}

void HookMenu(plat::Hwnd pagerWindow, int x, int y) {
    // The menu takes screen points only while the pager is hidden; otherwise client points.
    plat::Point origin{0, 0};
    if (plat::IsWindowVisible(pagerWindow)) plat::ClientToScreen(pagerWindow, &origin);
    plat::Hwnd previous = plat::GetForegroundWindow();
    // Without the foreground the menu would not close when the user clicks elsewhere.
    plat::SetForegroundWindow(pagerWindow);
    ShowPagerMenu(x - origin.x, y - origin.y);
    if (previous) plat::SetForegroundWindow(previous);
}
