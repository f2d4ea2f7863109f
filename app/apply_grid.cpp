// A grid chosen in the settings dialog, put in force on the main thread.
#include <algorithm>

#include "app/app.h"
#include "core/compress.h"
#include "core/desktop.h"
#include "core/switching.h"
#include "pager/pager.h"
#include "platform/window.h"

void ApplyGrid(int columns, int rows) {
    if (!IsGridSize(columns) || !IsGridSize(rows)) return;
    if (columns == desktop.columns && rows == desktop.rows) return;
    // After the end of the run the grid is only stored, for the next start.
    if (WindowMovesStopped()) return;
    desktop.columns = columns;
    desktop.rows = rows;
    const int left = std::max(0, desktop.currentColumn - (columns - 1));
    const int up = std::max(0, desktop.currentRow - (rows - 1));
    if (left || up) MoveViewBy(-left, -up);
    // No switch reaches a window on a desktop the grid lost.
    FoldWindowsIntoGrid();
    plat::InvalidateRect(PagerWindow(), nullptr, 1);
}
