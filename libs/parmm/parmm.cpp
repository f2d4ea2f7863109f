// parmm.dll: the middle-button mouse hook.
//
// Two threads of our own: the hook thread only pumps messages and answers the low-level hook
// (a hook that keeps the system waiting makes the whole mouse lag and is removed by Windows);
// the gesture thread takes what the hook posts, asks windows what lies under the pointer (which
// may wait on a busy program) and carries the actions out without ever waiting on another
// thread: window moves are asynchronous, switches and the menu are posted to the program.

// The portable block layout comes before <windows.h>, whose macros would rewrite its names.
#include "config/protocol.h"
#include "config/settings_table.h"
#include "libs/parmm/actions.h"
#include "libs/parmm/gesture.h"
#include "platform/text.h"

#include "platform/win32/companions.h"

#include <cstdint>
#include <cstring>

static_assert(parmm::HitError == HTERROR && parmm::HitTransparent == HTTRANSPARENT &&
                  parmm::HitNowhere == HTNOWHERE && parmm::HitClient == HTCLIENT &&
                  parmm::HitCaption == HTCAPTION && parmm::HitSysMenu == HTSYSMENU &&
                  parmm::HitGrowBox == HTGROWBOX && parmm::HitMenu == HTMENU &&
                  parmm::HitHScroll == HTHSCROLL && parmm::HitVScroll == HTVSCROLL &&
                  parmm::HitMinButton == HTMINBUTTON && parmm::HitMaxButton == HTMAXBUTTON &&
                  parmm::HitLeft == HTLEFT && parmm::HitRight == HTRIGHT && parmm::HitTop == HTTOP &&
                  parmm::HitTopLeft == HTTOPLEFT && parmm::HitTopRight == HTTOPRIGHT &&
                  parmm::HitBottom == HTBOTTOM && parmm::HitBottomLeft == HTBOTTOMLEFT &&
                  parmm::HitBottomRight == HTBOTTOMRIGHT && parmm::HitBorder == HTBORDER &&
                  parmm::HitClose == HTCLOSE && parmm::HitHelp == HTHELP,
              "hit-test codes");

namespace {

using namespace parmm;

// From the hook to the gesture thread.
constexpr UINT MsgPress = WM_APP + 1, MsgMove = WM_APP + 2, MsgRelease = WM_APP + 3;

// Input we send ourselves carries this, so that the hook lets it through.
constexpr ULONG_PTR ReplayMark = 0x50524D4D;

// A window that keeps a hit test waiting longer is judged from its rectangles.
constexpr UINT HitTestTimeoutMs = 100;
constexpr DWORD ThreadEndTimeoutMs = 10000;

HINSTANCE module = nullptr;
CRITICAL_SECTION installLock;

struct Installation {
    HookBlock* block = nullptr;
    HANDLE mutex = nullptr;
    HANDLE hookThread = nullptr, gestureThread = nullptr;
    DWORD hookThreadId = 0, gestureThreadId = 0;
    HANDLE hookReady = nullptr;
    HHOOK hook = nullptr;
    DWORD token = 0;
};
Installation current;

// Written only by the hook thread.
bool pressed = false;
DWORD gestureThreadId = 0;  // copy the hook reads; set before the hook exists

// ------------------------------------------------------------------ hook thread

LRESULT CALLBACK LowLevelMouseProc(int code, WPARAM wp, LPARAM lp) {
    const auto* info = reinterpret_cast<const MSLLHOOKSTRUCT*>(lp);
    if (code != HC_ACTION || !info || info->dwExtraInfo == ReplayMark)
        return CallNextHookEx(nullptr, code, wp, lp);
    const WPARAM x = static_cast<WPARAM>(static_cast<std::intptr_t>(info->pt.x));
    const LPARAM y = static_cast<LPARAM>(info->pt.y);
    switch (wp) {
        case WM_MBUTTONDOWN:
            if (pressed) return 1;
            // Held until the gesture thread has decided; it passes the press on when it should.
            if (!PostThreadMessageA(gestureThreadId, MsgPress, x, y)) break;
            pressed = true;
            return 1;
        case WM_MBUTTONUP:
            if (!pressed) break;
            pressed = false;
            PostThreadMessageA(gestureThreadId, MsgRelease, x, y);
            return 1;
        case WM_MOUSEMOVE:
            if (pressed) PostThreadMessageA(gestureThreadId, MsgMove, x, y);
            break;
        default:
            break;
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

DWORD WINAPI HookThreadMain(void* param) {
    auto* inst = static_cast<Installation*>(param);
    MSG m;
    PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);
    inst->hook = SetWindowsHookExA(WH_MOUSE_LL, LowLevelMouseProc, module, 0);
    SetEvent(inst->hookReady);
    if (!inst->hook) return 1;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
    UnhookWindowsHookEx(inst->hook);
    return 0;
}

// ------------------------------------------------------------------ gesture thread

HookBlock* block = nullptr;  // the gesture thread's view of the installation
HANDLE blockMutex = nullptr;
HWND pager = nullptr;
EntryTable entries;  // last good copy of the block's entries

struct Gesture {
    bool active = false;
    bool passing = false;  // the press was handed on; the release follows it
    bool dragging = false;
    Pt press{0, 0};
    int slot = SlotDesktop;
    HWND window = nullptr;  // top-level window under the press; null on the desktop
    long hit = HitNowhere;
    Plan plan{ClickPass, DragPass, false};
    Box start{0, 0, 0, 0};  // the window's rectangle when the drag began
    Edges edges{false, false, false, false};
    int unitX = 1, unitY = 1;  // travel per desktop step
    int takenX = 0, takenY = 0;
    Box placed{0, 0, 0, 0};  // where the drag last put the window
};
Gesture gesture;  // the one under way; only the gesture thread touches it

Pt ParamsPoint(WPARAM wp, LPARAM lp) {
    return Pt{static_cast<std::int32_t>(static_cast<std::intptr_t>(wp)), static_cast<std::int32_t>(lp)};
}

// The program writes its pager's handle before it installs the hook; taken once then, so that
// a later write by anyone else cannot send our requests elsewhere.
HWND PagerOf(const HookBlock* b) {
    // Window handles are 32-bit values in every build; widen them as the system does.
    const auto h = reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(b->pagerWindow)));
    DWORD pid = 0;
    return h && GetWindowThreadProcessId(h, &pid) && pid == GetCurrentProcessId() ? h : nullptr;
}

