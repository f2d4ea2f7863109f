// Reporting, waits, test windows, process control, input, registry and screenshots.
#include <cstdarg>
#include <cstdio>

#include "e2e/driver.h"

namespace e2e {

std::string appDir;
std::string shotDir;
bool guardChords = false;
HWND anchor = nullptr;
POINT anchorHome = {0, 0};
MoveWatch moveWatch;
const char* const RegRoot = "Software\\Orvanne\\Parmena";

// ---------------------------------------------------------------- reporting

namespace {
int passes = 0, failures = 0;

std::string VFormat(const char* fmt, va_list ap) {
    char buf[1024];
    vsnprintf(buf, sizeof buf, fmt, ap);
    return buf;
}
}  // namespace

std::string Format(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string s = VFormat(fmt, ap);
    va_end(ap);
    return s;
}

bool Outcome::Check(bool ok, const char* fmt, ...) {
    if (!ok && reason.empty()) {
        va_list ap;
        va_start(ap, fmt);
        reason = VFormat(fmt, ap);
        va_end(ap);
        if (reason.empty()) reason = "failed";
    }
    return ok;
}

bool Outcome::Expect(const std::string& error, const char* context) {
    if (!error.empty() && reason.empty()) reason = context ? std::string(context) + ": " + error : error;
    return error.empty();
}

void Report(const char* scenario, const Outcome& o) {
    if (o.Ok()) {
        ++passes;
        std::printf("PASS %s\n", scenario);
    } else {
        ++failures;
        std::printf("FAIL %s: %s\n", scenario, o.reason.c_str());
    }
    std::fflush(stdout);
}

void ReportFail(const char* scenario, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    Outcome o;
    o.reason = VFormat(fmt, ap);
    va_end(ap);
    if (o.reason.empty()) o.reason = "failed";
    Report(scenario, o);
}

void Info(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string s = VFormat(fmt, ap);
    va_end(ap);
    std::printf("INFO %s\n", s.c_str());
    std::fflush(stdout);
}

int PassCount() { return passes; }
int FailCount() { return failures; }

// ---------------------------------------------------------------- waits

double NowMs() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) * 1000.0 / double(freq.QuadPart);
}

// ---------------------------------------------------------------- test windows

namespace {
const char TestClass[] = "ParmenaE2EWindow";
constexpr UINT MsgCreateWindow = WM_APP + 1;
constexpr UINT MsgStall = WM_APP + 2;

}  // namespace

std::atomic<HWND> logoffOnProbe{nullptr};
HotkeyResends hotkeyResends;
std::atomic<DWORD> sleepAfterDragIconReply{0};

