#include "core/switching.h"

#include <cstdint>
#include <new>

#include "config/settings.h"
#include "core/desktop.h"
#include "core/movebatch.h"
#include "core/session.h"
#include "core/windows.h"
#include "pager/pager.h"
#include "platform/window.h"

volatile std::uint32_t moveThreadId = 0;

namespace {

constexpr std::uint32_t ProbeTimeoutMs = 40;

// The wide probe: the narrow one may follow up with an unbounded conversion send.
bool Responds(plat::Hwnd w) {
    std::uintptr_t answer = 0;
    return plat::SendMessageTimeoutW(w, plat::WM_GETTEXTLENGTH, 0, 0, plat::SMTO_ABORTIFHUNG,
                                     ProbeTimeoutMs, &answer) != 0;
}

// A hung window is moved by the move thread whenever it answers again. Without the thread
// (it has ended for the exit, or cannot take the request) the move is posted to the window
// itself instead: never dropped, never waited for.
void HandToMoveThread(plat::Hwnd w, int x, int y) {
    MoveRequest* request = new (std::nothrow) MoveRequest{w, x, y};
    if (request && plat::PostThreadMessageA(moveThreadId, MsgMoveWindow, 0,
                                            reinterpret_cast<plat::LParam>(request)))
        return;
    FreeMoveRequest(request);
    plat::SetWindowPos(w, nullptr, x, y, 0, 0, BatchMoveFlags | plat::SWP_ASYNCWINDOWPOS);
}

bool Managed(plat::Hwnd w) {
    return plat::IsWindowVisible(w) && !plat::IsIconic(w) && !IsKeptInPlace(w) &&
           !IsMinimizedOnSwitch(w);
}

void MoveManagedWindows(std::int64_t ox, std::int64_t oy) {
    MoveBatch batch{};
    BeginMoveBatch(batch, 8);
    ForEachWindowBelow(PagerWindow, [&](plat::Hwnd w) {
        plat::Rect r{};
        if (!Managed(w) || !plat::GetWindowRect(w, &r)) return;
        const int x = OffsetCoordinate(r.left, ox);
        const int y = OffsetCoordinate(r.top, oy);
        if (Responds(w))
            AddToMoveBatch(batch, w, x, y);
        else
            HandToMoveThread(w, x, y);
    });
    EndMoveBatch(batch);
}

void MinimizeMarkedApplications() {
    ForEachWindowBelow(PagerWindow, [](plat::Hwnd w) {
        if (!plat::IsWindowVisible(w) || plat::IsIconic(w) || IsKeptInPlace(w) ||
            plat::GetParent(w) || !IsMinimizedOnSwitch(w))
            return;
        // Showing and minimizing wait for the window's program; a hung one keeps its place.
        if (!Responds(w)) return;
        plat::ShowWindow(w, plat::SW_HIDE);
        plat::CloseWindow(w);
        plat::ShowWindow(w, plat::SW_SHOW);
    });
}

}  // namespace

void FreeMoveRequest(MoveRequest* request) { delete request; }

bool ShiftWindows(int dx, int dy) {
    if (dx < -10 || dx > 10 || dy < -10 || dy > 10) return false;
    const std::int64_t ox = static_cast<std::int64_t>(dx) * desktop.screenWidth;
    const std::int64_t oy = static_cast<std::int64_t>(dy) * desktop.screenHeight;

    desktop.switching = 1;
    MoveManagedWindows(ox, oy);
    desktop.switching = 0;

    MinimizeMarkedApplications();
    if (settings.enableTopmost && !desktop.edgeSwitching) ActivateTopWindowOnScreen(true);
    return true;
}

void ActivateTopWindowOnScreen(bool skipKept) {
    plat::Hwnd first = plat::GetTopWindow(nullptr);
    plat::Hwnd w = first;
    for (int steps = 0; w && steps < MaxWalkSteps; ++steps) {
        if (w != PagerWindow && !plat::IsIconic(w) && plat::IsWindowVisible(w) &&
            IsOnCurrentScreen(w) && !(skipKept && IsKeptInPlace(w))) {
            if (w != first) plat::SetForegroundWindow(w);
            return;
        }
        w = plat::GetWindow(w, plat::GW_HWNDNEXT);
        if (w == first) return;
    }
}

bool SwitchBy(int dx, int dy) {
    if (!ShiftWindows(dx, dy)) return false;
    SetCurrentDesktop(desktop.currentColumn - dx, desktop.currentRow - dy);
    return true;
}
