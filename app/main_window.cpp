// The pager window procedure: one operation per message.
#include <algorithm>
#include <atomic>
#include <memory>
#include <new>

#include "app/app.h"
#include "config/settings.h"
#include "core/compress.h"
#include "core/desktop.h"
#include "core/poll.h"
#include "core/session.h"
#include "core/switching.h"
#include "launcher/command_window.h"
#include "launcher/help.h"
#include "pager/pager.h"
#include "platform/display.h"
#include "platform/gdi.h"
#include "platform/kernel.h"
#include "platform/text.h"
#include "platform/window.h"

namespace {

// Set only while the finished run destroys its pager, so that the destruction neither
// restores the windows a second time nor posts a quit into the next run.
bool discardingPager;

int MouseX(plat::LParam lp) {
    return static_cast<std::int16_t>(plat::LOWORD(static_cast<std::uintptr_t>(lp)));
}
// The high word as a signed 16-bit value: dividing the whole lParam by 65536 would put
// every negative y one pixel off whenever x is not 0.
int MouseY(plat::LParam lp) {
    return static_cast<std::int16_t>(plat::HIWORD(static_cast<std::uintptr_t>(lp)));
}
int ShiftFlag(plat::WParam wp) { return static_cast<int>(wp & plat::MK_SHIFT); }

void StartupHandshake() {
    plat::Handle done = plat::CreateEvent(nullptr, 0, 0, nullptr);
    while (!plat::PostThreadMessage(dialogThreadId, MsgShowStartupAbout, 0,
                                     reinterpret_cast<plat::LParam>(done)))
        plat::Sleep(0);
    plat::WaitForSingleObject(done, plat::INFINITE);
    if (done) plat::CloseHandle(done);
}

void DesktopHotkey(plat::Hwnd w, plat::WParam id) {
    switch (id) {
        case HotkeyUp:
        case HotkeyDown:
        case HotkeyLeft:
        case HotkeyRight:
        case HotkeyCarryUp:
        case HotkeyCarryDown:
        case HotkeyCarryLeft:
        case HotkeyCarryRight:
            SwitchByHotkeys(static_cast<int>(id));
            break;
        case HotkeyShell:
            plat::PostMessage(CommandWindow, plat::WM_HOTKEY, 0, 0);
            break;
        default:
            break;
    }
    if (PagerExpanded()) plat::InvalidateRect(w, nullptr, 0);
}

void TrayClick(plat::Hwnd w, plat::LParam mouseMessage) {
    if (mouseMessage != plat::WM_LBUTTONDOWN && mouseMessage != plat::WM_RBUTTONDOWN) return;
    plat::Point at{0, 0};
    plat::GetCursorPos(&at);
    plat::Hwnd previous = plat::GetForegroundWindow();
    plat::SetForegroundWindow(w);
    ShowPagerMenu(at.x, at.y);
    plat::SetForegroundWindow(previous);
}

void MenuCommand(plat::Hwnd w, plat::WParam wp) {
    switch (plat::LOWORD(wp)) {
        case CmdAbout:
            plat::PostThreadMessage(dialogThreadId, MsgShowAbout, 0, 0);
            break;
        case CmdSettings:
            plat::PostThreadMessage(dialogThreadId, MsgShowSettings, plat::HIWORD(wp), 0);
            break;
        case CmdClose:
            RequestClose();
            break;
        case CmdCompress:
            CompressDesktop(false);
            plat::InvalidateRect(w, nullptr, 0);
            break;
        case CmdResetPositions:
            ApplyRememberedPositions();
            break;
        case CmdHelp:
            ShowHelp(w, plat::HELP_CONTENTS, 0);
            break;
        default:
            break;
    }
}

void MoveCursorLater(plat::WParam x, plat::LParam y) {
    plat::Sleep(50);
    plat::SetCursorPos(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y));
}

// The dialog library's list box lives in this process. A window of another process, or
// something that is no list box at all, would replace the remembered windows from outside,
// and the next save would store them.
bool IsOwnListBox(plat::Hwnd w) {
    if (!w || !plat::IsWindow(w)) return false;
    std::uint32_t process = 0;
    if (!plat::GetWindowThreadProcessId(w, &process) || process != plat::GetCurrentProcessId())
        return false;
    char cls[16] = "";
    const int n = plat::GetClassName(w, cls, sizeof cls);
    static const char ListBoxClass[] = "listbox";
    if (n != static_cast<int>(sizeof ListBoxClass - 1)) return false;
    return SameFoldedAscii(cls, ListBoxClass, sizeof ListBoxClass - 1);
}

