// The dialog thread (about and settings dialogs) and the move thread (late moves of windows
// that were hung during a switch), and the settings dialog run with its application.
#include <algorithm>
#include <vector>

#include "app/app.h"
#include "config/hookblock.h"
#include "config/settings.h"
#include "config/shortcuts.h"
#include "core/compress.h"
#include "core/desktop.h"
#include "core/movebatch.h"
#include "core/pending.h"
#include "core/switching.h"
#include "pager/pager.h"
#include "platform/kernel.h"
#include "platform/libs.h"
#include "platform/window.h"

namespace {

// Requests handed to the move thread whose window has not answered yet. Touched only on the
// move thread: MoveDone runs there too.
std::vector<MoveRequest*> outstandingMoves;

// A window that stays hung through several switches is still where the first of them found
// it, so each later target was computed from that same rectangle. Its moves are applied in
// order, so a later one carries only its own step, taken from the target still pending.
void ChainToPendingMove(MoveRequest* request) {
    for (auto it = outstandingMoves.rbegin(); it != outstandingMoves.rend(); ++it) {
        const MoveRequest* pending = *it;
        if (pending->window != request->window) continue;
        plat::Rect now{};
        if (!plat::GetWindowRect(request->window, &now)) return;
        request->x = OffsetCoordinate(pending->x, static_cast<std::int64_t>(request->x) - now.left);
        request->y = OffsetCoordinate(pending->y, static_cast<std::int64_t>(request->y) - now.top);
        return;
    }
}

void ForgetMove(MoveRequest* request) {
    outstandingMoves.erase(std::remove(outstandingMoves.begin(), outstandingMoves.end(), request),
                           outstandingMoves.end());
    FreeMoveRequest(request);
}

void ShowAbout(plat::StartRoutine start, plat::Handle done) {
    aboutDialogOpen.store(true, std::memory_order_relaxed);
    plat::ShowAboutDlg(start);
    if (done) plat::SetEvent(done);
    aboutDialogOpen.store(false, std::memory_order_relaxed);
}

// The values an apply compares against.
struct SettingsSnapshot {
    std::int32_t disableMiddleButton;
    std::int32_t disableNavigation;
    std::int32_t switchHotkeys;
    std::int32_t disableShell;
    std::int32_t minimizeTolvo;
    std::int32_t shellHotkeyModif;
    std::int32_t shellHotkeyKey;
};

SettingsSnapshot TakeSnapshot() {
    return {settings.disableMiddleButton, settings.disableNavigation, settings.switchHotkeys,
            settings.disableShell,        settings.minimizeTolvo,     settings.shellHotkeyModif,
            settings.shellHotkeyKey};
}

void PostToPager(std::uint32_t msg, plat::WParam wp) {
    plat::PostMessage(PagerWindow(), msg, wp, 0);
}

// The grid chosen in the dialog takes effect at once, on the main thread: a switch from this
// thread could run beside one of the main thread's.
void PostGrid() {
    const std::int32_t columns = settings.xResolution, rows = settings.yResolution;
    // A cell index must fit one byte; anything else keeps the grid in force.
    if (columns < 1 || columns > 256 || rows < 1 || rows > 256) return;
    plat::PostMessage(PagerWindow(), MsgApplyGrid, static_cast<plat::WParam>(columns), rows);
}

void ApplySettings(const SettingsSnapshot& old) {
    const bool middleOff = settings.disableMiddleButton != 0;
    if (old.disableMiddleButton && !middleOff) InstallMouseHook();
    if (!old.disableMiddleButton && middleOff) RemoveMouseHook();

    const bool navOff = settings.disableNavigation != 0;
    if (old.disableNavigation && !navOff) {
        plat::ShowWindow(PagerWindow(), plat::SW_SHOW);
        RemoveTrayIcon();
        if (settings.switchHotkeys) PostToPager(MsgDesktopHotkeys, 1);
    } else if (!old.disableNavigation && navOff) {
        plat::ShowWindow(PagerWindow(), plat::SW_HIDE);
        AddTrayIcon();
        if (settings.switchHotkeys) PostToPager(MsgDesktopHotkeys, 0);
    } else if (!navOff) {
        if (old.switchHotkeys && !settings.switchHotkeys) PostToPager(MsgDesktopHotkeys, 0);
        if (!old.switchHotkeys && settings.switchHotkeys) PostToPager(MsgDesktopHotkeys, 1);
    }

    const bool shellOff = settings.disableShell != 0;
    if (old.disableShell && !shellOff)
        PostToPager(MsgShellHotkey, 1);
    else if (!old.disableShell && shellOff)
        PostToPager(MsgShellHotkey, 0);
    else if (!shellOff && (settings.shellHotkeyModif != old.shellHotkeyModif ||
                           settings.shellHotkeyKey != old.shellHotkeyKey))
        PostToPager(MsgShellHotkey, 2);

    if (old.minimizeTolvo && !settings.minimizeTolvo) RestorePagerPosition();
    if (!old.minimizeTolvo && settings.minimizeTolvo) SetPagerExpanded(true);
    PostGrid();

    SaveSettings();
    // Forced rather than by zeroing the width: the main thread may be switching meanwhile.
    CheckDisplaySize(true);
    plat::InvalidateRect(PagerWindow(), nullptr, 1);
    plat::UpdateWindow(PagerWindow());
    CompressDesktop(true);
}

}  // namespace

