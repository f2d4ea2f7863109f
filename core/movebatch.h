// One deferred batch of window moves that survives windows vanishing while it is built.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/desktop.h"
#include "platform/types.h"
#include "platform/window.h"

// Marks a batch of moves in progress for the poll tick and the close guard. Counted, because a
// batch asked for while another waits for a window's answer runs inside it: the inner one must
// not clear the mark of the outer.
struct SwitchingScope {
    SwitchingScope() { desktop.switching.fetch_add(1, std::memory_order_relaxed); }
    ~SwitchingScope() { desktop.switching.fetch_sub(1, std::memory_order_relaxed); }
    SwitchingScope(const SwitchingScope&) = delete;
    SwitchingScope& operator=(const SwitchingScope&) = delete;
};

// Batches move quietly (plat::QuietMoveFlags), also between two off-screen places: adding
// SWP_NOREDRAW | SWP_NOCOPYBITS there made no steady gain in the benchmark (paired ratios from
// 0.71 to 1.08 at 100 and 1000 windows), since such moves are already the cheap part of a switch,
// and a wrong guess of what is off-screen would leave stale pixels on it.

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
// Moves the window's top-left corner to (x, y) when the batch ends (or now, without a batch);
// a window marked unmovable is left out.
void AddToMoveBatch(MoveBatch& b, plat::Hwnd w, int x, int y);
void EndMoveBatch(MoveBatch& b);
// Asks w to move its top-left corner to (x, y) without waiting for its program, which may hang.
// False when the system refused.
bool MoveWindowAsync(plat::Hwnd w, int x, int y);
