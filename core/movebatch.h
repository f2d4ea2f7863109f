// One deferred batch of window moves that survives windows vanishing while it is built,
// and the Z-order walk below the pager shared by switching and compressing.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/types.h"
#include "platform/window.h"

constexpr std::uint32_t BatchMoveFlags = plat::SWP_NOSIZE | plat::SWP_NOZORDER | plat::SWP_NOACTIVATE;

struct PendingMove {
    plat::Hwnd window;
    int x, y;
};

struct MoveBatch {
    plat::Hdwp handle;                  // null: moving each window at once with SetWindowPos
    std::vector<PendingMove> deferred;  // everything in the current batch, to rebuild it
};

// Opens a batch sized for `expected` windows; falls back to direct moves when that fails.
void BeginMoveBatch(MoveBatch& b, int expected);
// Moves the window's top-left corner to (x, y) when the batch ends (or now, without a batch).
void AddToMoveBatch(MoveBatch& b, plat::Hwnd w, int x, int y);
void EndMoveBatch(MoveBatch& b);

// The top-level window below `w` in the Z-order, read after `w` was handled. `prefetched` is
// what followed `w` before it was handled: the walk goes on from there if `w` was destroyed
// meanwhile, instead of ending at the stale handle.
plat::Hwnd NextWindowBelow(plat::Hwnd w, plat::Hwnd prefetched);

// A Z-order walk longer than this is going round in circles.
constexpr int MaxWalkSteps = 65536;

// Visits the top-level windows below `top` in Z-order, until the walk comes back to `top`
// or ends.
template <typename Visit>
void ForEachWindowBelow(plat::Hwnd top, Visit visit) {
    plat::Hwnd w = plat::GetWindow(top, plat::GW_HWNDNEXT);
    for (int steps = 0; w && w != top && steps < MaxWalkSteps; ++steps) {
        plat::Hwnd prefetched = plat::GetWindow(w, plat::GW_HWNDNEXT);
        visit(w);
        w = NextWindowBelow(w, prefetched);
    }
}

// Visits every top-level window from the top of the Z-order, except `skip`, with the same
// guards against windows vanishing mid-walk and against cycles.
template <typename Visit>
void ForEachTopLevelWindow(plat::Hwnd skip, Visit visit) {
    plat::Hwnd w = plat::GetTopWindow(nullptr);
    for (int steps = 0; w && steps < MaxWalkSteps; ++steps) {
        plat::Hwnd prefetched = plat::GetWindow(w, plat::GW_HWNDNEXT);
        if (w != skip) visit(w);
        w = NextWindowBelow(w, prefetched);
    }
}

// Saturating 32-bit position arithmetic for move targets.
int OffsetCoordinate(int position, std::int64_t offset);
