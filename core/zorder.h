// The one way through the Z-order of top-level windows. The order is read in one go: stepping
// through it with GetWindow skips or repeats every window whose place changes during the walk
// (another program activating a window is enough), and a window destroyed under the walk ends
// it; a switch or a drawing built on that loses windows.
#pragma once
#include <type_traits>
#include <vector>

#include "platform/types.h"

// A list of top-level windows longer than this is not believed.
constexpr int MaxWalkSteps = 65536;

// Every top-level window, from the top of the Z-order.
std::vector<plat::Hwnd> TopLevelWindows();
// The same into `list`, reusing its memory: a caller that keeps the list allocates nothing
// once it is large enough.
void ReadTopLevelWindows(std::vector<plat::Hwnd>& list);

// Calls visit(w); a visit that returns bool decides whether the walk goes on.
template <typename Visit>
bool VisitGoesOn(Visit& visit, plat::Hwnd w) {
    if constexpr (std::is_same_v<decltype(visit(w)), bool>) {
        return visit(w);
    } else {
        visit(w);
        return true;
    }
}

// The top-level windows below `top`, uppermost first; none when `top` is not among them.
template <typename Visit>
void ForEachWindowBelow(plat::Hwnd top, Visit&& visit) {
    bool below = false;
    for (plat::Hwnd w : TopLevelWindows()) {
        if (below && !VisitGoesOn(visit, w)) return;
        below = below || w == top;
    }
}

// Every top-level window except `skip`, uppermost first.
template <typename Visit>
void ForEachTopLevelWindow(plat::Hwnd skip, Visit&& visit) {
    for (plat::Hwnd w : TopLevelWindows())
        if (w != skip && !VisitGoesOn(visit, w)) return;
}
