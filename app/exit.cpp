// Ending the run: the windows brought home exactly once, however the run ends (close, logoff,
// crash), and brought out again when a logoff is cancelled.
#include <atomic>
#include <cstdint>
#include <vector>

#include "app/app.h"
#include "config/settings.h"
#include "core/compress.h"
#include "core/desktop.h"
#include "core/home.h"
#include "core/movebatch.h"
#include "core/session.h"
#include "core/switching.h"
#include "pager/pager.h"
#include "platform/kernel.h"
#include "platform/window.h"

void RequestClose() {
    if (settingsDialogOpen.load(std::memory_order_relaxed)) {
        plat::MessageBox(PagerWindow(), "You must close the settings dialog first.", "Can't close",
                          plat::MB_ICONERROR);
        return;
    }
    if (aboutDialogOpen.load(std::memory_order_relaxed)) {
        plat::MessageBox(PagerWindow(), "You must close the about dialog first.", "Can't close",
                          plat::MB_ICONERROR);
        return;
    }
    RestoreOnExit();
    plat::PostQuitMessage(0);
}

bool windowsHome;

namespace {

// The move thread has ended by now, so a hung window gets its step as an asynchronous move.
void BackToFirstDesktop() {
    for (const DesktopStep& s : PlanWayHome(desktop.currentColumn, desktop.currentRow)) {
        if (!ShiftWindows(s.columns, s.rows)) break;
        SetCurrentDesktop(desktop.currentColumn - s.columns, desktop.currentRow - s.rows);
    }
    FoldWindowsAbovePager();
    // The next run could not reach them either.
    FoldWindowsIntoGrid();
}

// Windows whose late moves the move thread still held were skipped or handed on by the
// restore; each gets one asynchronous move, posted last so that the window carries it out last.
void SendHeldWindowsHome(const std::vector<PendingMove>& held, bool fold, std::int64_t dx,
                         std::int64_t dy) {
    std::vector<HeldWindow> windows;
    for (const PendingMove& m : held) {
        plat::Rect r{};
        if (plat::GetWindowRect(m.window, &r)) windows.push_back(HeldWindow{m, r});
    }
    for (const PendingMove& m : PlanHeldWindowsHome(windows, fold, dx, dy))
        MoveWindowAsync(m.window, m.x, m.y);
}

bool restoring;

// The restore shared by every exit; fold says whether to fold or to go back to desktop (0,0).
void BringWindowsHome(bool fold) {
    if (windowsHome || restoring) return;
    restoring = true;
    const std::vector<PendingMove> held = StopMoveThread();
    const std::int64_t dx = static_cast<std::int64_t>(desktop.currentColumn) * desktop.screenWidth;
    const std::int64_t dy = static_cast<std::int64_t>(desktop.currentRow) * desktop.screenHeight;
    if (fold)
        CompressDesktop(false);
    else
        BackToFirstDesktop();
    SendHeldWindowsHome(held, fold, dx, dy);
    windowsHome = true;
    // A switch still queued (a hotkey, the hook library's request) or under way must not take
    // the windows out again.
    StopWindowMoves(true);
    restoring = false;
    DisarmSessionRecord();
}

// How long the fold of a crash on another thread waits for the main thread's batch to end.
constexpr std::uint32_t CrashBatchWaitMs = 1000;

}  // namespace

void RestoreOnExit() { BringWindowsHome(settings.rescaleOnExit != 0); }

void LogoffFold() {
    // Again at the end of the session: a batch the query interrupted may have moved windows
    // after the first fold.
    if (windowsHome && !restoring)
        CompressDesktop(false);
    else
        BringWindowsHome(true);
}

void ResumeAfterCancelledLogoff() {
    if (!windowsHome) return;
    windowsHome = false;
    // Without it, hung windows would be moved untracked, and could be given the foreground.
    RestartMoveThread();
    StopWindowMoves(false);
    ArmSessionRecord();
}

long PLAT_CALLBACK FoldOnCrash(void*) {
    static std::atomic_flag entered = ATOMIC_FLAG_INIT;
    // A second fault (in another thread, or in here) ends the process without a second fold.
    if (!entered.test_and_set() && !windowsHome) {
        windowsHome = true;
        StopWindowMoves(true);
        // A batch of the main thread still under way would land after the fold.
        if (plat::GetCurrentThreadId() != mainThreadId)
            for (std::uint32_t waited = 0;
                 desktop.switching.load(std::memory_order_relaxed) && waited < CrashBatchWaitMs; ++waited)
                plat::Sleep(1);
        EmergencyFold();
        DisarmSessionRecord();
    }
    return plat::EXCEPTION_EXECUTE_HANDLER;
}