namespace {

struct CreateRequest {
    std::string title;
    int x, y, w, h;
    bool topmost;
    TestWindow* window;
    HANDLE done;
    std::atomic<LONG> abandoned{0};  // whichever side marks it second frees the request
};

LRESULT CALLBACK TestWindowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    auto* tw = reinterpret_cast<TestWindow*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    switch (msg) {
    case WM_GETTEXTLENGTH:
        // Parmena's switch probe: the first one after arming brings a logoff into the switch.
        if (HWND pager = logoffOnProbe.exchange(nullptr)) {
            DWORD_PTR answer = 0;
            SendMessageTimeoutA(pager, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 15000, &answer);
            Mark("WM_QUERYENDSESSION sent from inside the probe, answered %lu", static_cast<unsigned long>(answer));
        }
        break;
    case WM_QUERYDRAGICON:
        // The move thread's question: answered, then the program is busy again.
        if (const DWORD ms = sleepAfterDragIconReply.exchange(0)) {
            ReplyMessage(0);
            Sleep(ms);
            return 0;
        }
        break;
    case WM_NCCREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
        SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        break;
    }
    case WM_WINDOWPOSCHANGED: {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(lp);
        // Only this window's thread sets `arrived`, so the time is taken before it is.
        if (tw && tw->watching.load(std::memory_order_acquire) && !(pos->flags & SWP_NOMOVE) &&
            pos->x == tw->targetX && pos->y == tw->targetY &&
            !tw->arrived.load(std::memory_order_relaxed)) {
            QueryPerformanceCounter(&tw->arrivedAt);
            tw->arrived.store(1, std::memory_order_release);
            if (moveWatch.remaining.fetch_sub(1, std::memory_order_relaxed) == 1 && moveWatch.done)
                SetEvent(moveWatch.done);
        }
        break;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(w, &ps);
        RECT rc;
        GetClientRect(w, &rc);
        HBRUSH b = CreateSolidBrush(tw ? tw->colour : RGB(255, 255, 255));
        FillRect(dc, &rc, b);
        DeleteObject(b);
        wchar_t title[128];
        int n = InternalGetWindowText(w, title, 128);
        SetBkMode(dc, TRANSPARENT);
        DrawTextW(dc, title, n, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(w, &ps);
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

void CreateFromRequest(CreateRequest* rq) {
    DWORD ex = rq->topmost ? WS_EX_TOPMOST : 0;
    DWORD style = rq->topmost ? (WS_OVERLAPPED | WS_CAPTION) : WS_OVERLAPPEDWINDOW;
    HWND w = CreateWindowExA(ex, TestClass, rq->title.c_str(), style, rq->x, rq->y, rq->w, rq->h,
                             nullptr, nullptr, GetModuleHandleA(nullptr), rq->window);
    rq->window->hwnd = w;
    if (w) {
        ShowWindow(w, SW_SHOWNOACTIVATE);
        UpdateWindow(w);
    }
}

DWORD WINAPI WindowThreadMain(void* arg) {
    auto* t = static_cast<WindowThread*>(arg);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    SetEvent(t->ready);
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!msg.hwnd && msg.message == MsgCreateWindow) {
            auto* rq = reinterpret_cast<CreateRequest*>(msg.lParam);
            CreateFromRequest(rq);
            SetEvent(rq->done);
            if (rq->abandoned.exchange(1, std::memory_order_acq_rel) == 1) {  // the caller gave up waiting
                CloseHandle(rq->done);
                delete rq;
            }
            continue;
        }
        if (!msg.hwnd && msg.message == MsgStall) {
            SetEvent(t->stalled);
            WaitForSingleObject(t->resume, static_cast<DWORD>(msg.wParam));
            ResetEvent(t->resume);
            ResetEvent(t->stalled);
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    for (TestWindow* tw : t->windows)
        if (tw->hwnd) DestroyWindow(tw->hwnd);
    return 0;
}
}  // namespace

bool StartWindowThread(WindowThread& t) {
    static bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = TestWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.lpszClassName = TestClass;
        return RegisterClassA(&wc) != 0;
    }();
    if (!registered) return false;
    t.ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    t.stalled = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    t.resume = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    t.thread = CreateThread(nullptr, 0, WindowThreadMain, &t, 0, &t.id);
    return t.thread && WaitForSingleObject(t.ready, 10000) == WAIT_OBJECT_0;
}

TestWindow* CreateTestWindow(WindowThread& t, const char* title, int x, int y, int w, int h,
                             COLORREF colour, bool topmost) {
    auto* tw = new TestWindow;
    tw->colour = colour;
    auto* rq = new CreateRequest{title, x, y, w, h, topmost, tw, CreateEventA(nullptr, TRUE, FALSE, nullptr), 0};
    if (!PostThreadMessageA(t.id, MsgCreateWindow, 0, reinterpret_cast<LPARAM>(rq))) {
        CloseHandle(rq->done);
        delete rq;
        delete tw;
        return nullptr;
    }
    bool done = WaitForSingleObject(rq->done, 10000) == WAIT_OBJECT_0;
    // Whichever side marks the request second frees it.
    if (rq->abandoned.exchange(1, std::memory_order_acq_rel) == 1) {
        CloseHandle(rq->done);
        delete rq;
    }
    if (!done || !tw->hwnd) return nullptr;  // tw stays allocated: the window may still appear
    t.windows.push_back(tw);
    return tw;
}

bool StallThread(WindowThread& t, DWORD maxStallMs) {
    ResetEvent(t.stalled);
    if (!PostThreadMessageA(t.id, MsgStall, maxStallMs, 0)) return false;
    return WaitForSingleObject(t.stalled, 5000) == WAIT_OBJECT_0;
}

void UnstallThread(WindowThread& t) { SetEvent(t.resume); }

void StopWindowThread(WindowThread& t) {
    if (!t.thread) return;
    UnstallThread(t);
    PostThreadMessageA(t.id, WM_QUIT, 0, 0);
    WaitForSingleObject(t.thread, 10000);
    CloseHandle(t.thread);
    CloseHandle(t.ready);
    CloseHandle(t.stalled);
    CloseHandle(t.resume);
    for (TestWindow* tw : t.windows) delete tw;
    t = WindowThread{};
}

// ---------------------------------------------------------------- geometry

RECT RectOf(HWND w) {
    RECT r{0, 0, 0, 0};
    if (!GetWindowRect(w, &r)) r = RECT{0, 0, 0, 0};
    return r;
}

std::string RectText(const RECT& r) {
    return Format("(%ld,%ld)-(%ld,%ld)", r.left, r.top, r.right, r.bottom);
}

std::string TitleOf(HWND w) {
    // Reads the stored caption without sending a message: the owner may be stalled.
    wchar_t wide[256];
    int n = InternalGetWindowText(w, wide, 256);
    char narrow[512];
    int m = WideCharToMultiByte(CP_UTF8, 0, wide, n, narrow, sizeof narrow - 1, nullptr, nullptr);
    narrow[m > 0 ? m : 0] = 0;
    return narrow;
}

std::vector<RECT> Rects(const std::vector<HWND>& ws) {
    std::vector<RECT> out;
    for (HWND w : ws) out.push_back(RectOf(w));
    return out;
}

std::vector<SIZE> Sizes(const std::vector<RECT>& rs) {
    std::vector<SIZE> out;
    for (const RECT& r : rs) out.push_back(SIZE{r.right - r.left, r.bottom - r.top});
    return out;
}

std::vector<Expected> Shifted(const std::vector<HWND>& ws, const std::vector<RECT>& base, int dx,
                              int dy) {
    std::vector<Expected> out;
    for (size_t i = 0; i < ws.size(); ++i)
        out.push_back(Expected{ws[i], int(base[i].left) + dx, int(base[i].top) + dy});
    return out;
}

HWND diagnosticPager = nullptr;

std::string ParmenaDesktopText() {
    // The pager answers with the desktop cell of a window's centre, which for the anchor on its
    // home spot is Parmena's current desktop.
    DWORD_PTR cell = 0;
    const RECT a = RectOf(anchor);
    if (!diagnosticPager || !IsWindow(diagnosticPager) || a.left != anchorHome.x || a.top != anchorHome.y ||
        !SendMessageTimeoutA(diagnosticPager, WM_USER, reinterpret_cast<WPARAM>(anchor), 0, SMTO_NORMAL, 2000, &cell))
        return "Parmena's current desktop unknown";
    return Format("Parmena's current desktop (%u,%u)", unsigned(cell & 0xff), unsigned((cell >> 8) & 0xff));
}

std::string WaitPositions(const std::vector<Expected>& expected, const std::vector<SIZE>& sizes,
                          DWORD timeoutMs) {
    auto wrong = [&](size_t i) {
        RECT r = RectOf(expected[i].hwnd);
        return r.left != expected[i].left || r.top != expected[i].top ||
               r.right - r.left != sizes[i].cx || r.bottom - r.top != sizes[i].cy;
    };
    auto allThere = [&] {
        for (size_t i = 0; i < expected.size(); ++i)
            if (wrong(i)) return false;
        return true;
    };
    if (WaitFor(timeoutMs, allThere)) return "";
    DumpTimeline(timeoutMs + 3000.0);
    std::string out = ParmenaDesktopText();
    for (size_t i = 0; i < expected.size(); ++i) {
        if (!wrong(i)) continue;
        out += Format("; '%s' is at %s, expected top-left (%d,%d) size %ldx%ld",
                      TitleOf(expected[i].hwnd).c_str(), RectText(RectOf(expected[i].hwnd)).c_str(),
                      expected[i].left, expected[i].top, sizes[i].cx, sizes[i].cy);
    }
    return out;
}

// ---------------------------------------------------------------- windows of other processes

namespace {
struct FindArgs {
    DWORD pid;
    const char* cls;
    const char* title;
    bool visibleOnly;
    HWND found;
    std::string* list;
};

BOOL CALLBACK FindProc(HWND w, LPARAM lp) {
    auto* a = reinterpret_cast<FindArgs*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != a->pid) return TRUE;
    if (a->visibleOnly && !IsWindowVisible(w)) return TRUE;
    char cls[128];
    if (a->cls && (!GetClassNameA(w, cls, sizeof cls) || lstrcmpA(cls, a->cls) != 0)) return TRUE;
    std::string title = TitleOf(w);
    if (a->list) {
        *a->list += (a->list->empty() ? "\"" : ", \"") + title + "\"";
        return TRUE;
    }
    if (a->title && title != a->title) return TRUE;
    a->found = w;
    return FALSE;
}
}  // namespace