// Copies the block's entries when the mutex is free at once; otherwise (the settings dialog has
// it) the last good copy serves, so that input never waits for the dialog. `block` and `mutex`
// are the installation's: a program without a mutex cannot guard the block, so it is read as it
// is, and the copy is sanitised either way.
void RefreshEntries(const HookBlock* b, HANDLE mutex, bool evenIfBusy) {
    if (!b) return;
    const DWORD wait = mutex ? WaitForSingleObject(mutex, 0) : WAIT_FAILED;
    const bool owned = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    if (owned || !mutex || evenIfBusy) CopyEntries(*b, &entries);
    if (owned) ReleaseMutex(mutex);
}

// The executable's file name of the program owning `w`, or "" when it cannot be told.
// UTF-8, as the settings dialog stores the names; a path that does not fit is left out, since
// its cut would drop the file name.
void ProgramOf(HWND w, char* out, DWORD size) {
    out[0] = '\0';
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (!pid) return;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return;
    wchar_t wide[MAX_PATH + 1];
    DWORD n = MAX_PATH + 1;
    if (QueryFullProcessImageNameW(process, 0, wide, &n) && n <= MAX_PATH &&
        Utf16ToUtf8(wide, n, nullptr, 0) < size)
        Utf16ToUtf8(wide, n, out, size);
    CloseHandle(process);
}

bool IsDesktopWindow(HWND w) {
    if (!w || w == GetDesktopWindow() || w == GetShellWindow()) return true;
    char cls[32];
    if (!GetClassNameA(w, cls, sizeof cls)) return false;
    return std::strcmp(cls, "Progman") == 0 || std::strcmp(cls, "WorkerW") == 0;
}

Box BoxOf(const RECT& r) { return Box{r.left, r.top, r.right, r.bottom}; }

long HitTest(HWND w, Pt p, bool* answered) {
    DWORD_PTR result = 0;
    const LPARAM at = static_cast<LPARAM>(static_cast<std::uint32_t>(static_cast<std::uint16_t>(p.x)) |
                                          (static_cast<std::uint32_t>(static_cast<std::uint16_t>(p.y)) << 16));
    *answered = SendMessageTimeoutA(w, WM_NCHITTEST, 0, at, SMTO_ABORTIFHUNG | SMTO_NORMAL, HitTestTimeoutMs,
                                    &result) != 0;
    return *answered ? static_cast<long>(static_cast<LRESULT>(result)) : HitNowhere;
}

