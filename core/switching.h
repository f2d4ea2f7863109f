// Moving every managed window by whole desktops.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/types.h"

// Handed to the move thread for a window that did not answer the probe; the move thread frees it.
struct MoveRequest {
    plat::Hwnd window;
    std::int32_t x;
    std::int32_t y;
};
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(MoveRequest, window) == 0 && offsetof(MoveRequest, x) == 4 &&
                  offsetof(MoveRequest, y) == 8 && sizeof(MoveRequest) == 12,
              "MoveRequest layout");
#endif

constexpr std::uint32_t MsgMoveWindow = plat::WM_USER;

// Requests are allocated with new; whoever ends up owning one frees it with this.
void FreeMoveRequest(MoveRequest* request);

// Thread id of the move thread; 0 until it exists. Relaxed: the id is the only data, and
// a request travels in the posted message itself.
extern std::atomic<std::uint32_t> moveThreadId;

// A window below the pager as one switch found it.
struct SwitchCandidate {
    plat::Hwnd window;
    plat::Rect rect;
    bool managed;   // shown, not minimized, neither kept in place nor minimized on switch
    bool answered;  // answered the probe in time
    bool pending;   // the move thread still holds a move of it: rect is where that puts it
};

struct PlannedMove {
    plat::Hwnd window;
    int x, y;            // target top-left corner
    int fromX, fromY;    // the top-left corner the target was computed from
    bool viaMoveThread;  // did not answer, or a move is still pending: moved after it
};

// The moves of a switch by (ox, oy) pixels, in the candidates' order. No system calls.
// carried: the windows the switch takes along, left where they are on the screen; one whose
// earlier move is still pending is moved as usual, since that move lands after the switch.
std::vector<PlannedMove> PlanMoves(const std::vector<SwitchCandidate>& candidates,
                                   std::int64_t ox, std::int64_t oy,
                                   const std::vector<plat::Hwnd>& carried = {});
// The candidates that go along with `carried`: those of its owner family (its dialogs and
// tool windows, or the window owning it), so that none is left behind on the old desktop.
std::vector<plat::Hwnd> CarriedFamily(const std::vector<SwitchCandidate>& candidates,
                                      plat::Hwnd carried);

// Moves the windows below the pager as `plan` decides from what a switch would find (their
// rectangles and answers), through the switch's probe and batch; hung ones go to the move
// thread. Sets `switching` around the batch.
void MoveManagedWindows(
    const std::function<std::vector<PlannedMove>(const std::vector<SwitchCandidate>&)>& plan);
// Asks the thread of each managed candidate whether it answers, all at once, and waits for the
// answers together until ProbeTimeoutMs after `start` (a counter reading); sets `answered`.
// One window of a thread answers for all of them.
void ProbeCandidates(std::vector<SwitchCandidate>& candidates, std::int64_t start);
// Carries out a plan: one batch from the bottom of the Z-order up (plans list the windows from
// the top), and the moves viaMoveThread handed to the move thread after it.
void PushMoves(const std::vector<PlannedMove>& moves);
// Hands the move of a window that did not answer (or has a move pending) to the move thread,
// which moves it whenever it answers, after what it already holds for it.
void HandToMoveThread(const PlannedMove& m);

// How long a switch waits in all for the answers of the threads it asked, counted from its start.
constexpr std::uint32_t ProbeTimeoutMs = 40;

// Once the windows are home for the end of the run, every switch and every move of a window by
// Parmena is refused, also a switch already under way (a sent message may bring the windows
// home in the middle of its probe). A cancelled logoff lifts it.
void StopWindowMoves(bool stop);
bool WindowMovesStopped();

// The longest step of one switch, in desktops along each axis.
constexpr int MaxSwitchStep = 10;
// Whether one switch may take a step of dx columns and dy rows.
constexpr bool StepWithinLimit(std::int64_t dx, std::int64_t dy) {
    return dx >= -MaxSwitchStep && dx <= MaxSwitchStep && dy >= -MaxSwitchStep && dy <= MaxSwitchStep;
}

// Moves every managed window but `carried` (and its owner family) by dx screen widths and dy
// screen heights: the windows' step, the opposite of the view's (MoveViewBy). Leaves the
// current desktop alone.
bool ShiftWindows(int dx, int dy, plat::Hwnd carried = nullptr);
// Lengthens a step once the windows have been read and asked, just before they move, so that
// keys pressed meanwhile go in the same batch; it keeps the step within MaxSwitchStep.
using StepGrowth = std::function<void(int* dx, int* dy)>;
// ShiftWindows, where `grow` (when set) may change the step in time; *dx, *dy tell the step made.
bool ShiftWindowsGrowing(int* dx, int* dy, const StepGrowth& grow, plat::Hwnd carried = nullptr);
// The window a carry takes along: the foreground window when it is one a switch could move and
// it is on the screen; null otherwise (the switch is then a plain one).
plat::Hwnd CarriableWindow();
// Gives the foreground to the uppermost qualifying window on the current screen.
// skipKept: also pass over windows kept in place.
void ActivateTopWindowOnScreen(bool skipKept);
// Shows the desktop columnsRight columns right of and rowsDown rows below the current one
// (negative: left, up); the windows move the other way, but for `carried`, which comes along.
// The current desktop follows only when the switch happened, which the result tells.
bool MoveViewBy(int columnsRight, int rowsDown, plat::Hwnd carried = nullptr);
// MoveViewBy, where `grow` may lengthen the view's step in time (ShiftWindowsGrowing).
bool MoveViewByGrowing(int columnsRight, int rowsDown, const StepGrowth& grow,
                       plat::Hwnd carried = nullptr);
