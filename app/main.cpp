// Entry point: start-up in a fixed order, the main message loop, and shutdown in reverse.
#include <cstdio>

#include "app/app.h"
#include "config/hookblock.h"
#include "config/settings.h"
#include "config/shortcuts.h"
#include "core/compress.h"
#include "core/desktop.h"
#include "core/poll.h"
#include "core/session.h"
#include "core/sticky.h"
#include "core/switching.h"
#include "core/unmovable.h"
#include "launcher/command_window.h"
#include "launcher/help.h"
#include "pager/pager.h"
#include "platform/gdi.h"
#include "platform/kernel.h"
#include "platform/libs.h"
#include "platform/registry.h"
#include "platform/window.h"

plat::Hinstance instance;
std::uint32_t dialogThreadId;
std::uint32_t mainThreadId;
plat::Handle dialogThread;
plat::Handle moveThread;

const char PagerClassName[] = "ParmClass";

namespace {

const char PagerTitle[] = "Parmena";

void StartFailed(const char* what) {
    char text[256];
    std::snprintf(text, sizeof text, "Parmena cannot start: %s.", what);
    plat::MessageBox(nullptr, text, "Parmena", plat::MB_ICONERROR);
}

// A thread that has not yet made its message queue refuses posts; a single failed post of
// the quit would leave the wait below blocked for ever.
void PostQuitToThread(plat::Handle thread, std::uint32_t threadId) {
    while (!plat::PostThreadMessage(threadId, plat::WM_QUIT, 0, 0)) {
        if (plat::WaitForSingleObject(thread, 0) != plat::WAIT_TIMEOUT) return;  // already ended
        plat::Sleep(1);
    }
}

// A settings dialog still open at the end gets this long to close after its quit, and a move
// thread caught in a window that hung again this long to come back.
constexpr std::uint32_t WorkerStopMs = 5000;

// Ends a worker thread and waits for it, serving the messages sent to this thread meanwhile:
// a settings dialog about to show asks this thread for its copy of the record.
// Returns false when the thread is still running after the bounded wait; whatever it may
// still touch must then be left alone.
bool StopThread(plat::Handle thread, std::uint32_t threadId) {
    if (!thread) return true;
    PostQuitToThread(thread, threadId);
    for (std::uint32_t waited = 0; waited < WorkerStopMs; waited += 10) {
        const std::uint32_t r = plat::MsgWaitForMultipleObjects(1, &thread, 0, 10, plat::QS_SENDMESSAGE);
        if (r == plat::WAIT_OBJECT_0 || r == plat::WAIT_ABANDONED) return true;
        if (r == plat::WAIT_FAILED) break;
        plat::Msg m;
        plat::PeekMessage(&m, nullptr, 0, 0, plat::PM_REMOVE | plat::PM_QS_SENDMESSAGE);
    }
    return plat::WaitForSingleObject(thread, 0) == plat::WAIT_OBJECT_0;
}

bool moveThreadStopped;

// Ends both worker threads; a thread that was never created or already ended is skipped.
bool StopWorkerThreads() {
    const bool dialogEnded = StopThread(dialogThread, dialogThreadId);
    bool moveEnded = moveThreadStopped;
    if (!moveEnded) {
        moveEnded = StopThread(moveThread, moveThreadId.load(std::memory_order_relaxed));
        if (moveEnded) TakeUnfinishedMoves();  // frees what a hung window never took
    }
    return dialogEnded && moveEnded;
}

// The real process ends right after the run; tests start the program again in the same
// process, so everything the run made is given back here.
void ReleaseRunResources(bool classRegistered) {
    if (dialogThread) plat::CloseHandle(dialogThread);
    if (moveThread) plat::CloseHandle(moveThread);
    dialogThread = moveThread = nullptr;
    dialogThreadId = 0;
    moveThreadId.store(0, std::memory_order_relaxed);

    DiscardPagerWindow();
    if (classRegistered) plat::UnregisterClass(PagerClassName, instance);

    FreeWindowSnapshot();
    ReleaseSettings();
    settings.pagerWindow = nullptr;
}

bool RegisterPagerClass() {
    plat::WndClass wc{};
    wc.style = plat::CS_VREDRAW | plat::CS_HREDRAW | plat::CS_DBLCLKS;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = plat::LoadIcon(instance, plat::MakeIntResource(IconProgram));
    wc.hCursor = plat::LoadCursor(nullptr, plat::MakeIntResource(plat::IDC_ARROW));
    wc.hbrBackground = plat::GetStockObject(plat::WHITE_BRUSH);
    wc.lpszClassName = PagerClassName;
    return plat::RegisterClass(&wc) != 0;
}

// Returns the code the quit was posted with.
int RunMessageLoop() {
    plat::Msg m{};
    while (plat::GetMessage(&m, nullptr, 0, 0) > 0) {
        plat::TranslateMessage(&m);
        plat::DispatchMessage(&m);
    }
    return m.message == plat::WM_QUIT ? static_cast<int>(m.wParam) : ExitRan;
}

// Start-up gave up after the shared block was attempted: undo what exists, in shutdown order.
int AbandonStart(bool pagerCreated) {
    ReleaseHookBlock();
    if (StopWorkerThreads()) ReleaseRunResources(pagerCreated);
    return ExitStartRefused;
}

}  // namespace