HWND FindProcessWindow(DWORD pid, const char* cls, const char* title, bool visibleOnly) {
    FindArgs a{pid, cls, title, visibleOnly, nullptr, nullptr};
    EnumWindows(FindProc, reinterpret_cast<LPARAM>(&a));
    return a.found;
}

std::string DialogsOf(DWORD pid) {
    std::string list;
    FindArgs a{pid, "#32770", nullptr, true, nullptr, &list};
    EnumWindows(FindProc, reinterpret_cast<LPARAM>(&a));
    return list;
}

namespace {
BOOL CALLBACK CollectStatic(HWND w, LPARAM lp) {
    char cls[32];
    if (GetClassNameA(w, cls, sizeof cls) && lstrcmpiA(cls, "Static") == 0) {
        std::string t = TitleOf(w);
        if (!t.empty()) *reinterpret_cast<std::string*>(lp) += t;
    }
    return TRUE;
}
}  // namespace

bool DismissDialog(DWORD pid, const char* caption, DWORD timeoutMs, std::string* text) {
    HWND box = nullptr;
    if (!WaitFor(timeoutMs, [&] { return (box = FindProcessWindow(pid, "#32770", caption, true)) != nullptr; }))
        return false;
    if (text) {
        text->clear();
        EnumChildWindows(box, CollectStatic, reinterpret_cast<LPARAM>(text));
    }
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return WaitFor(10000, [&] { return !IsWindow(box); });
}