int SlotOfWindow(HWND w, Pt p, long* hit) {
    bool answered = false;
    *hit = HitTest(w, p, &answered);
    const int slot = answered ? SlotFromHitTest(*hit) : -1;
    if (slot >= 0) return slot;
    RECT wr{}, cr{};
    GetWindowRect(w, &wr);
    GetClientRect(w, &cr);
    POINT origin{0, 0};
    ClientToScreen(w, &origin);
    OffsetRect(&cr, origin.x, origin.y);
    return SlotFromGeometry(BoxOf(wr), BoxOf(cr), p);
}

void SendMouse(DWORD flags, Pt at, bool moveThere) {
    INPUT in[3] = {};
    UINT n = 0;
    const int vx = GetSystemMetrics(SM_XVIRTUALSCREEN), vy = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int vw = GetSystemMetrics(SM_CXVIRTUALSCREEN), vh = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    auto moveTo = [&](Pt p) {
        if (vw <= 0 || vh <= 0) return;
        INPUT& i = in[n++];
        i.type = INPUT_MOUSE;
        i.mi.dx = static_cast<LONG>(((static_cast<long long>(p.x) - vx) * 65536 + vw - 1) / vw);
        i.mi.dy = static_cast<LONG>(((static_cast<long long>(p.y) - vy) * 65536 + vh - 1) / vh);
        i.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
        i.mi.dwExtraInfo = ReplayMark;
    };
    POINT now{at.x, at.y};
    GetCursorPos(&now);
    if (moveThere) moveTo(at);
    INPUT& b = in[n++];
    b.type = INPUT_MOUSE;
    b.mi.dwFlags = flags;
    b.mi.dwExtraInfo = ReplayMark;
    if (moveThere) moveTo(Pt{now.x, now.y});
    SendInput(n, in, sizeof(INPUT));
}

void PassPressOn(Pt at, bool moveThere) { SendMouse(MOUSEEVENTF_MIDDLEDOWN, at, moveThere); }
void PassReleaseOn(Pt at) { SendMouse(MOUSEEVENTF_MIDDLEUP, at, false); }

void Post(UINT msg, WPARAM wp, LPARAM lp) {
    if (pager) PostMessageA(pager, msg, wp, lp);
}

// The grid and the pager's full size as the program stores them.
struct Grid {
    int columns = setting_default::xResolution, rows = setting_default::yResolution;
    int pagerW = setting_default::xSize, pagerH = setting_default::ySize;
};
Grid ReadGrid() {
    Grid grid;
    HKEY k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, PreferencesPath, 0, KEY_READ, &k) != ERROR_SUCCESS) return grid;
    auto read = [&](const char* name, int* out, bool gridSize) {
        DWORD v = 0, type = 0, size = sizeof v;
        if (RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(&v), &size) == ERROR_SUCCESS &&
            type == REG_DWORD && size == sizeof v && static_cast<int>(v) > 0 &&
            (!gridSize || IsGridSize(static_cast<int>(v))))
            *out = static_cast<int>(v);
    };
    read(setting_name::xResolution, &grid.columns, true);
    read(setting_name::yResolution, &grid.rows, true);
    read(setting_name::xSize, &grid.pagerW, false);
    read(setting_name::ySize, &grid.pagerH, false);
    RegCloseKey(k);
    return grid;
}

void OnPress(Pt p) {
    gesture = Gesture{};
    gesture.active = true;
    gesture.press = p;
    RefreshEntries(block, blockMutex, false);
    HWND under = WindowFromPoint(POINT{p.x, p.y});
    HWND top = under ? GetAncestor(under, GA_ROOT) : nullptr;
    if (IsDesktopWindow(top)) {
        gesture.slot = SlotDesktop;
    } else {
        gesture.window = top;
        gesture.slot = SlotOfWindow(top, p, &gesture.hit);
    }
    int index = -1;
    if (gesture.window) {
        char path[3 * MAX_PATH + 1];
        ProgramOf(gesture.window, path, sizeof path);
        index = FindProgramEntry(entries, path);
    }
    gesture.plan = PlanFor(entries, index, gesture.slot);
    // The program's own pager keeps its middle button; so does a program set to pass it on.
    if (PassesEverything(gesture.plan) || (gesture.window && gesture.window == pager)) {
        gesture.passing = true;
        PassPressOn(p, false);
    }
}