namespace {

// Creates the move thread and waits (bounded) until it takes messages.
void StartMoveThread() {
    std::uint32_t id = 0;
    moveThread = plat::CreateThread(nullptr, 0, MoveThreadMain, nullptr, 0, &id);
    moveThreadId.store(id, std::memory_order_relaxed);
    // A thread has no queue until it first takes messages; a switch made before that would
    // lose the late moves of hung windows, so wait (bounded) until a post gets through.
    for (int tries = 0; moveThread && tries < 2000; ++tries) {
        if (plat::PostThreadMessage(id, 0 /* WM_NULL */, 0, 0)) break;
        plat::Sleep(1);
    }
}

}  // namespace

bool RestartMoveThread() {
    if (!moveThreadStopped) return true;
    if (moveThread) plat::CloseHandle(moveThread);
    moveThread = nullptr;
    StartMoveThread();
    moveThreadStopped = moveThread == nullptr;
    return !moveThreadStopped;
}

std::vector<PendingMove> StopMoveThread() {
    if (moveThreadStopped ||
        !StopThread(moveThread, moveThreadId.load(std::memory_order_relaxed)))
        return {};
    moveThreadStopped = true;
    return TakeUnfinishedMoves();
}

void LoadSettingsAndState(int* initialX, int* initialY) {
    ResetDesktopState();
    ResetPagerState();
    // A screen that cannot be measured leaves its size at 0, and the start is refused.
    MeasureScreen();
    LoadSettings();
    desktop.columns = settings.xResolution;
    desktop.rows = settings.yResolution;
    const plat::Point p = CollapsedPosition();
    if (initialX) *initialX = p.x;
    if (initialY) *initialY = p.y;
}

void StartPollTimer() {
    plat::SetWindowPos(PagerWindow(), plat::HWND_TOPMOST, 0, 0, 0, 0,
                       plat::SWP_NOMOVE | plat::SWP_NOSIZE);
    if (plat::SetTimer(PagerWindow(), PollTimerId, PollTimerMs, nullptr) == 0) {
        plat::MessageBox(nullptr, "No timer available. Can't initialize.", "Error",
                          plat::MB_ICONWARNING);
        plat::PostQuitMessage(ExitStartRefused);
    }
    if (!settings.collapsePager) RestorePagerPosition();
}