std::uint32_t PLAT_CALLBACK DialogThreadMain(void*) {
    plat::Msg m;
    while (plat::GetMessage(&m, nullptr, 0, 0) > 0) {
        switch (m.message) {
            case MsgShowSettings:
                RunSettingsDialog(static_cast<std::uint32_t>(m.wParam));
                break;
            case MsgShowStartupAbout:
                ShowAbout(StartPollTimer, reinterpret_cast<plat::Handle>(m.lParam));
                break;
            case MsgShowAbout:
                ShowAbout(nullptr, nullptr);
                break;
            default:
                break;
        }
    }
    return 0;
}

std::uint32_t PLAT_CALLBACK MoveThreadMain(void*) {
    // What an earlier run left pending died with its move thread.
    ResetPendingMoves();
    plat::Msg m;
    while (plat::GetMessage(&m, nullptr, 0, 0) > 0) {
        if (m.message != MsgMoveWindow || m.lParam == 0) continue;
        auto* request = reinterpret_cast<MoveRequest*>(m.lParam);
        ChainToPendingMove(request);
        outstandingMoves.push_back(request);
        // WM_QUERYDRAGICON only probes; the move happens in MoveDone once the window answers.
        if (!plat::SendMessageCallback(request->window, plat::WM_QUERYDRAGICON, 0, 0, MoveDone,
                                        reinterpret_cast<std::uintptr_t>(request))) {
            EndPendingMove(request->window, false);
            ForgetMove(request);
        }
    }
    // Windows that never answered keep their requests: the exit moves them (TakeUnfinishedMoves).
    return 0;
}

std::vector<PendingMove> TakeUnfinishedMoves() {
    std::vector<PendingMove> moves;
    // Requests are chained in order, so the last one of a window holds its final target.
    for (auto it = outstandingMoves.rbegin(); it != outstandingMoves.rend(); ++it) {
        const MoveRequest* r = *it;
        const bool seen = std::any_of(moves.begin(), moves.end(),
                                      [&](const PendingMove& m) { return m.window == r->window; });
        if (!seen) moves.push_back({r->window, r->x, r->y});
    }
    for (MoveRequest* request : outstandingMoves) FreeMoveRequest(request);
    std::vector<MoveRequest*>().swap(outstandingMoves);
    return moves;
}

void PLAT_CALLBACK MoveDone(plat::Hwnd, std::uint32_t, std::uintptr_t data, plat::LResult) {
    auto* request = reinterpret_cast<MoveRequest*>(data);
    if (!request) return;
    plat::SetWindowPos(request->window, nullptr, request->x, request->y, 0, 0,
                       plat::SWP_NOSIZE | plat::SWP_NOZORDER | plat::SWP_NOACTIVATE);
    EndPendingMove(request->window, true);
    ForgetMove(request);
}

void RunSettingsDialog(std::uint32_t requested) {
    SettingsSnapshot snapshot = TakeSnapshot();
    const int page = static_cast<int>(requested) - 1;

    if (plat::WaitForSingleObject(hookMutex, 500) == plat::WAIT_TIMEOUT) return;
    // The program's own count, never the block's: any process can write that one.
    settings.programEntryCount = OwnedProgramEntryCount();
    settingsDialogOpen.store(true, std::memory_order_relaxed);

    for (;;) {
        std::uintptr_t moveFuncs = plat::GetMoveFuncs();
        std::uintptr_t clickFuncs = plat::GetClickFuncs();
        int result = plat::ShowPrefDlg(&settings, clickFuncs, moveFuncs, page, &shortcutStore);
        if (result == 0) break;
        ApplySettings(snapshot);
        // The next apply compares with what is now in force, so nothing is applied twice.
        snapshot = TakeSnapshot();
        if (result == 1) break;
    }

    settingsDialogOpen.store(false, std::memory_order_relaxed);
    plat::ReleaseMutex(hookMutex);
}