// Reads an item's text into scratch (MaxPositionNameLength + 1 bytes). Longer names could
// be saved but never loaded again: they are cut, before a character.
bool ReadListText(plat::Hwnd listBox, plat::WParam index, char* scratch) {
    return plat::GetListBoxText(listBox, static_cast<int>(index), scratch,
                                 static_cast<int>(MaxPositionNameLength) + 1) >= 0;
}

// Appends the list box items whose KeepInPlace bit equals `kept`, in list box order.
WindowPositionEntry** AppendPositions(plat::Hwnd listBox, plat::LResult count, bool kept,
                                      char* scratch, WindowPositionEntry** tail) {
    for (plat::LResult i = 0; i < count; ++i) {
        auto index = static_cast<plat::WParam>(i);
        auto position =
            static_cast<std::uint32_t>(plat::SendMessage(listBox, plat::LB_GETITEMDATA, index, 0));
        if (((position & KeepInPlace) != 0) != kept) continue;
        if (!ReadListText(listBox, index, scratch)) continue;
        WindowPositionEntry* entry = NewPositionEntry(scratch, position);
        if (!entry) continue;
        *tail = entry;
        tail = &entry->next;
    }
    return tail;
}

}  // namespace

// The hotkeys queued behind this one go in the same switch: the windows end where the
// switches one by one would have put them, without the batches in between.
void SwitchByHotkeys(int id) {
    HotkeyRun run = StartHotkeyRun(id, desktop.currentColumn, desktop.currentRow, desktop.columns,
                                   desktop.rows);
    TakeQueuedHotkeys(run);
    if (run.column == run.fromColumn && run.row == run.fromRow) return;
    const plat::Hwnd carried = run.kind == HotkeyKind::Carry ? CarriableWindow() : nullptr;
    // Keys that come while the windows are read and asked still go in this switch.
    MoveViewByGrowing(
        run.column - run.fromColumn, run.row - run.fromRow,
        [&run](int* right, int* down) {
            TakeQueuedHotkeys(run);
            *right = run.column - run.fromColumn;
            *down = run.row - run.fromRow;
        },
        carried);
}

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

namespace {
constexpr std::uint32_t GridFoldWaitMs = 2000;
}

void ApplyGrid(int columns, int rows) {
    if (!IsGridSize(columns) || !IsGridSize(rows)) return;
    if (columns == desktop.columns && rows == desktop.rows) return;
    // After the end of the run the grid is only stored, for the next start.
    if (WindowMovesStopped()) return;
    desktop.columns = columns;
    desktop.rows = rows;
    const int left = std::max(0, desktop.currentColumn - (columns - 1));
    const int up = std::max(0, desktop.currentRow - (rows - 1));
    if (left || up) MoveViewBy(-left, -up);
    // No switch reaches a window on a desktop the grid lost. The dialog thread's compress of
    // the same apply may be running: waited for, not dropped.
    FoldWindowsIntoGrid(GridFoldWaitMs);
    plat::InvalidateRect(PagerWindow(), nullptr, 1);
}

void PollTick() {
    RetryTrayIcon();
    if (desktop.switching.load(std::memory_order_relaxed)) return;
    RefreshSessionRecordWhenSettled();
    if (PagerExpanded() && !pager.pagerDrag.active) CheckPagerLeave();
    if (!PagerExpanded() && settings.switchAtBorders && EdgeSwitch()) return;
    if (settings.followActive) FollowActive();
    if (!settings.collapsePager || PagerExpanded()) {
        plat::Hdc dc = plat::GetDC(PagerWindow());
        if (dc) {
            PaintPager(dc, true);
            plat::ReleaseDC(PagerWindow(), dc);
        }
    }
}

bool windowsHome;

