#include "core/switching.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "config/settings.h"
#include "core/desktop.h"
#include "core/movebatch.h"
#include "core/pending.h"
#include "core/session.h"
#include "core/windows.h"
#include "core/zorder.h"
#include "pager/pager.h"
#include "platform/kernel.h"
#include "platform/window.h"

volatile std::uint32_t moveThreadId = 0;

namespace {

// The wide probe: the narrow one may follow up with an unbounded conversion send.
bool Responds(plat::Hwnd w) {
    std::uintptr_t answer = 0;
    return plat::SendMessageTimeoutW(w, plat::WM_GETTEXTLENGTH, 0, 0, plat::SMTO_ABORTIFHUNG,
                                     ProbeTimeoutMs, &answer) != 0;
}

// Each candidate is asked in turn, with a bounded wait. Asking them all at once and awaiting the
// answers together bounds the wait by one time-out, but under Wine it left responsive windows
// of a busy thread behind in a 100-window switch, for a cause not yet found; a switch must
// never lose a window, so the sequential probe stays until it is. Windows the system already
// reports hung are not asked at all.
void ProbeCandidates(std::vector<SwitchCandidate>& candidates) {
    for (SwitchCandidate& c : candidates) {
        if (!c.managed) continue;
        c.answered = !plat::IsHungAppWindow(c.window) && Responds(c.window);
    }
}

std::vector<SwitchCandidate> TakeSwitchSnapshot() {
    std::vector<SwitchCandidate> out;
    ForEachWindowBelow(PagerWindow, [&](plat::Hwnd w) {
        if (!plat::IsWindowVisible(w) || plat::IsIconic(w)) return;
        SwitchCandidate c{w, {0, 0, 0, 0}, false, false};
        c.managed = !IsKeptInPlace(w) && !IsMinimizedOnSwitch(w) && plat::GetWindowRect(w, &c.rect);
        out.push_back(c);
    });
    return out;
}

// A hung window is moved by the move thread whenever it answers again. Without the thread
// (it has ended for the exit, or cannot take the request) the move is posted to the window
// itself instead: never dropped, never waited for.
void HandToMoveThread(const PlannedMove& m) {
    MoveRequest* request = new (std::nothrow) MoveRequest{m.window, m.x, m.y};
    if (request) {
        NotePendingMove(m.window, m.x, m.y, m.fromX, m.fromY);
        if (plat::PostThreadMessageA(moveThreadId, MsgMoveWindow, 0,
                                     reinterpret_cast<plat::LParam>(request)))
            return;
        EndPendingMove(m.window, false);
    }
    FreeMoveRequest(request);
    plat::SetWindowPos(m.window, nullptr, m.x, m.y, 0, 0, BatchMoveFlags | plat::SWP_ASYNCWINDOWPOS);
}

void PushMoves(const std::vector<PlannedMove>& moves) {
    int inBatch = 0;
    for (const PlannedMove& m : moves)
        if (!m.viaMoveThread) ++inBatch;
    // Sized for what it will hold, so the system need not grow it window by window.
    MoveBatch batch{};
    BeginMoveBatch(batch, inBatch > 8 ? inBatch : 8);
    for (const PlannedMove& m : moves)
        if (!m.viaMoveThread) AddToMoveBatch(batch, m.window, m.x, m.y);
    EndMoveBatch(batch);
    for (const PlannedMove& m : moves)
        if (m.viaMoveThread) HandToMoveThread(m);
}

void MinimizeMarkedApplications() {
    if (!AnyPositionEntryHas(MinimizeOnSwitch)) return;
    ForEachWindowBelow(PagerWindow, [](plat::Hwnd w) {
        if (!plat::IsWindowVisible(w) || plat::IsIconic(w) || IsKeptInPlace(w) ||
            plat::GetParent(w) || !IsMinimizedOnSwitch(w))
            return;
        // Showing and minimizing wait for the window's program; a hung one keeps its place.
        if (plat::IsHungAppWindow(w) || !Responds(w)) return;
        plat::ShowWindow(w, plat::SW_HIDE);
        plat::CloseWindow(w);
        plat::ShowWindow(w, plat::SW_SHOW);
    });
}

}  // namespace

void FreeMoveRequest(MoveRequest* request) { delete request; }

std::vector<PlannedMove> PlanMoves(const std::vector<SwitchCandidate>& candidates,
                                   std::int64_t ox, std::int64_t oy) {
    std::vector<PlannedMove> out;
    for (const SwitchCandidate& c : candidates) {
        if (!c.managed) continue;
        out.push_back(PlannedMove{c.window, OffsetCoordinate(c.rect.left, ox),
                                  OffsetCoordinate(c.rect.top, oy), c.rect.left, c.rect.top,
                                  !c.answered});
    }
    return out;
}

bool ShiftWindows(int dx, int dy) {
    if (dx < -10 || dx > 10 || dy < -10 || dy > 10) return false;
    const std::int64_t ox = static_cast<std::int64_t>(dx) * desktop.screenWidth;
    const std::int64_t oy = static_cast<std::int64_t>(dy) * desktop.screenHeight;

    desktop.switching = 1;
    std::vector<SwitchCandidate> candidates = TakeSwitchSnapshot();
    ProbeCandidates(candidates);
    PushMoves(PlanMoves(candidates, ox, oy));
    desktop.switching = 0;

    MinimizeMarkedApplications();
    if (settings.enableTopmost && !desktop.edgeSwitching) ActivateTopWindowOnScreen(true);
    return true;
}

void ActivateTopWindowOnScreen(bool skipKept) {
    const plat::Hwnd first = plat::GetTopWindow(nullptr);
    ForEachTopLevelWindow(PagerWindow, [&](plat::Hwnd w) {
        // A window still waiting for its move is about to leave the screen.
        if (plat::IsIconic(w) || !plat::IsWindowVisible(w) || !IsOnCurrentScreen(w) ||
            (skipKept && IsKeptInPlace(w)) || IsMovePending(w))
            return true;
        if (w != first) plat::SetForegroundWindow(w);
        return false;
    });
}

bool MoveViewBy(int columnsRight, int rowsDown) {
    // A step that cannot be negated is refused like any other that is too long.
    if (columnsRight == INT32_MIN || rowsDown == INT32_MIN) return false;
    if (!ShiftWindows(-columnsRight, -rowsDown)) return false;
    SetCurrentDesktop(desktop.currentColumn + columnsRight, desktop.currentRow + rowsDown);
    return true;
}
