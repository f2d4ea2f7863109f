// Requests of the middle-button hook library that only the main thread may carry out: it owns
// the switching and the pager menu, and knows the grid.
#include "app/app.h"
#include "core/desktop.h"
#include "core/switching.h"
#include "core/unmovable.h"
#include "pager/pager.h"
#include "platform/window.h"

namespace {

int ClampTo(long long v, int count) {
    if (v < 0) return 0;
    if (v > count - 1) return count - 1 < 0 ? 0 : count - 1;
    return static_cast<int>(v);
}

void RedrawExpandedPager() {
    if (PagerExpanded() && PagerWindow()) plat::InvalidateRect(PagerWindow(), nullptr, 0);
}

}  // namespace

void HookSwitch(int columnsRight, int rowsDown) {
    const int column =
        ClampTo(static_cast<long long>(desktop.currentColumn) + columnsRight, desktop.columns);
    const int row = ClampTo(static_cast<long long>(desktop.currentRow) + rowsDown, desktop.rows);
    if (column == desktop.currentColumn && row == desktop.currentRow) return;
    MoveViewBy(column - desktop.currentColumn, row - desktop.currentRow);
    RedrawExpandedPager();
}

void HookMoveWindow(plat::Hwnd w, int columnsRight, int rowsDown) {
    if (!w || w == PagerWindow() || !plat::IsWindow(w) || WindowMovesStopped()) return;
    const DesktopCell cell = DesktopCellOfWindow(w);
    const int sx =
        ClampTo(static_cast<long long>(CellColumn(cell)) + columnsRight, desktop.columns) -
        CellColumn(cell);
    const int sy =
        ClampTo(static_cast<long long>(CellRow(cell)) + rowsDown, desktop.rows) - CellRow(cell);
    if (!sx && !sy) return;
    plat::Rect r{};
    if (!plat::GetWindowRect(w, &r)) return;
    // Asynchronous: a window whose program is busy must not hold up the main thread.
    if (!plat::SetWindowPos(w, nullptr, r.left + sx * desktop.screenWidth, r.top + sy * desktop.screenHeight, 0, 0,
                            plat::SWP_NOSIZE | plat::SWP_NOZORDER | plat::SWP_NOACTIVATE | plat::SWP_ASYNCWINDOWPOS))
        NoteFailedMove(w);
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