int ParmenaMain(plat::Hinstance inst) {
    char missing[256] = "";
    if (!plat::LoadCompanionLibraries(missing, sizeof missing)) {
        char what[300];
        std::snprintf(what, sizeof what, "%s is missing", missing[0] ? missing : "a library");
        StartFailed(what);
        return ExitStartRefused;
    }

    // A run starts from a clean slate even when an earlier run happened in this process.
    settingsDialogOpen.store(false, std::memory_order_relaxed);
    aboutDialogOpen.store(false, std::memory_order_relaxed);
    ResetSettings();
    ResetDesktopState();
    ResetPagerState();
    ResetUnmovable();
    ResetSticky();
    windowsHome = false;
    StopWindowMoves(false);
    moveThreadStopped = false;
    mainThreadId = plat::GetCurrentThreadId();

    instance = inst;

    std::uint32_t id = 0;
    dialogThread = plat::CreateThread(nullptr, 0, DialogThreadMain, nullptr, 0, &id);
    dialogThreadId = id;
    StartMoveThread();
    if (!dialogThread || !moveThread) {
        // Without the dialog thread the pager's creation would wait for ever.
        StartFailed("a worker thread could not be created");
        if (StopWorkerThreads()) ReleaseRunResources(false);
        return ExitStartRefused;
    }

    int initialX = -1, initialY = -1;
    LoadSettingsAndState(&initialX, &initialY);
    if (desktop.screenWidth <= 0 || desktop.screenHeight <= 0) {
        // A grid of zero-sized desktops would switch by nothing and fold nothing.
        StartFailed("the screen size cannot be measured");
        if (StopWorkerThreads()) ReleaseRunResources(false);
        return ExitStartRefused;
    }

    bool anotherInstance = false;
    if (!CreateHookBlock(&anotherInstance)) {
        plat::MessageBox(nullptr, "You can only have one instance of Parmena running!",
                          "Another Parm found", plat::MB_ICONERROR);
        // The program the user wanted runs already: not a failure.
        const int code = AbandonStart(false);
        return anotherInstance ? ExitAlreadyRunning : code;
    }

    if (!RegisterPagerClass()) return AbandonStart(false);

    CreateCommandWindow(instance);

    plat::Hwnd w = plat::CreateWindowEx(plat::WS_EX_TOOLWINDOW, PagerClassName, PagerTitle,
                                         plat::WS_POPUP | plat::WS_THICKFRAME, initialX,
                                         initialY, CollapsedPixels(), CollapsedPixels(), nullptr,
                                         nullptr, instance, nullptr);
    settings.pagerWindow = w;
    if (hookBlock)
        hookBlock->pagerWindow =
            static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(w));
    if (!w) {
        DestroyCommandWindow();
        return AbandonStart(true);
    }
    // A taskbar that starts again announces itself, also to a program run as administrator.
    TaskbarCreatedMessage = plat::RegisterWindowMessage("TaskbarCreated");
    if (TaskbarCreatedMessage)
        plat::ChangeWindowMessageFilterEx(w, TaskbarCreatedMessage, plat::MSGFLT_ALLOW);

    if (settings.disableNavigation)
        AddTrayIcon();
    else
        plat::ShowWindow(w, plat::SW_SHOWNOACTIVATE);
    plat::UpdateWindow(w);
    // From here on windows move: every way the process can end must bring them home.
    plat::SetUnhandledExceptionFilter(FoldOnCrash);
    RecoverStickyMarks();
    RecoverPreviousRun();
    StartPollTimer();

    if (!settings.disableNavigation && settings.switchHotkeys) RegisterDesktopHotkeys();
    if (!settings.disableShell) RegisterShellHotkey();

    if (!settings.disableMiddleButton && plat::GetSystemMetrics(plat::SM_CMOUSEBUTTONS) < 3) {
        plat::MessageBox(nullptr,
                          "Two button mouse detected.\r\nMiddle button features unavailable.",
                          "Too few buttons", plat::MB_ICONINFORMATION);
        settings.disableMiddleButton = 1;
        WriteDword(settingsKeys.preferences, setting_name::disableMiddleButton, 1);
    }
    if (!settings.disableMiddleButton) InstallMouseHook();
    if (settings.resetAtStart) ApplyRememberedPositions();

    const int exitCode = RunMessageLoop();
    // A quit posted from outside, or a failed timer, ends the loop without a close.
    RestoreOnExit();

    // Shutdown: the settings as they are now, which the dialog or a failed hotkey may have changed.
    if (!settings.disableMiddleButton) RemoveMouseHook();
    if (!settings.disableNavigation && settings.switchHotkeys) UnregisterDesktopHotkeys();
    if (!settings.disableShell) UnregisterShellHotkey();
    plat::WinHelp(PagerWindow(), HelpFile, plat::HELP_QUIT, 0);
    plat::WinHelp(CommandWindow, HelpFile, plat::HELP_QUIT, 0);
    DestroyCommandWindow();
    if (settings.disableNavigation) RemoveTrayIcon();
    if (!StopWorkerThreads()) return exitCode;  // a dialog that will not close still uses all below
    // Only now: a settings dialog left open when the pager was destroyed from outside holds the
    // block's mutex until the dialog thread has ended.
    ReleaseHookBlock();
    plat::SetUnhandledExceptionFilter(nullptr);

    ReleaseRunResources(true);
    return exitCode;
}