// ---------------------------------------------------------------- Parmena process

bool ParmenaPresent() {
    return GetFileAttributesA((appDir + "\\parmena.exe").c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool LaunchProcess(const std::string& exe, const std::string& cmdline, PROCESS_INFORMATION* pi) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string cl = cmdline;
    *pi = PROCESS_INFORMATION{};
    return CreateProcessA(exe.empty() ? nullptr : exe.c_str(), &cl[0], nullptr, nullptr, FALSE, 0, nullptr,
                          appDir.empty() ? nullptr : appDir.c_str(), &si, pi) != 0;
}

bool Running(const Parmena& p) {
    return p.pi.hProcess && WaitForSingleObject(p.pi.hProcess, 0) == WAIT_TIMEOUT;
}

bool Responsive(HWND w, DWORD timeoutMs) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}

bool InMessageLoop(HWND w, DWORD timeoutMs) {
    // A posted message is taken only by GetMessage or PeekMessage, never while the thread waits
    // for the answer to a send of its own. The default handling of WM_SETREDRAW shows when it
    // arrived: it clears or sets the visible style, without hiding or showing anything.
    if (!IsWindowVisible(w) || !PostMessageA(w, WM_SETREDRAW, FALSE, 0)) return false;
    const bool taken = WaitFor(timeoutMs, [&] { return !IsWindowVisible(w); });
    PostMessageA(w, WM_SETREDRAW, TRUE, 0);
    const bool back = WaitFor(timeoutMs, [&] { return IsWindowVisible(w) != 0; });
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
    return taken && back;
}

std::string StartParmena(Parmena& p, const char* aboutShot) {
    p = Parmena{};
    if (!LaunchProcess(appDir + "\\parmena.exe", "parmena.exe", &p.pi))
        return Format("CreateProcess of parmena.exe failed (error %lu)", GetLastError());
    const DWORD pid = p.pi.dwProcessId;
    HWND about = nullptr;
    std::string dialogs;
    WaitFor(30000, [&] {
        // Dialogs first: an about box seen there is then surely found by the second look.
        dialogs = DialogsOf(pid);
        about = FindProcessWindow(pid, "#32770", "About Parmena", true);
        // A dialog still without its caption may yet become the about box.
        const bool otherDialog = !dialogs.empty() && dialogs.find("\"\"") == std::string::npos;
        return about || otherDialog || FindProcessWindow(pid, "ParmClass", nullptr, true) || !Running(p);
    });
    if (about) {
        p.aboutSeen = true;
        if (aboutShot && *aboutShot) Shot(aboutShot);
        PostMessageA(about, WM_COMMAND, IDOK, 0);
        if (!WaitFor(10000, [&] { return !IsWindow(about); }))
            return "the about box did not close on IDOK within 10 s";
    } else if (!dialogs.empty()) {
        return "instead of the about box a dialog appeared: " + dialogs;
    }
    if (!WaitFor(20000, [&] {
            p.pager = FindProcessWindow(pid, "ParmClass", nullptr, false);
            return (p.pager && IsWindowVisible(p.pager)) || !Running(p);
        }))
        return p.pager ? "the pager window exists but was not shown within 20 s" : "no ParmClass window within 20 s";
    if (!Running(p)) {
        DWORD code = 0;
        GetExitCodeProcess(p.pi.hProcess, &code);
        return Format("parmena.exe ended during start-up with exit code %lu", code);
    }
    if (!Responsive(p.pager, 10000)) return "the pager window does not answer messages 10 s after start-up";
    // The answer above may come from inside a cross-thread send Parmena makes while it starts
    // (activating the pager sends to the previous foreground thread), before it has registered
    // its hotkeys. Only its message loop, entered after them, takes posted messages.
    if (!InMessageLoop(p.pager, 10000))
        return "the pager window did not take a posted message within 10 s of start-up";
    diagnosticPager = p.pager;
    Mark("Parmena %lu answers", p.pi.dwProcessId);
    const std::string boxes = DialogsOf(pid);
    if (!boxes.empty()) return "unexpected dialog after start-up: " + boxes;
    return "";
}