namespace {

// Long enough for the dialog thread's compress to end, short enough that a stuck one cannot
// keep the program from ending.
constexpr std::uint32_t ExitCompressWaitMs = 10000;

// The move thread has ended by now, so a hung window gets its step as an asynchronous move.
void BackToFirstDesktop() {
    // One switch moves at most 10 desktops; farther away, the way home takes several.
    while (desktop.currentColumn > 0 || desktop.currentRow > 0) {
        const int dc = desktop.currentColumn > 10 ? 10 : desktop.currentColumn;
        const int dr = desktop.currentRow > 10 ? 10 : desktop.currentRow;
        if (!ShiftWindows(dc, dr)) break;
        SetCurrentDesktop(desktop.currentColumn - dc, desktop.currentRow - dr);
    }
    FoldWindowsAbovePager(ExitCompressWaitMs);
    // The next run could not reach them either.
    FoldWindowsIntoGrid(ExitCompressWaitMs);
}

// Windows whose late moves the move thread still held were skipped or handed on by the
// restore; each gets one asynchronous move to where its held move would have put it, brought
// home the same way. Posted last, it is the one the window carries out last.
void SendHeldWindowsHome(const std::vector<PendingMove>& held, bool fold, std::int64_t dx,
                         std::int64_t dy) {
    for (const PendingMove& m : held) {
        plat::Rect r{};
        if (!plat::GetWindowRect(m.window, &r)) continue;
        const plat::Rect at{m.x, m.y, OffsetCoordinate(m.x, static_cast<std::int64_t>(r.right) - r.left),
                            OffsetCoordinate(m.y, static_cast<std::int64_t>(r.bottom) - r.top)};
        int x = OffsetCoordinate(at.left, dx), y = OffsetCoordinate(at.top, dy);
        if (fold) {
            const FoldResult f = FoldOntoScreen(at);
            x = f.rect.left;
            y = f.rect.top;
        }
        plat::SetWindowPos(m.window, nullptr, x, y, 0, 0, BatchMoveFlags | plat::SWP_ASYNCWINDOWPOS);
    }
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
        CompressDesktop(false, ExitCompressWaitMs);
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
        CompressDesktop(false, ExitCompressWaitMs);
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

void ReplacePositionList(plat::Hwnd listBox) {
    // Anything but the dialog's list: the remembered windows stay.
    if (!IsOwnListBox(listBox)) return;
    std::unique_ptr<char[]> scratch(new (std::nothrow) char[MaxPositionNameLength + 1]);
    if (!scratch) return;
    FreePositionList();
    plat::LResult count = plat::SendMessage(listBox, plat::LB_GETCOUNT, 0, 0);
    if (count < 0) count = 0;  // LB_ERR
    if (count > MaxPositionEntries) count = MaxPositionEntries;
    WindowPositionEntry** tail = &settings.positionList.next;
    tail = AppendPositions(listBox, count, false, scratch.get(), tail);
    AppendPositions(listBox, count, true, scratch.get(), tail);
}

void DiscardPagerWindow() {
    if (PagerWindow() && plat::IsWindow(PagerWindow())) {
        discardingPager = true;
        plat::DestroyWindow(PagerWindow());
        discardingPager = false;
    }
    settings.pagerWindow = nullptr;
}

plat::LResult PLAT_CALLBACK MainWindowProc(plat::Hwnd w, std::uint32_t msg, plat::WParam wp,
                                           plat::LParam lp) {
    switch (msg) {
        case plat::WM_CREATE:
            StartupHandshake();
            return plat::DefWindowProc(w, msg, wp, lp);
        case plat::WM_DESTROY:
            if (discardingPager) return 0;
            // Restored here rather than in WM_NCDESTROY: by then the dying pager is out of
            // the stacking order, and every walk below it would find no window at all.
            RestoreOnExit();
            plat::PostQuitMessage(0);
            return 0;
        case plat::WM_CLOSE:
            // Mid-switch (a probe serves sent messages) the fold would race the batch that is
            // being built; the close comes back once the switch is over.
            if (desktop.switching.load(std::memory_order_relaxed)) {
                plat::PostMessage(w, plat::WM_CLOSE, 0, 0);
                return 0;
            }
            return plat::DefWindowProc(w, msg, wp, lp);
        case plat::WM_QUERYENDSESSION:
            // Before the programs save their positions, wherever the session is going.
            LogoffFold();
            return 1;
        case plat::WM_ENDSESSION:
            if (wp)
                LogoffFold();
            else  // the run goes on with every window on this desktop
                ResumeAfterCancelledLogoff();
            return 0;
        case plat::WM_SIZE:
            if (PagerExpanded()) RememberPagerSize();
            return 0;
        case plat::WM_PAINT: {
            plat::PaintStruct ps{};
            plat::Hdc dc = plat::BeginPaint(w, &ps);
            PaintPager(dc, false);
            plat::EndPaint(w, &ps);
            return 0;
        }
        case plat::WM_ERASEBKGND:
            return 0;
        case plat::WM_GETMINMAXINFO:
            if (auto* info = reinterpret_cast<plat::MinMaxInfo*>(lp)) {
                const int side = ScaleToDpi(CollapsedSize, PagerDpi());
                info->ptMinTrackSize.x = side;
                info->ptMinTrackSize.y = side;
            }
            return 0;
        case plat::WM_QUERYDRAGICON:
            return reinterpret_cast<plat::LResult>(
                plat::LoadIcon(instance, plat::MakeIntResource(IconProgram)));
        case plat::WM_HELP:
            plat::PostMessage(w, plat::WM_COMMAND, CmdHelp, 0);
            return 0;
        case plat::WM_DISPLAYCHANGE:
            CheckDisplaySize();
            plat::InvalidateRect(w, nullptr, 0);
            return 0;
        case plat::WM_DPICHANGED:
            PagerDpiChanged(reinterpret_cast<const plat::Rect*>(lp));
            return 0;
        case plat::WM_NCMOUSEMOVE:
            ExpandPager(false);
            return 0;
        case plat::WM_COMMAND:
            MenuCommand(w, wp);
            return 0;
        case plat::WM_SYSCOMMAND:
            if (wp != plat::SC_CLOSE) return plat::DefWindowProc(w, msg, wp, lp);
            RequestClose();
            return 0;
        case plat::WM_TIMER:
            if (TakeDeferredDisplayChange()) CheckDisplaySize();
            PollTick();
            return 0;
        case plat::WM_MOUSEMOVE:
            TrackPagerMouse(MouseX(lp), MouseY(lp));
            return 0;
        case plat::WM_LBUTTONDOWN:
            DispatchPagerButton(0 + ShiftFlag(wp), MouseX(lp), MouseY(lp));
            return 0;
        case plat::WM_LBUTTONUP:
            PagerLeftButtonUp();
            return 0;
        case plat::WM_LBUTTONDBLCLK:
            DispatchPagerButton(1 + ShiftFlag(wp), MouseX(lp), MouseY(lp));
            return 0;
        case plat::WM_RBUTTONDOWN:
            DispatchPagerButton(2 + ShiftFlag(wp), MouseX(lp), MouseY(lp));
            return 0;
        case plat::WM_RBUTTONUP:
            PagerRightButtonUp();
            return 0;
        case plat::WM_RBUTTONDBLCLK:
            DispatchPagerButton(3 + ShiftFlag(wp), MouseX(lp), MouseY(lp));
            return 0;
        case plat::WM_HOTKEY:
            DesktopHotkey(w, wp);
            return 0;
        case MsgWindowCell:
            return static_cast<plat::LResult>(DesktopCellOfWindow(reinterpret_cast<plat::Hwnd>(wp)));
        case MsgPositionList:
            ReplacePositionList(reinterpret_cast<plat::Hwnd>(lp));
            return 0;
        case MsgTrayIcon:
            TrayClick(w, lp);
            return 0;
        case MsgShellHotkey:
            if (wp == 0 || wp == 2) UnregisterShellHotkey();
            if (wp == 1 || wp == 2) RegisterShellHotkey();
            return 0;
        case MsgDesktopHotkeys:
            if (wp == 0 || wp == 2) UnregisterDesktopHotkeys();
            if (wp == 1 || wp == 2) RegisterDesktopHotkeys();
            return 0;
        case MsgMoveCursor:
            MoveCursorLater(wp, lp);
            return 0;
        case MsgHookSwitch:
            HookSwitch(static_cast<int>(static_cast<plat::LParam>(wp)), static_cast<int>(lp));
            return 0;
        case MsgHookMoveWindow:
            HookMoveWindow(reinterpret_cast<plat::Hwnd>(wp), MouseX(lp), MouseY(lp));
            return 0;
        case MsgSettingsCopy:
            FillSettingsEdit(*reinterpret_cast<SettingsEdit*>(lp));
            return 1;
        case MsgSettingsApplied:
            ApplySettingsEdit(*reinterpret_cast<const SettingsEdit*>(lp));
            return 0;
        case MsgHookMenu:
            HookMenu(w, static_cast<int>(static_cast<plat::LParam>(wp)), static_cast<int>(lp));
            return 0;
        default:
            if (msg == TaskbarCreatedMessage && msg != 0) {
                TaskbarCreated();
                return 0;
            }
            return plat::DefWindowProc(w, msg, wp, lp);
    }
}
