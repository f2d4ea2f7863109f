// The way the windows come home at the end of a run, decided without the system.
#pragma once
#include <cstdint>
#include <vector>

#include "core/movebatch.h"
#include "platform/types.h"

// One switch of the way home: the windows' step, right and down, in desktops.
struct DesktopStep {
    int columns, rows;
    bool operator==(const DesktopStep& o) const { return columns == o.columns && rows == o.rows; }
};

// The switches that take the view from desktop (column, row) back to (0, 0); each within what
// one switch may move, so a far desktop takes several.
std::vector<DesktopStep> PlanWayHome(int column, int row);

// A window whose late move the move thread still held when it ended: where that move puts the
// window's top-left corner, and the window's rectangle now (for its size).
struct HeldWindow {
    PendingMove move;
    plat::Rect now;
};

// The last move of each held window: to where its held move would have put it, then home like
// every other window: folded onto the screen, or moved by (dx, dy) pixels, the offset of the
// desktop the run ended on.
std::vector<PendingMove> PlanHeldWindowsHome(const std::vector<HeldWindow>& held, bool fold,
                                             std::int64_t dx, std::int64_t dy);
