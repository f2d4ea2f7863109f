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

// A list of top-level windows longer than this is not believed.
constexpr int MaxWalkSteps = 65536;

// Every top-level window, from the top of the Z-order, read in one go. Stepping through the
// Z-order with GetWindow skips or repeats every window whose place changes during the walk
// (another program activating a window is enough), and a switch built on that loses windows.
std::vector<plat::Hwnd> TopLevelWindows();

// Visits the top-level windows below `top` in Z-order; none when `top` is not among them.
template <typename Visit>
void ForEachWindowBelow(plat::Hwnd top, Visit visit) {
    const std::vector<plat::Hwnd> all = TopLevelWindows();
    bool below = false;
    for (plat::Hwnd w : all) {
        if (below) visit(w);
        below = below || w == top;
    }
}

// Visits every top-level window from the top of the Z-order, except `skip`.
template <typename Visit>
void ForEachTopLevelWindow(plat::Hwnd skip, Visit visit) {
    for (plat::Hwnd w : TopLevelWindows())
        if (w != skip) visit(w);
}

// Saturating 32-bit position arithmetic for move targets.
int OffsetCoordinate(int position, std::int64_t offset);
