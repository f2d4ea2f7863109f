// Application globals, start-up and shutdown, the main window procedure and worker threads.
#pragma once
#include <cstdint>
#include <vector>

#include "config/hookblock.h"
#include "config/protocol.h"
#include "config/settings.h"
#include "core/movebatch.h"

#include "platform/entry.h"
#include "platform/types.h"

extern plat::Hinstance instance;
extern std::uint32_t dialogThreadId;
extern std::uint32_t mainThreadId;  // the thread that runs ParmenaMain
extern plat::Handle dialogThread;
extern plat::Handle moveThread;

// Pager window private messages; those the libraries send are in config/protocol.h.
constexpr std::uint32_t MsgWindowCell = plat::WM_USER;
constexpr std::uint32_t MsgTrayIcon = plat::WM_USER + 2;
// wParam a HotkeyChange, for the shell hotkey and for the desktop hotkeys.
constexpr std::uint32_t MsgShellHotkey = plat::WM_USER + 17;
constexpr std::uint32_t MsgDesktopHotkeys = plat::WM_USER + 18;
// Renew: both, when other keys were chosen.
enum HotkeyChange : plat::WParam { HotkeysOff = 0, HotkeysOn = 1, HotkeysRenew = 2 };
constexpr std::uint32_t MsgMoveCursor = plat::WM_USER + 42;
// From the dialog thread, lParam a SettingsEdit: MsgSettingsCopy (sent) fills it with what is
// in force and answers 1; MsgSettingsApplied (posted) applies what the dialog chose and
// signals its event.
constexpr std::uint32_t MsgSettingsCopy = plat::WM_USER + 46;
constexpr std::uint32_t MsgSettingsApplied = plat::WM_USER + 47;

// Dialog thread messages
constexpr std::uint32_t MsgShowSettings = plat::WM_USER;
constexpr std::uint32_t MsgShowStartupAbout = plat::WM_USER + 2;
constexpr std::uint32_t MsgShowAbout = plat::WM_USER + 3;

constexpr int IconProgram = 201, IconTray = 202;

extern const char PagerClassName[];  // "ParmClass"

// The process's exit code, so that a script starting the program can tell a failed start (a
// missing library, no screen, a window or timer that could not be made) from a run. A second
// start ends like a run: the program the user wanted is running.
// ParmenaMain (platform/entry.h) returns one of these.
enum ExitCode : int { ExitRan = 0, ExitAlreadyRunning = 0, ExitStartRefused = 1 };

// The settings load of a start, and what follows from it: the screen measured afresh, the
// grid from the settings, desktop (0, 0), nothing running, a collapsed pager. The pager's
// first (collapsed) position comes back through the out args.
void LoadSettingsAndState(int* initialX, int* initialY);

constexpr int PollTimerId = 472;
constexpr int PollTimerMs = 100;
void StartPollTimer();
// The poll timer's tick: pager leave, edge switching, follow-active, refresh.
void PollTick();
// Puts a new grid in force; a current desktop the grid no longer holds gives way to the nearest
// one left (windows on removed desktops come back with Compress Desktop or the fold at exit).
void ApplyGrid(int columns, int rows);
plat::LResult PLAT_CALLBACK MainWindowProc(plat::Hwnd w, std::uint32_t msg, plat::WParam wp,
                                           plat::LParam lp);
void RequestClose();
// Brings the windows home as the user chose ("Rescale On Exit"): exactly once per run, however
// the run ends. LogoffFold always folds, since the next session may start without Parmena.
void RestoreOnExit();
void LogoffFold();
void ResumeAfterCancelledLogoff();
// Set once the windows are home; cleared at start and when a logoff is cancelled.
extern bool windowsHome;
// The fold of the unhandled-exception filter.
long PLAT_CALLBACK FoldOnCrash(void* exceptionPointers);
void ReplacePositionList(plat::Hwnd listBox);
// Middle-button requests, carried out on the main thread.
void HookSwitch(int columnsRight, int rowsDown);
void HookMoveWindow(plat::Hwnd w, int columnsRight, int rowsDown);
void HookMenu(plat::Hwnd pagerWindow, int x, int y);
// Destroys the pager at the very end of a run, without restoring windows or posting a quit.
void DiscardPagerWindow();