void BeginDrag() {
    gesture.dragging = true;
    RECT r{};
    if (gesture.window) GetWindowRect(gesture.window, &r);
    gesture.start = BoxOf(r);
    gesture.placed = gesture.start;
    switch (gesture.plan.drag) {
        case DragPass:
            // The press comes late but where it happened; the pointer goes on from here.
            gesture.passing = true;
            PassPressOn(gesture.press, true);
            break;
        case DragResize:
            gesture.edges = ResizeEdges(gesture.hit, gesture.start, gesture.press);
            break;
        case DragByDesktops:
        case DragScroll: {
            const Grid grid = ReadGrid();
            const bool onPager = gesture.plan.drag == DragScroll;
            gesture.unitX = StepUnit(onPager ? grid.pagerW : GetSystemMetrics(SM_CXSCREEN), grid.columns);
            gesture.unitY = StepUnit(onPager ? grid.pagerH : GetSystemMetrics(SM_CYSCREEN), grid.rows);
            break;
        }
        default:
            break;
    }
}

// Asks for the window at `b`, unless the drag already did: a request repeated after the window
// got there would land after any later move of it by someone else.
void PlaceWindow(const Box& b, bool sizeToo) {
    if (b.left == gesture.placed.left && b.top == gesture.placed.top && b.right == gesture.placed.right && b.bottom == gesture.placed.bottom)
        return;
    gesture.placed = b;
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_ASYNCWINDOWPOS | (sizeToo ? 0 : SWP_NOSIZE);
    SetWindowPos(gesture.window, nullptr, b.left, b.top, b.right - b.left, b.bottom - b.top, flags);
}

void FollowDrag(Pt p) {
    const std::int64_t dx = static_cast<std::int64_t>(p.x) - gesture.press.x;
    const std::int64_t dy = static_cast<std::int64_t>(p.y) - gesture.press.y;
    if (!gesture.window && gesture.plan.drag != DragByDesktops && gesture.plan.drag != DragScroll) return;
    switch (gesture.plan.drag) {
        case DragMove:
        case DragHorizontal:
            PlaceWindow(Moved(gesture.start, dx, gesture.plan.drag == DragMove ? dy : 0), false);
            return;
        case DragResize:
            PlaceWindow(Resized(gesture.start, gesture.edges, dx, dy, GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)),
                        true);
            return;
        case DragByDesktops:
        case DragScroll: {
            const int sx = StepsOwed(dx, gesture.unitX, gesture.takenX), sy = StepsOwed(dy, gesture.unitY, gesture.takenY);
            if (!sx && !sy) return;
            gesture.takenX += sx;
            gesture.takenY += sy;
            // A window travels with the drag; on the desktop, and when scrolling, the view does.
            if (gesture.window && gesture.plan.drag == DragByDesktops)
                Post(MsgHookMoveWindow, reinterpret_cast<WPARAM>(gesture.window), static_cast<LPARAM>(PackSteps(sx, sy)));
            else
                Post(MsgHookSwitch, static_cast<WPARAM>(static_cast<std::intptr_t>(sx)), static_cast<LPARAM>(sy));
            return;
        }
        default:
            return;
    }
}

void OnMove(Pt p) {
    if (!gesture.active || gesture.passing) return;
    if (!gesture.dragging) {
        if (!IsDrag(gesture.press, p, GetSystemMetrics(SM_CXDRAG), GetSystemMetrics(SM_CYDRAG))) return;
        BeginDrag();
        if (gesture.passing) return;
    }
    FollowDrag(p);
}

void Click() {
    HWND w = gesture.window;
    const UINT still = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS;
    switch (gesture.plan.click) {
        case ClickToBack:
            if (w) SetWindowPos(w, HWND_BOTTOM, 0, 0, 0, 0, still);
            break;
        case ClickToFront:
            if (w) {
                SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, still);
                SetForegroundWindow(w);
            }
            break;
        // As the title bar's buttons do it: the program may have its own way with these.
        case ClickMinimize:
            if (w) PostMessageA(w, WM_SYSCOMMAND, SC_MINIMIZE, 0);
            break;
        case ClickMaximize:
            if (w) PostMessageA(w, WM_SYSCOMMAND, IsZoomed(w) ? SC_RESTORE : SC_MAXIMIZE, 0);
            break;
        case ClickMenu:
            Post(MsgHookMenu, static_cast<WPARAM>(static_cast<std::intptr_t>(gesture.press.x)),
                 static_cast<LPARAM>(gesture.press.y));
            break;
        default:
            break;
    }
    if (gesture.plan.click == ClickPass || gesture.plan.transmit) {
        PassPressOn(gesture.press, false);
        PassReleaseOn(gesture.press);
    }
}

