// The way the windows come home at the end of a run.
#include "core/home.h"

#include <algorithm>

#include "core/desktop.h"
#include "core/switching.h"

std::vector<DesktopStep> PlanWayHome(int column, int row) {
    std::vector<DesktopStep> steps;
    while (column > 0 || row > 0) {
        const DesktopStep s{std::clamp(column, 0, MaxSwitchStep),
                            std::clamp(row, 0, MaxSwitchStep)};
        steps.push_back(s);
        column -= s.columns;
        row -= s.rows;
    }
    return steps;
}

std::vector<PendingMove> PlanHeldWindowsHome(const std::vector<HeldWindow>& held, bool fold,
                                             std::int64_t dx, std::int64_t dy) {
    std::vector<PendingMove> moves;
    moves.reserve(held.size());
    for (const HeldWindow& h : held) {
        const PendingMove& m = h.move;
        const std::int64_t width = std::int64_t{h.now.right} - h.now.left;
        const std::int64_t height = std::int64_t{h.now.bottom} - h.now.top;
        const plat::Rect at{m.x, m.y, OffsetCoordinate(m.x, width), OffsetCoordinate(m.y, height)};
        if (fold) {
            const plat::Rect folded = FoldOntoScreen(at).rect;
            moves.push_back(PendingMove{m.window, folded.left, folded.top});
        } else {
            moves.push_back(PendingMove{m.window, OffsetCoordinate(at.left, dx),
                                        OffsetCoordinate(at.top, dy)});
        }
    }
    return moves;
}