// Hotkeys and tray icon
constexpr int HotkeyUp = 1, HotkeyDown = 2, HotkeyLeft = 3, HotkeyRight = 4, HotkeyShell = 5;
// The same steps with Shift added: the foreground window comes along.
constexpr int HotkeyCarryUp = 6, HotkeyCarryDown = 7, HotkeyCarryLeft = 8, HotkeyCarryRight = 9;
// One switch for the desktop hotkey `id` (a plain or a carry key) and the hotkeys of its kind
// queued behind it, each step clipped at the grid's edge; a carry key's switch takes the
// foreground window along (when it is one a switch may move).
void SwitchByHotkeys(int id);

// Held or quickly pressed desktop keys queue hotkeys faster than switches end. The hotkeys of one
// kind queued behind the one taken join it in one switch to where they lead, each step bounded
// by the grid's edge as it would have been alone.
enum class HotkeyKind { Other, Switch, Carry };
struct HotkeyRun {
    HotkeyKind kind;
    int fromColumn, fromRow;  // the current desktop when the run began
    int column, row;          // where its hotkeys lead
    int taken;                // hotkeys in it
};
// The run hotkey `id` begins on a columns x rows grid; kind Other for a hotkey that switches
// nothing.
HotkeyRun StartHotkeyRun(int id, int column, int row, int columns, int rows);
// Adds the next queued hotkey when it is of the run's kind and the run stays within one switch's
// reach; false leaves it queued.
bool JoinHotkeyRun(HotkeyRun& run, int id, int columns, int rows);
// Takes from the pager's queue, in order, the hotkeys that join the run; stops at the first that
// does not, and leaves it and everything behind it queued.
void TakeQueuedHotkeys(HotkeyRun& run);
constexpr std::uint32_t TrayIconId = 1742;
extern plat::NotifyIconData TrayIconData;
// With the keys "Navigation modifiers" chooses.
void RegisterDesktopHotkeys();
void UnregisterDesktopHotkeys();
void RegisterShellHotkey();
void UnregisterShellHotkey();
// Adding is tried again on the poll timer, a few times, while the taskbar refuses the icon.
void AddTrayIcon();
void RemoveTrayIcon();
// The registered message "TaskbarCreated": a (re)started taskbar holds no icons.
extern std::uint32_t TaskbarCreatedMessage;
void TaskbarCreated();
void RetryTrayIcon();  // each poll tick

// Worker threads
std::uint32_t PLAT_CALLBACK DialogThreadMain(void*);
std::uint32_t PLAT_CALLBACK MoveThreadMain(void*);
void PLAT_CALLBACK MoveDone(plat::Hwnd w, std::uint32_t msg, std::uintptr_t data,
                            plat::LResult result);
void RunSettingsDialog(std::uint32_t requested);

// The dialog's own copies of the record: the dialog thread edits nothing else, and the main
// thread applies them.
struct SettingsEdit {
    Settings shown;   // what was in force when the dialog was shown
    Settings chosen;  // what the dialog edits; its middle-button pointers address the two below
    MiddleButtonEntry defaultEntry;
    std::vector<MiddleButtonEntry> programs;
    plat::Handle applied;  // signalled once the main thread has applied `chosen`
};
// Main thread. The apply ends by signalling edit.applied.
void FillSettingsEdit(SettingsEdit& edit);
void ApplySettingsEdit(const SettingsEdit& edit);
// After the move thread has ended: the final target of each window whose late move it still
// held, and those requests freed.
std::vector<PendingMove> TakeUnfinishedMoves();
// Ends the move thread (bounded wait) before the windows are brought home, and returns
// TakeUnfinishedMoves(); empty when the thread would not end.
std::vector<PendingMove> StopMoveThread();
// After a cancelled logoff: the move thread the fold stopped runs again. Whether it does.
bool RestartMoveThread();