void OnRelease(Pt p) {
    if (!gesture.active) return;
    if (gesture.passing) {
        PassReleaseOn(p);
    } else {
        OnMove(p);
        if (gesture.passing)
            PassReleaseOn(p);
        else if (!gesture.dragging)
            Click();
    }
    gesture = Gesture{};
}

// Moves queued behind this one make it stale: only the newest position matters.
Pt NewestMove(Pt p) {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE) && m.message == MsgMove &&
           PeekMessageA(&m, nullptr, MsgMove, MsgMove, PM_REMOVE))
        p = ParamsPoint(m.wParam, m.lParam);
    return p;
}

DWORD WINAPI GestureThreadMain(void* param) {
    auto* inst = static_cast<Installation*>(param);
    block = inst->block;
    blockMutex = inst->mutex;
    pager = PagerOf(inst->block);
    gesture = Gesture{};
    MSG m;
    PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);
    SetEvent(inst->hookReady);
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        switch (m.message) {
            case MsgPress: OnPress(ParamsPoint(m.wParam, m.lParam)); break;
            case MsgMove: OnMove(NewestMove(ParamsPoint(m.wParam, m.lParam))); break;
            case MsgRelease: OnRelease(ParamsPoint(m.wParam, m.lParam)); break;
            default: DispatchMessageA(&m); break;
        }
    }
    block = nullptr;
    pager = nullptr;
    return 0;
}

// ------------------------------------------------------------------ installation

void EndThread(HANDLE& thread, DWORD id) {
    if (!thread) return;
    PostThreadMessageA(id, WM_QUIT, 0, 0);
    WaitForSingleObject(thread, ThreadEndTimeoutMs);
    CloseHandle(thread);
    thread = nullptr;
}

void Uninstall() {
    // The hook first: once it is gone nothing posts to the gesture thread any more.
    EndThread(current.hookThread, current.hookThreadId);
    EndThread(current.gestureThread, current.gestureThreadId);
    if (current.hookReady) CloseHandle(current.hookReady);
    current = Installation{};
    pressed = false;
}

DWORD Install(HookBlock* hookBlock, HANDLE mutex) {
    current.block = hookBlock;
    current.mutex = mutex;
    // The first copy is taken even while the dialog holds the mutex (it installs the hook
    // from inside the dialog run): there is no older one to fall back on.
    RefreshEntries(hookBlock, mutex, true);
    current.hookReady = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!current.hookReady) return 0;
    current.gestureThread = CreateThread(nullptr, 0, GestureThreadMain, &current, 0, &current.gestureThreadId);
    if (!current.gestureThread || WaitForSingleObject(current.hookReady, ThreadEndTimeoutMs) != WAIT_OBJECT_0)
        return 0;
    gestureThreadId = current.gestureThreadId;
    current.hookThread = CreateThread(nullptr, 0, HookThreadMain, &current, 0, &current.hookThreadId);
    if (!current.hookThread || WaitForSingleObject(current.hookReady, ThreadEndTimeoutMs) != WAIT_OBJECT_0 ||
        !current.hook)
        return 0;
    // Hook handles are 32-bit values in every build; never 0 for a live hook.
    current.token = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(current.hook));
    return current.token;
}

DWORD_PTR AddressOf(const MouseAction* table) { return reinterpret_cast<DWORD_PTR>(table); }

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE inst, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        module = inst;
        DisableThreadLibraryCalls(inst);
        InitializeCriticalSection(&installLock);
    } else if (reason == DLL_PROCESS_DETACH) {
        DeleteCriticalSection(&installLock);
    }
    return TRUE;
}

extern "C" DWORD WINAPI SetMBHook(void* hookBlock, HANDLE mutex) {
    if (!hookBlock) return 0;
    EnterCriticalSection(&installLock);
    if (current.token) Uninstall();
    DWORD token = Install(static_cast<HookBlock*>(hookBlock), mutex);
    if (!token) Uninstall();
    LeaveCriticalSection(&installLock);
    return token;
}

extern "C" BOOL WINAPI RemoveMBHook(DWORD hook) {
    EnterCriticalSection(&installLock);
    const bool ours = hook != 0 && hook == current.token;
    // The program may unmap the block once this returns: both threads have ended by then.
    if (ours) Uninstall();
    LeaveCriticalSection(&installLock);
    return ours ? TRUE : FALSE;
}

extern "C" DWORD_PTR WINAPI GetClickFuncs(void) { return AddressOf(ClickActions); }

extern "C" DWORD_PTR WINAPI GetMoveFuncs(void) { return AddressOf(DragActions); }