bool WaitExit(Parmena& p, DWORD timeoutMs, DWORD* code) {
    if (!p.pi.hProcess || WaitForSingleObject(p.pi.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
    GetExitCodeProcess(p.pi.hProcess, code);
    return true;
}

void EndParmena(Parmena& p) {
    if (!p.pi.hProcess) return;
    if (Running(p)) {
        TerminateProcess(p.pi.hProcess, 99);
        WaitForSingleObject(p.pi.hProcess, 5000);
    }
    CloseHandle(p.pi.hProcess);
    CloseHandle(p.pi.hThread);
    p = Parmena{};
}

// ---------------------------------------------------------------- input

namespace {
bool Extended(WORD vk) {
    return vk == VK_LEFT || vk == VK_RIGHT || vk == VK_UP || vk == VK_DOWN || vk == VK_INSERT ||
           vk == VK_DELETE || vk == VK_HOME || vk == VK_END || vk == VK_PRIOR || vk == VK_NEXT;
}

}  // namespace

INPUT Key(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (Extended(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
    return in;
}

void KeyDown(WORD vk) {
    INPUT in = Key(vk, false);
    SendInput(1, &in, sizeof in);
    Mark("key 0x%02x down", vk);
}

void KeyUp(WORD vk) {
    INPUT in = Key(vk, true);
    SendInput(1, &in, sizeof in);
    Mark("key 0x%02x up", vk);
}

const char* KeyName(WORD vk) {
    switch (vk) {
    case VK_LEFT: return "Left";
    case VK_RIGHT: return "Right";
    case VK_UP: return "Up";
    case VK_DOWN: return "Down";
    case VK_SHIFT: case VK_LSHIFT: case VK_RSHIFT: return "Shift";
    case VK_CONTROL: case VK_LCONTROL: case VK_RCONTROL: return "Ctrl";
    case VK_MENU: case VK_LMENU: case VK_RMENU: return "Alt";
    default: return "key";
    }
}

// ---------------------------------------------------------------- keyboard watch
//
// Wine brings its modifier state in line with the X server's after a focus change; on a
// display where nothing is really held, that releases Ctrl or Alt the driver holds down. If
// such a release lands inside a chord, the arrow reaches Wine without its modifiers and no
// hotkey exists to fire. A low-level hook sees every key event in the order Wine queues it,
// and marks the ones the driver did not inject.

namespace {
struct KeyEvent {
    WORD vk;
    bool up, injected;
};
CRITICAL_SECTION keyLock;
std::vector<KeyEvent> keyLog;
HANDLE keyThread = nullptr;
DWORD keyThreadId = 0;
HANDLE keyReady = nullptr;

WORD Generic(WORD vk) {
    if (vk == VK_LCONTROL || vk == VK_RCONTROL) return VK_CONTROL;
    if (vk == VK_LMENU || vk == VK_RMENU) return VK_MENU;
    if (vk == VK_LSHIFT || vk == VK_RSHIFT) return VK_SHIFT;
    return vk;
}

LRESULT CALLBACK KeyHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION) {
        const auto* k = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lp);
        const KeyEvent e{Generic(WORD(k->vkCode)), (k->flags & LLKHF_UP) != 0, (k->flags & LLKHF_INJECTED) != 0};
        EnterCriticalSection(&keyLock);
        if (keyLog.size() < 4096) keyLog.push_back(e);
        LeaveCriticalSection(&keyLock);
        if (!e.injected) Mark("Wine itself sent %s %s", KeyName(e.vk), e.up ? "up" : "down");
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

DWORD WINAPI KeyThreadMain(void*) {
    HHOOK hook = SetWindowsHookExA(WH_KEYBOARD_LL, KeyHook, GetModuleHandleA(nullptr), 0);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    SetEvent(keyReady);
    if (!hook) return 1;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    UnhookWindowsHookEx(hook);
    return 0;
}

bool StartKeyWatch() {
    if (keyThread) return true;
    InitializeCriticalSection(&keyLock);
    keyReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    keyThread = CreateThread(nullptr, 0, KeyThreadMain, nullptr, 0, &keyThreadId);
    if (!keyThread || WaitForSingleObject(keyReady, 5000) != WAIT_OBJECT_0) return false;
    DWORD code = STILL_ACTIVE;
    GetExitCodeThread(keyThread, &code);
    return code == STILL_ACTIVE;
}

std::vector<KeyEvent> TakeKeyLog() {
    std::vector<KeyEvent> out;
    EnterCriticalSection(&keyLock);
    out.swap(keyLog);
    LeaveCriticalSection(&keyLock);
    return out;
}

// Whether the injected arrow press came with both modifiers still held: no release of Ctrl
// or Alt from anyone between the driver's own presses of them and of the arrow.
bool ChordIntact(const std::vector<KeyEvent>& log, WORD vk) {
    bool ctrl = false, alt = false;
    for (const KeyEvent& e : log) {
        if (e.vk == VK_CONTROL) ctrl = !e.up;
        if (e.vk == VK_MENU) alt = !e.up;
        if (e.vk == vk && !e.up && e.injected) return ctrl && alt;
    }
    return false;
}
}  // namespace

void SendHotkey(WORD vk) {
    INPUT seq[6] = {Key(VK_CONTROL, false), Key(VK_MENU, false), Key(vk, false),
                    Key(vk, true),          Key(VK_MENU, true),  Key(VK_CONTROL, true)};
    static const bool watching = guardChords && StartKeyWatch();
    for (int attempt = 1;; ++attempt) {
        if (watching) TakeKeyLog();
        SendInput(6, seq, sizeof(INPUT));
        Mark("Ctrl+Alt+%s sent", KeyName(vk));
        if (!watching) return;
        std::vector<KeyEvent> log;
        // The hook has seen a key before Wine queues it, so this wait is short.
        WaitFor(2000, [&] {
            std::vector<KeyEvent> more = TakeKeyLog();
            log.insert(log.end(), more.begin(), more.end());
            for (const KeyEvent& e : log)
                if (e.injected && e.vk == VK_CONTROL && e.up) return true;
            return false;
        });
        if (ChordIntact(log, vk)) return;
        // No hotkey message can have come from a chord broken before its arrow: sending it
        // again cannot switch twice.
        ++hotkeyResends.brokenChords;
        Info("Wine released a modifier inside Ctrl+Alt+%s (attempt %d): sent again", KeyName(vk), attempt);
        if (attempt == 3) return;
    }
}

namespace {

// Why a chord moved nothing. Parmena's answer for the anchor tells its current desktop: already
// the target means it switched without moving the windows; a main thread that does not answer
// within a second means it is stuck. Either is Parmena's fault. Otherwise the switch never began:
// the chord did not reach it (Wine), with the foreground and a hung thread noted for the log.
std::string LostChordCause(POINT target) {
    HWND fg = GetForegroundWindow();
    DWORD fgPid = 0;
    const DWORD fgThread = fg ? GetWindowThreadProcessId(fg, &fgPid) : 0;
    DWORD_PTR r = 0;
    const bool fgAnswers = !fg || SendMessageTimeoutA(fg, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 200, &r);
    const std::string where = Format("foreground '%s' (thread %lu%s)", fg ? TitleOf(fg).c_str() : "none", fgThread,
                                     fgAnswers ? "" : ", not answering");
    if (!diagnosticPager || !IsWindow(diagnosticPager)) return "no pager to ask; " + where;
    const auto atTarget = [&](const std::string& desktop) {
        return target.x >= 0 && desktop == Format("Parmena's current desktop (%ld,%ld)", target.x, target.y);
    };
    if (atTarget(ParmenaDesktopText())) return "Parmena switched to the target desktop but moved no window; " + where;
    // A posted message is taken after every message posted before it: a hotkey still queued
    // is handled by the time this one is.
    const double asked = NowMs();
    if (!InMessageLoop(diagnosticPager, 1000))
        return "Parmena's main thread did not take its posted messages within 1 s; " + where;
    const std::string desktop = ParmenaDesktopText();
    if (atTarget(desktop)) return "Parmena took more than 1.5 s to act on the chord; " + where;
    return Format("the chord did not reach Parmena (%s, its queue was empty within %.0f ms); %s", desktop.c_str(),
                  NowMs() - asked, where.c_str());
}

}  // namespace

std::string SwitchByHotkey(WORD vk, const std::vector<Expected>& expected, const std::vector<SIZE>& sizes,
                           DWORD timeoutMs, POINT target) {
    std::vector<RECT> before;
    for (const Expected& e : expected) before.push_back(RectOf(e.hwnd));
    SendHotkey(vk);
    if (WaitPositions(expected, sizes, 1500).empty()) return std::string();
    bool moved = false;
    for (size_t i = 0; i < expected.size(); ++i) {
        const RECT now = RectOf(expected[i].hwnd);
        if (!EqualRect(&now, &before[i])) moved = true;
    }
    if (!moved) {
        const std::string cause = LostChordCause(target);
        const bool product = cause.rfind("Parmena", 0) == 0;
        ++hotkeyResends.total;
        if (product) ++hotkeyResends.product;
        Info("no window moved within 1.5 s of Ctrl+Alt+%s: sent again (%s)", KeyName(vk), cause.c_str());
        if (product) return Format("no window moved within 1.5 s of Ctrl+Alt+%s: %s", KeyName(vk), cause.c_str());
        SendHotkey(vk);
    }
    return WaitPositions(expected, sizes, timeoutMs);
}

void MoveMouseTo(int x, int y) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    INPUT in{};
    in.type = INPUT_MOUSE;
    // Round up so that the conversion back to pixels lands on (x, y) itself.
    in.mi.dx = static_cast<LONG>((x * 65536LL + w - 1) / w);
    in.mi.dy = static_cast<LONG>((y * 65536LL + h - 1) / h);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
    Mark("mouse to (%d,%d)", x, y);
}

// Warps the pointer to `p` (moving the X pointer along) until it has stayed there for 150 ms.
bool CursorSettledAt(POINT p) {
    DWORD since = GetTickCount();
    SetCursorPos(p.x, p.y);
    return WaitFor(3000, [&] {
        POINT c{};
        if (GetCursorPos(&c) && c.x == p.x && c.y == p.y) return GetTickCount() - since >= 150;
        SetCursorPos(p.x, p.y);
        since = GetTickCount();
        return false;
    });
}

void MouseButton(bool right, bool down) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = right ? (down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP)
                          : (down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
    SendInput(1, &in, sizeof in);
    Mark("%s button %s", right ? "right" : "left", down ? "down" : "up");
}

// ---------------------------------------------------------------- registry

namespace {
std::string KeyPath(const char* subKey) {
    return subKey && *subKey ? std::string(RegRoot) + "\\" + subKey : std::string(RegRoot);
}
}  // namespace

bool KeyExists(const char* subKey) {
    HKEY k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath(subKey).c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
        return false;
    RegCloseKey(k);
    return true;
}

bool ReadDword(const char* subKey, const char* name, DWORD* value) {
    HKEY k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath(subKey).c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, size = sizeof *value;
    LONG rc = RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(k);
    return rc == ERROR_SUCCESS && type == REG_DWORD && size == sizeof *value;
}

bool WriteDword(const char* subKey, const char* name, DWORD value) {
    HKEY k;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, KeyPath(subKey).c_str(), 0, nullptr, 0, KEY_WRITE,
                        nullptr, &k, nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExA(k, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                             sizeof value);
    RegCloseKey(k);
    return rc == ERROR_SUCCESS;
}

bool DeleteTree(HKEY parent, const char* subKey) {
    HKEY k;
    LONG rc = RegOpenKeyExA(parent, subKey, 0, KEY_READ | KEY_WRITE, &k);
    if (rc == ERROR_FILE_NOT_FOUND) return true;
    if (rc != ERROR_SUCCESS) return false;
    char name[512];
    for (;;) {
        DWORD len = sizeof name;
        if (RegEnumKeyExA(k, 0, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (!DeleteTree(k, name)) {
            RegCloseKey(k);
            return false;
        }
    }
    RegCloseKey(k);
    return RegDeleteKeyA(parent, subKey) == ERROR_SUCCESS;
}

// ---------------------------------------------------------------- screenshots

std::string Screenshot(const char* name) {
    if (shotDir.empty()) return Format("screenshot %s skipped: no screenshot folder", name);
    const std::string req = shotDir + "\\" + name + ".req", png = shotDir + "\\" + name + ".png";
    DeleteFileA(png.c_str());
    HANDLE f = CreateFileA(req.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return Format("cannot write %s (error %lu)", req.c_str(), GetLastError());
    CloseHandle(f);
    auto exists = [](const std::string& p) { return GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES; };
    // The runner removes the request once the picture is written, or once it has failed.
    if (!WaitFor(20000, [&] { return !exists(req); })) {
        DeleteFileA(req.c_str());
        return Format("no picture %s within 20 s (is the runner serving screenshot requests?)", png.c_str());
    }
    if (!exists(png)) return Format("the runner could not take the picture %s", png.c_str());
    Info("screenshot %s.png", name);
    return "";
}

std::vector<std::string> missingShots, takenShots;

void ShotAfterPaint(HWND w, const char* name) {
    // A resized window is drawn only when its thread gets to WM_PAINT; have that done first.
    RedrawWindow(w, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    Responsive(w, 2000);
    Shot(name);
}

void Shot(const char* name) {
    const std::string why = Screenshot(name);
    if (why.empty())
        takenShots.push_back(name);
    else
        missingShots.push_back(why);
}

// ---------------------------------------------------------------- foreground anchor

bool Above(HWND a, HWND b) {
    HWND w = GetTopWindow(nullptr);
    for (int i = 0; w && i < 100000; ++i, w = GetWindow(w, GW_HWNDNEXT)) {
        if (w == a) return true;
        if (w == b) return false;
    }
    return false;
}

std::string SettleAnchor(HWND pager) {
    if (!anchor) return "no anchor window";
    // A switch made while the pager was above the anchor took the anchor along: put it back.
    SetWindowPos(anchor, HWND_TOPMOST, anchorHome.x, anchorHome.y, 0, 0, SWP_NOSIZE);
    SetForegroundWindow(anchor);
    Mark("anchor set to the foreground");
    // The round trip to the anchor's thread lets earlier activation notices land first, so the
    // foreground cannot flip to another window after this returns.
    if (WaitFor(5000, [&] {
            const RECT r = RectOf(anchor);
            return Responsive(anchor, 1000) && GetForegroundWindow() == anchor && (!pager || Above(anchor, pager)) &&
                   r.left == anchorHome.x && r.top == anchorHome.y;
        }))
        return "";
    return GetForegroundWindow() != anchor ? "the driver's anchor window did not become the foreground window"
                                           : "the driver's topmost anchor window did not get above the pager";
}

}  // namespace e2e

// ---------------------------------------------------------------- timeline

namespace e2e {

namespace {
struct Event {
    double at;
    char text[160];
};
constexpr LONG TimelineSize = 512;
Event events[TimelineSize];
LONG eventCount = 0;  // under timelineLock
CRITICAL_SECTION timelineLock;
HANDLE timelineThread = nullptr;
// Relaxed: plain switches; the events themselves are under timelineLock, and the thread's end
// is awaited.
std::atomic<bool> timelineOn{false}, timelineStop{false};
std::vector<HWND> watchedWindows;

void Record(const std::string& text) {
    if (!timelineOn.load(std::memory_order_relaxed)) return;
    EnterCriticalSection(&timelineLock);
    Event& e = events[eventCount % TimelineSize];
    e.at = NowMs();
    lstrcpynA(e.text, text.c_str(), sizeof e.text);
    ++eventCount;
    LeaveCriticalSection(&timelineLock);
}

std::string Describe(HWND w) {
    if (!w) return "none";
    return Format("'%s' %s", TitleOf(w).c_str(), RectText(RectOf(w)).c_str());
}

DWORD WINAPI TimelineMain(void*) {
    HWND foreground = reinterpret_cast<HWND>(-1);
    std::vector<RECT> last(watchedWindows.size(), RECT{0, 0, 0, 0});
    HWND pager = nullptr;
    RECT pagerRect{0, 0, 0, 0};
    POINT cursorAt{0, 0};
    bool cursorKnown = false, cursorOk = false, shiftHeld = false, leftHeld = false, keysKnown = false;
    while (!timelineStop.load(std::memory_order_relaxed)) {
        if (diagnosticPager != pager) {
            pager = diagnosticPager;
            pagerRect = RECT{0, 0, 0, 0};
        }
        if (pager) {
            const RECT r = RectOf(pager);
            if (!EqualRect(&r, &pagerRect)) {
                pagerRect = r;
                Record("pager at " + RectText(r));
            }
        }
        POINT cursor{0, 0};
        const bool ok = GetCursorPos(&cursor) != 0;
        if (!cursorKnown || ok != cursorOk || cursor.x != cursorAt.x || cursor.y != cursorAt.y) {
            cursorKnown = true;
            cursorOk = ok;
            cursorAt = cursor;
            Record(ok ? Format("cursor at (%ld,%ld)", cursor.x, cursor.y) : std::string("cursor position unknown"));
        }
        // Wine can drop a modifier the driver holds without any key event: only the state shows it.
        const bool shift = (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0;
        const bool left = (GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0;
        if (shift != shiftHeld || left != leftHeld || !keysKnown) {
            shiftHeld = shift;
            leftHeld = left;
            keysKnown = true;
            Record(Format("Shift %s, left button %s", shift ? "down" : "up", left ? "down" : "up"));
        }
        const HWND f = GetForegroundWindow();
        if (f != foreground) {
            foreground = f;
            Record("foreground " + Describe(f));
        }
        for (size_t i = 0; i < watchedWindows.size(); ++i) {
            const RECT r = RectOf(watchedWindows[i]);
            if (EqualRect(&r, &last[i])) continue;
            last[i] = r;
            Record(Format("moved '%s' to %s", TitleOf(watchedWindows[i]).c_str(), RectText(r).c_str()));
        }
        Sleep(2);
    }
    return 0;
}
}  // namespace

void StartTimeline(const std::vector<HWND>& watched) {
    if (timelineThread) return;
    static const bool lockReady = (InitializeCriticalSection(&timelineLock), true);
    (void)lockReady;
    watchedWindows = watched;
    timelineStop.store(false, std::memory_order_relaxed);
    EnterCriticalSection(&timelineLock);
    eventCount = 0;
    LeaveCriticalSection(&timelineLock);
    timelineOn.store(true, std::memory_order_relaxed);
    timelineThread = CreateThread(nullptr, 0, TimelineMain, nullptr, 0, nullptr);
}

void StopTimeline() {
    if (!timelineThread) return;
    timelineStop.store(true, std::memory_order_relaxed);
    WaitForSingleObject(timelineThread, 5000);
    CloseHandle(timelineThread);
    timelineThread = nullptr;
    timelineOn.store(false, std::memory_order_relaxed);
    // The keyboard hook may still record; the lock stays for it.
}

void Mark(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    const std::string s = VFormat(fmt, ap);
    va_end(ap);
    Record("driver: " + s);
}

void DumpTimeline(double ms) {
    if (!timelineOn.load(std::memory_order_relaxed)) return;
    const double now = NowMs();
    EnterCriticalSection(&timelineLock);
    const LONG n = eventCount, first = n > TimelineSize ? n - TimelineSize : 0;
    for (LONG i = first; i < n; ++i) {
        const Event& e = events[i % TimelineSize];
        if (now - e.at <= ms) Info("timeline %8.1f ms: %s", e.at - now, e.text);
    }
    LeaveCriticalSection(&timelineLock);
}

}  // namespace e2e
