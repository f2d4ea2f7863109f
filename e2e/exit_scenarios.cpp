// The ways Parmena can end besides a plain Close: killed, logged off, crashed, told to quit
// from outside, closed with its settings open. Each starts its own Parmena on desktop (1,0) or
// (1,1) and checks that the windows come home. Then the soak: a long random mix of switches
// while windows open, close and hang, ending with a Close that must bring every window home.
#ifndef PSAPI_VERSION
#define PSAPI_VERSION 2  // GetProcessMemoryInfo from kernel32
#endif
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "e2e/scene.h"

namespace e2e {

namespace {

constexpr WPARAM CmdSettings = 102, CmdClose = 103;

// ---------------------------------------------------------------- the running mark

// "Session" in Preferences while a run is going: column, row, width and height of the virtual
// screen, its origin, flags.
constexpr DWORD SessionMarkSize = 28;
struct SessionMark {
    bool present = false;
    DWORD type = 0, size = 0;
    std::int32_t v[7] = {0, 0, 0, 0, 0, 0, 0};
};

std::string PreferencesPath() { return std::string(RegRoot) + "\\Preferences"; }

SessionMark ReadSessionMark() {
    SessionMark m;
    HKEY k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, PreferencesPath().c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return m;
    BYTE data[64];
    m.size = sizeof data;
    m.present = RegQueryValueExA(k, "Session", nullptr, &m.type, data, &m.size) == ERROR_SUCCESS;
    RegCloseKey(k);
    if (m.present && m.size >= sizeof m.v) memcpy(m.v, data, sizeof m.v);
    return m;
}

bool WriteSessionMark(std::int32_t column, std::int32_t row, std::int32_t width, std::int32_t height) {
    HKEY k;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, PreferencesPath().c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const std::int32_t v[7] = {column, row, width, height, 0, 0, 0};
    const bool ok = RegSetValueExA(k, "Session", 0, REG_BINARY, reinterpret_cast<const BYTE*>(v), sizeof v) == ERROR_SUCCESS;
    RegCloseKey(k);
    return ok;
}

void DeleteSessionMark() {
    HKEY k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, PreferencesPath().c_str(), 0, KEY_SET_VALUE, &k) != ERROR_SUCCESS) return;
    RegDeleteValueA(k, "Session");
    RegCloseKey(k);
}

std::string MarkText(const SessionMark& m) {
    if (!m.present) return "absent";
    if (m.type != REG_BINARY || m.size != SessionMarkSize) return Format("of type %lu and %lu bytes", m.type, m.size);
    return Format("desktop (%d,%d), screen %dx%d at (%d,%d), flags %d", m.v[0], m.v[1], m.v[2], m.v[3], m.v[4],
                  m.v[5], m.v[6]);
}

bool MarkIs(const SessionMark& m, int column, int row) {
    return m.present && m.type == REG_BINARY && m.size == SessionMarkSize && m.v[0] == column && m.v[1] == row &&
           m.v[2] == scene.screenW && m.v[3] == scene.screenH && m.v[4] == 0 && m.v[5] == 0;
}

// Once the windows are home, a mark naming another desktop would have the next start take the
// home windows for windows of that desktop.
void CheckMarkAfterRestore(Outcome& o, const char* how) {
    const SessionMark m = ReadSessionMark();
    o.Check(!m.present || MarkIs(m, 0, 0), "after %s the windows are home but the registry value \"Session\" is %s",
            how, MarkText(m).c_str());
}

// ---------------------------------------------------------------- common steps

struct Home {
    std::vector<HWND> ws;
    std::vector<RECT> base;
    std::vector<SIZE> sizes;
    std::vector<Expected> At(int column, int row) const {
        return Shifted(ws, base, -column * scene.screenW, -row * scene.screenH);
    }
};

Home SceneHome() {
    Home h;
    h.ws = scene.Managed();
    h.base = Rects(h.ws);
    h.sizes = Sizes(h.base);
    return h;
}

// Every scene window at home before the next scenario, whatever this one left behind.
void Recover(Parmena& p, const Home& h) {
    EndParmena(p);
    for (size_t i = 0; i < h.ws.size(); ++i) PutOnDesktop(h.ws[i], h.base[i], 0, 0);
    DeleteSessionMark();
}

bool StartAt(Outcome& o, Parmena& p, const Home& h, int column, int row) {
    if (!o.Expect(StartParmena(p), "Parmena did not start")) return false;
    o.Expect(SettleAnchor(p.pager));
    if (column > 0 && !o.Expect(SwitchByHotkey(VK_RIGHT, h.At(1, 0), h.sizes, 8000), "Ctrl+Alt+Right")) return false;
    if (row > 0 && !o.Expect(SwitchByHotkey(VK_DOWN, h.At(1, 1), h.sizes, 8000), "Ctrl+Alt+Down")) return false;
    return true;
}

// Waits for the end and an exit code of 0.
bool ExpectEnd(Outcome& o, Parmena& p, DWORD timeoutMs, const char* how) {
    DWORD code = 1234;
    const bool ended = WaitExit(p, timeoutMs, &code);
    o.Check(ended, "Parmena did not end within %lu s of %s (its dialogs: %s)", timeoutMs / 1000, how,
            DialogsOf(p.pi.dwProcessId).c_str());
    if (ended) o.Check(code == 0, "Parmena ended with exit code 0x%lx after %s", code, how);
    return ended;
}

BOOL CALLBACK CollectDialog(HWND w, LPARAM lp) {
    char cls[64];
    if (IsWindowVisible(w) && GetClassNameA(w, cls, sizeof cls) && lstrcmpA(cls, "#32770") == 0) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        *reinterpret_cast<std::string*>(lp) += Format(" \"%s\" (process %lu)", TitleOf(w).c_str(), pid);
    }
    return TRUE;
}

// Visible dialogs of every process, for a crash that ends in a debugger's box instead.
std::string AllDialogs() {
    std::string text;
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&text));
    return text.empty() ? " none" : text;
}

// ---------------------------------------------------------------- scenarios

void KillRecovery(const Home& h) {
    Outcome o;
    Parmena p;
    if (StartAt(o, p, h, 1, 1)) {
        // Written with the step, after its moves: the windows may arrive a moment before it.
        SessionMark m;
        WaitFor(5000, [&] { return MarkIs(m = ReadSessionMark(), 1, 1); });
        o.Check(MarkIs(m, 1, 1), "on desktop (1,1) the registry value \"Session\" is %s", MarkText(m).c_str());
        TerminateProcess(p.pi.hProcess, 1);
        DWORD code;
        o.Check(WaitExit(p, 10000, &code), "parmena.exe did not end within 10 s of TerminateProcess");
        EndParmena(p);
        // Nothing restores after a kill: this is the state the next start has to recognise.
        o.Expect(WaitPositions(h.At(1, 1), h.sizes, 0), "right after the kill");
        if (o.Expect(StartParmena(p), "Parmena did not start after the kill")) {
            o.Expect(SettleAnchor(p.pager));
            if (o.Expect(SwitchByHotkey(VK_LEFT, h.At(0, 1), h.sizes, 8000),
                         "Ctrl+Alt+Left after the restart (desktop (1,1) taken up again?)"))
                o.Expect(SwitchByHotkey(VK_UP, h.At(0, 0), h.sizes, 8000), "Ctrl+Alt+Up after the restart");
            PostMessageA(p.pager, WM_COMMAND, CmdClose, 0);
            if (ExpectEnd(o, p, 20000, "the Close command"))
                o.Expect(WaitPositions(h.At(0, 0), h.sizes, 5000), "after the Close command");
            const SessionMark after = ReadSessionMark();
            o.Check(!after.present, "after a clean Close the registry value \"Session\" is still there: %s",
                    MarkText(after).c_str());
        }
    }
    Recover(p, h);
    Report("exit_kill_recovery", o);
}

// A run killed on desktop (1,1) of a larger screen: the next start takes that desktop up again
// and lays the windows out for this screen, each on its own desktop.
void KillOtherScreen(const Home& h) {
    Outcome o;
    Parmena p;
    constexpr int OldW = 1280, OldH = 1024;
    bool placed = true;
    // Where a kill on desktop (1,1) of a 1280x1024 screen leaves the windows of desktop (0,0).
    for (size_t i = 0; i < h.ws.size(); ++i) {
        const int x = h.base[i].left - OldW, y = h.base[i].top - OldH;
        SetWindowPos(h.ws[i], nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        placed = WaitFor(5000, [&] { RECT r = RectOf(h.ws[i]); return r.left == x && r.top == y; }) && placed;
    }
    o.Check(placed, "could not place the windows where a run killed on desktop (1,1) leaves them");
    o.Check(WriteSessionMark(1, 1, OldW, OldH), "could not write the registry value \"Session\"");
    if (o.Ok() && o.Expect(StartParmena(p), "Parmena did not start over the mark of a 1280x1024 run")) {
        o.Expect(WaitPositions(h.At(1, 1), h.sizes, 10000), "after the start that found the mark of a 1280x1024 run");
        o.Expect(SettleAnchor(p.pager));
        if (o.Expect(SwitchByHotkey(VK_LEFT, h.At(0, 1), h.sizes, 8000), "Ctrl+Alt+Left after the re-layout"))
            o.Expect(SwitchByHotkey(VK_UP, h.At(0, 0), h.sizes, 8000), "Ctrl+Alt+Up after the re-layout");
        PostMessageA(p.pager, WM_COMMAND, CmdClose, 0);
        ExpectEnd(o, p, 20000, "the Close command");
    }
    Recover(p, h);
    Report("exit_kill_other_screen", o);
}

// ---------------------------------------------------------------- display changes

bool SetResolution(int width, int height) {
    DEVMODEA dm{};
    dm.dmSize = sizeof dm;
    dm.dmPelsWidth = DWORD(width);
    dm.dmPelsHeight = DWORD(height);
    dm.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    if (ChangeDisplaySettingsExA(nullptr, &dm, nullptr, 0, nullptr) != DISP_CHANGE_SUCCESSFUL) return false;
    return WaitFor(5000, [&] {
        return GetSystemMetrics(SM_CXSCREEN) == width && GetSystemMetrics(SM_CYSCREEN) == height;
    });
}

struct Desk {
    int column, row;
};

// Empty when every window lies on its own desktop, with the view on (vc, vr) of a width x height
// screen, and has its title bar on the screen when its desktop is shown; else the first that does not.
std::string Misplaced(const Home& h, const std::vector<Desk>& desks, int vc, int vr, int width, int height) {
    for (size_t i = 0; i < h.ws.size(); ++i) {
        const RECT r = RectOf(h.ws[i]);
        const int dc = desks[i].column - vc, dr = desks[i].row - vr;
        const int left = r.left - dc * width, top = r.top - dr * height;
        const int cx = left + (r.right - r.left) / 2, cy = top + (r.bottom - r.top) / 2;
        if (cx < 0 || cx >= width || cy < 0 || cy >= height)
            return Format("\"%s\" at %s is not on desktop (%d,%d)", TitleOf(h.ws[i]).c_str(), RectText(r).c_str(),
                          desks[i].column, desks[i].row);
        if (left < -8 || left > width - 16 || top < -8 || top + 20 > height)
            return Format("\"%s\" at %s has its title bar out of reach on desktop (%d,%d)", TitleOf(h.ws[i]).c_str(),
                          RectText(r).c_str(), desks[i].column, desks[i].row);
    }
    return "";
}

std::string WaitPlaced(const Home& h, const std::vector<Desk>& desks, int vc, int vr, int width, int height) {
    std::string why;
    WaitFor(10000, [&] { return (why = Misplaced(h, desks, vc, vr, width, height)).empty(); });
    return why;
}

// The story of a change of resolution: windows on several desktops, the view on (2,1), the screen
// shrinks to 800x600, the view goes back to (0,0), the screen grows again, and Close folds.
void DisplayResolution(const Home& h) {
    Outcome o;
    Parmena p;
    const POINT anchorWas = anchorHome;
    // The anchor stays in sight on the smaller screen.
    SetWindowPos(anchor, nullptr, 10, 500, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    anchorHome = POINT{10, 500};
    std::vector<Desk> desks;
    const Desk spread[] = {{0, 0}, {1, 0}, {2, 1}, {0, 1}, {1, 1}, {2, 2}};
    bool placed = true;
    for (size_t i = 0; i < h.ws.size(); ++i) {
        desks.push_back(spread[i % 6]);
        placed = PutOnDesktop(h.ws[i], h.base[i], desks[i].column, desks[i].row) && placed;
    }
    o.Check(placed, "could not put the windows on their desktops");
    std::vector<SIZE> sizes = h.sizes;
    auto step = [&](WORD vk, int dx, int dy, const char* what) {
        return o.Expect(SwitchByHotkey(vk, Shifted(h.ws, Rects(h.ws), dx, dy), sizes, 8000), what);
    };
    if (o.Ok() && o.Expect(StartParmena(p), "Parmena did not start")) {
        o.Expect(SettleAnchor(p.pager));
        const int W = scene.screenW, H = scene.screenH;
        if (step(VK_RIGHT, -W, 0, "Ctrl+Alt+Right") && step(VK_RIGHT, -W, 0, "Ctrl+Alt+Right again") &&
            step(VK_DOWN, 0, -H, "Ctrl+Alt+Down") &&
            o.Check(SetResolution(800, 600), "the resolution did not change to 800x600") &&
            o.Expect(WaitPlaced(h, desks, 2, 1, 800, 600), "at 800x600 on desktop (2,1)")) {
            ShotAfterPaint(p.pager, "display-800x600");
            if (step(VK_LEFT, 800, 0, "Ctrl+Alt+Left at 800x600") &&
                step(VK_LEFT, 800, 0, "Ctrl+Alt+Left again at 800x600") &&
                step(VK_UP, 0, 600, "Ctrl+Alt+Up at 800x600") &&
                o.Expect(WaitPlaced(h, desks, 0, 0, 800, 600), "at 800x600 on desktop (0,0)") &&
                o.Check(SetResolution(W, H), "the resolution did not change back to %dx%d", W, H))
                o.Expect(WaitPlaced(h, desks, 0, 0, W, H), "back at 1024x768 on desktop (0,0)");
        }
        PostMessageA(p.pager, WM_COMMAND, CmdClose, 0);
        if (ExpectEnd(o, p, 20000, "the Close command")) {
            // The fold: every title bar on the screen.
            std::vector<Desk> home(h.ws.size(), Desk{0, 0});
            o.Expect(WaitPlaced(h, home, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)),
                     "after the Close command folded");
        }
    }
    // Whatever happened, later scenarios find the screen as it was.
    if (GetSystemMetrics(SM_CXSCREEN) != scene.screenW || GetSystemMetrics(SM_CYSCREEN) != scene.screenH)
        o.Check(SetResolution(scene.screenW, scene.screenH), "could not restore %dx%d", scene.screenW, scene.screenH);
    anchorHome = anchorWas;
    SetWindowPos(anchor, nullptr, anchorWas.x, anchorWas.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Recover(p, h);
    Report("display_resolution", o);
}

// The end of a logoff: the session ends the process right after WM_ENDSESSION (TRUE) is answered,
// so later moves would never happen.
void EndSession(Outcome& o, Parmena& p, const Home& h, const char* how) {
    DWORD_PTR answer = 0;
    o.Check(SendMessageTimeoutA(p.pager, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 15000, &answer) != 0,
            "WM_ENDSESSION was not answered within 15 s");
    o.Expect(WaitPositions(h.At(0, 0), h.sizes, 300), "when WM_ENDSESSION (TRUE) returned");
    TerminateProcess(p.pi.hProcess, 0);
    DWORD code;
    WaitExit(p, 10000, &code);
    o.Expect(WaitPositions(h.At(0, 0), h.sizes, 2000), "after the process was ended");
    CheckMarkAfterRestore(o, how);
}

void Logoff(const Home& h) {
    Outcome o;
    Parmena p;
    if (StartAt(o, p, h, 1, 0)) {
        DWORD_PTR answer = 0;
        const bool asked = SendMessageTimeoutA(p.pager, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 15000, &answer) != 0;
        o.Check(asked, "WM_QUERYENDSESSION was not answered within 15 s");
        if (asked) o.Check(answer != 0, "WM_QUERYENDSESSION was answered FALSE: the logoff was refused");
        EndSession(o, p, h, "WM_ENDSESSION");
    }
    Recover(p, h);
    Report("exit_logoff", o);
}

// A switch already queued behind the Close (the hook library's, here) must not take the windows
// out again once the Close has brought them home.
void CloseWithASwitchQueued(const Home& h) {
    constexpr UINT MsgHookSwitch = WM_USER + 43;
    Outcome o;
    Parmena p;
    if (StartAt(o, p, h, 1, 0)) {
        PostMessageA(p.pager, WM_COMMAND, CmdClose, 0);
        PostMessageA(p.pager, MsgHookSwitch, 1, 0);
        if (ExpectEnd(o, p, 20000, "the Close command with a switch queued behind it"))
            o.Expect(WaitPositions(h.At(0, 0), h.sizes, 3000), "after the Close with a switch queued behind it");
        CheckMarkAfterRestore(o, "the Close with a switch queued behind it");
    }
    Recover(p, h);
    Report("exit_close_switch_queued", o);
}

// A test window answers the switch's probe by sending the logoff query: the fold it causes runs
// inside the switch, and the rest of that switch must not move the windows out again.
void LogoffInsideASwitch(const Home& h) {
    Outcome o;
    Parmena p;
    if (StartAt(o, p, h, 0, 0)) {
        logoffOnProbe = p.pager;
        SendHotkey(VK_RIGHT);
        o.Check(WaitFor(5000, [] { return logoffOnProbe.load() == nullptr; }),
                "no test window was asked by a switch within 5 s of Ctrl+Alt+Right");
        logoffOnProbe = nullptr;
        o.Check(InMessageLoop(p.pager, 10000), "the pager did not come back to its message loop after the switch");
        o.Expect(WaitPositions(h.At(0, 0), h.sizes, 1000), "after the switch the logoff query came into");
        EndSession(o, p, h, "the logoff inside a switch");
    }
    Recover(p, h);
    Report("exit_logoff_mid_switch", o);
}

// The hung window answers the move thread's question and sleeps 9 s before its move: the exit
// must not wait for it, and once it wakes it still comes home.
void WindowHangsAgainAfterAnswering(const Home& h, bool rescale) {
    const char* name = rescale ? "exit_hang_after_answer" : "exit_hang_after_answer_no_rescale";
    Outcome o;
    Parmena p;
    o.Check(WriteDword("Preferences", "Rescale On Exit", rescale ? 1 : 0), "could not set \"Rescale On Exit\"");
    std::vector<Expected> others;
    std::vector<SIZE> otherSizes;
    const std::vector<Expected> away = h.At(1, 0);
    for (size_t i = 0; i < away.size(); ++i)
        if (away[i].hwnd != scene.stuck->hwnd) {
            others.push_back(away[i]);
            otherSizes.push_back(h.sizes[i]);
        }
    if (o.Ok() && StartAt(o, p, h, 0, 0) &&
        o.Check(StallThread(scene.hungThread, 30000), "the test thread could not be made to hang")) {
        sleepAfterDragIconReply = 9000;
        SendHotkey(VK_RIGHT);
        o.Expect(WaitPositions(others, otherSizes, 8000), "Ctrl+Alt+Right with a hung window");
        UnstallThread(scene.hungThread);
        o.Check(WaitFor(5000, [] { return sleepAfterDragIconReply.load() == 0; }),
                "the move thread did not ask the hung window within 5 s of its recovery");
        Sleep(300);  // the move thread makes its move now, into the sleeping window
        const double closed = NowMs();
        PostMessageA(p.pager, WM_COMMAND, CmdClose, 0);
        if (ExpectEnd(o, p, 20000, "the Close command")) {
            const double took = NowMs() - closed;
            o.Check(took < 4000, "the Close took %.1f s: the exit waited for the window that hung again", took / 1000);
            o.Expect(WaitPositions(h.At(0, 0), h.sizes, 15000), "after the window woke up again");
        }
    }
    sleepAfterDragIconReply = 0;
    WaitFor(12000, [] { return Responsive(scene.stuck->hwnd, 100); });
    Recover(p, h);
    WriteDword("Preferences", "Rescale On Exit", 1);
    Report(name, o);
}

// An access violation in a thread of Parmena's: a remote thread started at an address where no
// code is; where remote threads are refused, the main thread is sent there instead.
std::string Crash(Parmena& p) {
    DWORD tid = 0;
    auto bad = reinterpret_cast<LPTHREAD_START_ROUTINE>(static_cast<ULONG_PTR>(0x10));
    HANDLE t = CreateRemoteThread(p.pi.hProcess, nullptr, 0, bad, nullptr, 0, &tid);
    if (t) {
        Info("access violation raised by a remote thread %lu started at address 0x10", tid);
        CloseHandle(t);
        return "";
    }
    const DWORD why = GetLastError();
    if (SuspendThread(p.pi.hThread) == DWORD(-1))
        return Format("CreateRemoteThread failed (error %lu) and the main thread cannot be suspended", why);
    CONTEXT c{};
    c.ContextFlags = CONTEXT_CONTROL;
    bool set = GetThreadContext(p.pi.hThread, &c) != 0;
#ifdef _WIN64
    c.Rip = 0x10;
#else
    c.Eip = 0x10;
#endif
    set = set && SetThreadContext(p.pi.hThread, &c) != 0;
    ResumeThread(p.pi.hThread);
    if (!set) return Format("CreateRemoteThread failed (error %lu), and so did redirecting the main thread", why);
    Info("CreateRemoteThread failed (error %lu): the main thread was sent to address 0x10 instead", why);
    return "";
}

BOOL CALLBACK CloseCrashBox(HWND w, LPARAM) {
    char cls[64];
    if (IsWindowVisible(w) && GetClassNameA(w, cls, sizeof cls) && lstrcmpA(cls, "#32770") == 0 &&
        TitleOf(w) == "Program Error")
        PostMessageA(w, WM_CLOSE, 0, 0);
    return TRUE;
}

// Wine's crash box, shown when a fault reaches no filter that ends the process; it would keep
// the foreground away from the next scenarios.
void CloseCrashBoxes() {
    if (!WaitFor(10000, [] {
            EnumWindows(CloseCrashBox, 0);
            return AllDialogs().find("\"Program Error\"") == std::string::npos;
        }))
        Info("a \"Program Error\" box stayed open after the crash scenario");
}

void CrashScenario(const Home& h) {
    Outcome o;
    Parmena p;
    if (StartAt(o, p, h, 1, 0) && o.Expect(Crash(p), "no access violation could be raised")) {
        DWORD code = 0;
        if (!WaitExit(p, 30000, &code))
            o.Check(false, "Parmena did not end within 30 s of an access violation (dialogs:%s)", AllDialogs().c_str());
        else
            Info("Parmena ended with exit code 0x%lx after the access violation", code);
        // Folded moves of responsive windows are made before the process ends; a late arrival
        // is still a posted move the windows' own thread makes.
        o.Expect(WaitPositions(h.At(0, 0), h.sizes, 5000), "after the access violation");
        CheckMarkAfterRestore(o, "the access violation");
    }
    Recover(p, h);
    CloseCrashBoxes();
    Report("exit_crash", o);
}

void QuitFromOutside(const Home& h) {
    Outcome o;
    Parmena p;
    if (StartAt(o, p, h, 1, 0)) {
        PostMessageA(p.pager, WM_QUIT, 0, 0);
        if (ExpectEnd(o, p, 20000, "WM_QUIT posted to the pager"))
            o.Expect(WaitPositions(h.At(0, 0), h.sizes, 5000), "after WM_QUIT");
        CheckMarkAfterRestore(o, "WM_QUIT");
    }
    Recover(p, h);
    Report("exit_wm_quit", o);
}

// With the settings dialog open, the pager gets WM_CLOSE (which may be refused with a message
// box) or WM_QUIT (which must end the program).
void SettingsOpenThenEnd(const Home& h, bool quit) {
    const char* name = quit ? "exit_settings_wm_quit" : "exit_settings_wm_close";
    const char* how = quit ? "WM_QUIT with the settings dialog open" : "WM_CLOSE with the settings dialog open";
    Outcome o;
    Parmena p;
    if (StartAt(o, p, h, 1, 0)) {
        const DWORD pid = p.pi.dwProcessId;
        PostMessageA(p.pager, WM_COMMAND, CmdSettings, 0);
        HWND dialog = nullptr;
        WaitFor(20000, [&] { return (dialog = FindProcessWindow(pid, "#32770", "Parmena Settings", true)) != nullptr; });
        if (o.Check(dialog != nullptr, "the settings dialog did not open within 20 s (dialogs: %s)",
                    DialogsOf(pid).c_str())) {
            if (quit) {
                Shot("settings-open-before-quit");
                PostMessageA(p.pager, WM_QUIT, 0, 0);
            } else {
                DWORD_PTR r;
                SendMessageTimeoutA(p.pager, WM_CLOSE, 0, 0, SMTO_NORMAL, 3000, &r);
            }
            HWND refusal = nullptr;
            WaitFor(20000, [&] {
                if (!quit) refusal = FindProcessWindow(pid, "#32770", "Can't close", true);
                return refusal || !Running(p);
            });
            if (refusal) {
                Shot("settings-open-close-refused");
                std::string text;
                o.Check(DismissDialog(pid, "Can't close", 5000, &text), "the refusal box did not close");
                o.Check(text == "You must close the settings dialog first.", "the refusal box says \"%s\"",
                        text.c_str());
                o.Check(Running(p) && IsWindow(dialog), "after the refusal Parmena or its settings dialog is gone");
                o.Expect(WaitPositions(h.At(1, 0), h.sizes, 0), "after the refused WM_CLOSE");
                Info("%s was refused with the message box; the dialog stayed open", how);
                // Refused means unharmed: the dialog closes and a Close still brings everyone home.
                PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                o.Check(WaitFor(10000, [&] { return !IsWindow(dialog); }), "the settings dialog did not close on Cancel");
                PostMessageA(p.pager, WM_COMMAND, CmdClose, 0);
                how = "the Close command after the refusal";
            }
            if (ExpectEnd(o, p, refusal ? 20000 : 10000, how))
                o.Expect(WaitPositions(h.At(0, 0), h.sizes, 5000), Format("after %s", how).c_str());
            CheckMarkAfterRestore(o, how);
        }
    }
    Recover(p, h);
    Report(name, o);
}

// ---------------------------------------------------------------- soak

// WaitPositions without its failure report, for waits that may go either way.
bool AllAt(const std::vector<Expected>& e, const std::vector<SIZE>& sizes) {
    for (size_t i = 0; i < e.size(); ++i) {
        const RECT r = RectOf(e[i].hwnd);
        if (r.left != e[i].left || r.top != e[i].top || r.right - r.left != sizes[i].cx ||
            r.bottom - r.top != sizes[i].cy)
            return false;
    }
    return true;
}

struct SoakWindow {
    HWND hwnd;
    WindowThread* owner;  // null: a scene window, never closed or hung here
    TestWindow* test;     // null for the foreign notepad
    int column, row;      // the desktop it lives on
    RECT home;            // its place whenever its desktop is on screen
};

struct Usage {
    bool ok = false;
    SIZE_T privateBytes = 0, pagefile = 0, workingSet = 0;
    DWORD handles = 0;
    std::string why;  // what could not be read
};

// The system's handle table, counted for one process. GetProcessHandleCount of another process
// answers 0 under Wine; this table is kept by its server and is complete.
bool CountHandles(DWORD pid, DWORD* count) {
    struct Entry {
        USHORT process, backTrace;
        UCHAR type, attributes;
        USHORT value;
        PVOID object;
        ULONG access;
    };
    struct Table {
        ULONG count;
        Entry entries[1];
    };
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    constexpr ULONG SystemHandleInformation = 16;
    constexpr LONG LengthMismatch = LONG(0xC0000004);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return false;
    std::vector<unsigned char> buffer(1 << 16);
    for (int tries = 0; tries < 12; ++tries) {
        ULONG needed = 0;
        const LONG status = query(SystemHandleInformation, buffer.data(), ULONG(buffer.size()), &needed);
        if (status == LengthMismatch) {
            buffer.resize(std::max<size_t>(buffer.size() * 2, size_t(needed) + 4096));
            continue;
        }
        if (status < 0) return false;
        const auto* table = reinterpret_cast<const Table*>(buffer.data());
        const size_t room = (buffer.size() - offsetof(Table, entries)) / sizeof(Entry);
        *count = 0;
        for (size_t i = 0; i < table->count && i < room; ++i)
            if (table->entries[i].process == USHORT(pid)) ++*count;
        return true;
    }
    return false;
}

Usage Sample(const Parmena& p) {
    Usage u;
    PROCESS_MEMORY_COUNTERS_EX m{};
    m.cb = sizeof m;
    if (!GetProcessMemoryInfo(p.pi.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m), sizeof m))
        u.why += Format(" GetProcessMemoryInfo failed (error %lu);", GetLastError());
    if (!CountHandles(p.pi.dwProcessId, &u.handles)) u.why += " the system handle table could not be read;";
    u.privateBytes = m.PrivateUsage;
    u.pagefile = m.PagefileUsage;
    u.workingSet = m.WorkingSetSize;
    if (u.why.empty() && (u.handles == 0 || u.workingSet == 0))
        u.why = Format(" zeros read: working set %zu, %lu handles", size_t(u.workingSet), u.handles);
    u.ok = u.why.empty();
    return u;
}

std::string UsageText(const Usage& u) {
    return Format("private %.1f MB, commit %.1f MB, working set %.1f MB, %lu handles",
                  double(u.privateBytes) / 1048576.0, double(u.pagefile) / 1048576.0,
                  double(u.workingSet) / 1048576.0, u.handles);
}

// Growth allowed between the early and the late sample: heaps settle in steps, a leak per switch
// or per window does not stop.
constexpr SIZE_T MemorySlack = 4u << 20;
constexpr DWORD HandleSlack = 24;
constexpr size_t MaxSoakWindows = 10;

struct Soak {
    Parmena* p = nullptr;
    std::mt19937 rng;
    std::vector<SoakWindow> windows;
    WindowThread threads[2];
    int column = 0, row = 0;
    int hotkeys = 0, pagerClicks = 0, activations = 0, opened = 0, closed = 0, hangs = 0, steps = 0, followed = 0;
    int resentDuringHang = 0;

    int Pick(int n) { return n > 0 ? int(rng() % unsigned(n)) : 0; }

    // Where each window should be with the current desktop on screen; `skip` leaves out the
    // windows of one thread.
    void Expectations(std::vector<Expected>* e, std::vector<SIZE>* s, const WindowThread* skip = nullptr) const {
        for (const SoakWindow& w : windows) {
            if (skip && w.owner == skip) continue;
            e->push_back({w.hwnd, int(w.home.left) + (w.column - column) * scene.screenW,
                          int(w.home.top) + (w.row - row) * scene.screenH});
            s->push_back({w.home.right - w.home.left, w.home.bottom - w.home.top});
        }
    }
    // Wine now and then activates another window of the driver for a moment while the driver
    // moves the foreground (seen as "foreground none" and then some window in the timeline);
    // when that window lies on another desktop, Parmena rightly follows it. Such a switch
    // leaves every window consistent with the desktop Parmena reports; any other state is a
    // failure.
    bool FollowedStrayActivation(const std::string& failure) {
        std::vector<Expected> e;
        std::vector<SIZE> z;
        int found = -1;
        WaitFor(3000, [&] {
            for (int cell = 0; cell < 9 && found < 0; ++cell) {
                e.clear();
                z.clear();
                const int c0 = column, r0 = row;
                column = cell % 3;
                row = cell / 3;
                Expectations(&e, &z);
                column = c0;
                row = r0;
                if (AllAt(e, z)) found = cell;
            }
            return found >= 0;
        });
        if (found < 0 || (found % 3 == column && found / 3 == row) ||
            ParmenaDesktopText() != Format("Parmena's current desktop (%d,%d)", found % 3, found / 3))
            return false;
        Info("soak: every window is consistent with desktop (%d,%d), where Parmena is, instead of (%d,%d): it "
             "followed an activation the driver did not make (%s)",
             found % 3, found / 3, column, row, failure.c_str());
        column = found % 3;
        row = found / 3;
        ++followed;
        return true;
    }

    std::string WaitAll(DWORD timeoutMs, const char* context) const {
        std::vector<Expected> e;
        std::vector<SIZE> s;
        Expectations(&e, &s);
        const std::string why = WaitPositions(e, s, timeoutMs);
        return why.empty() ? why : Format("%s (desktop (%d,%d) expected): %s", context, column, row, why.c_str());
    }
};

std::string SoakHotkey(Soak& s, WindowThread* hung = nullptr) {
    struct Move {
        WORD vk;
        int dc, dr;
    };
    std::vector<Move> moves;
    if (s.column > 0) moves.push_back({VK_LEFT, -1, 0});
    if (s.column < 2) moves.push_back({VK_RIGHT, 1, 0});
    if (s.row > 0) moves.push_back({VK_UP, 0, -1});
    if (s.row < 2) moves.push_back({VK_DOWN, 0, 1});
    const Move m = moves[size_t(s.Pick(int(moves.size())))];
    std::string why = SettleAnchor(s.p->pager);
    if (!why.empty()) return why;
    s.column += m.dc;
    s.row += m.dr;
    ++s.hotkeys;
    std::vector<Expected> e;
    std::vector<SIZE> z;
    s.Expectations(&e, &z, hung);
    const int resentBefore = hotkeyResends.total;
    why = SwitchByHotkey(m.vk, e, z, 10000, POINT{s.column, s.row});
    if (hung) s.resentDuringHang += hotkeyResends.total - resentBefore;
    return why.empty() ? why : Format("hotkey switch to (%d,%d)%s: %s", s.column, s.row, hung ? " during a hang" : "", why.c_str());
}

// A spot of the target cell in the pager where no window's miniature lies, so that the first
// press of the double-click cannot take hold of a window.
POINT FreeSpotInCell(const Soak& s, HWND pager, int column, int row) {
    RECT c{0, 0, 0, 0};
    GetClientRect(pager, &c);
    const int W = scene.screenW, H = scene.screenH;
    const double spots[][2] = {{0.5, 0.5}, {0.2, 0.2}, {0.8, 0.8}, {0.2, 0.8}, {0.8, 0.2}, {0.5, 0.15}, {0.5, 0.85}};
    POINT best{0, 0};
    for (size_t i = 0; i < sizeof spots / sizeof spots[0]; ++i) {
        const POINT pt{3 + LONG((c.right - 6) * (column + spots[i][0]) / 3), 3 + LONG((c.bottom - 6) * (row + spots[i][1]) / 3)};
        if (i == 0) best = pt;
        const POINT v{3 * W * pt.x / std::max<LONG>(c.right, 1), 3 * H * pt.y / std::max<LONG>(c.bottom, 1)};
        bool covered = false;
        for (const SoakWindow& w : s.windows) {
            RECT r = w.home;
            OffsetRect(&r, w.column * W, w.row * H);
            InflateRect(&r, 40, 40);
            covered = covered || PtInRect(&r, v);
        }
        if (!covered) return pt;
    }
    return best;
}

std::string SoakPagerClick(Soak& s) {
    int column, row;
    do {
        column = s.Pick(3);
        row = s.Pick(3);
    } while (column == s.column && row == s.row);
    std::string why = SettleAnchor(s.p->pager);
    if (!why.empty()) return why;
    std::vector<Expected> before;
    std::vector<SIZE> sizes;
    s.Expectations(&before, &sizes);
    s.column = column;
    s.row = row;
    ++s.pagerClicks;
    POINT at{0, 0};
    // Under load Wine now and then collapses the pager between the two clicks, and the second
    // one lands on the desktop. A double-click on the cell already current changes nothing, so
    // one that did not act is made again.
    for (int attempt = 1;; ++attempt) {
        why = ExpandPager(*s.p);
        if (!why.empty()) return "expanding the pager: " + why;
        at = FreeSpotInCell(s, s.p->pager, column, row);
        ClientToScreen(s.p->pager, &at);
        MoveMouseTo(at.x, at.y);
        for (int click = 0; click < 2; ++click) {
            MouseButton(false, true);
            MouseButton(false, false);
        }
        std::vector<Expected> after;
        std::vector<SIZE> unused;
        s.Expectations(&after, &unused);
        if (WaitFor(2000, [&] { return AllAt(after, sizes); }) || attempt == 3) break;
        if (!AllAt(before, sizes)) break;  // it did act: wait for the rest below
        Info("soak: no window moved 2 s after a double-click on the pager (attempt %d): clicked again", attempt);
    }
    why = s.WaitAll(10000, Format("double-click on the pager at (%ld,%ld)", at.x, at.y).c_str());
    const std::string collapse = CollapsePager(*s.p);
    if (why.empty() && !collapse.empty()) why = "collapsing the pager: " + collapse;
    return why;
}

// Parmena follows an activation only when the window active before it was on screen, as seen
// by its 100 ms poll; a window a switch has just moved away must not count as that one. So
// the anchor stays active for a few polls first, and an activation that was not followed
// (nothing moved) is made again after a longer stay.
std::string SoakActivate(Soak& s) {
    std::vector<const SoakWindow*> away;
    for (const SoakWindow& w : s.windows)
        if (w.test && (w.column != s.column || w.row != s.row)) away.push_back(&w);
    if (away.empty()) return SoakHotkey(s);
    const SoakWindow& target = *away[size_t(s.Pick(int(away.size())))];
    std::vector<Expected> before, after;
    std::vector<SIZE> sizes;
    s.Expectations(&before, &sizes);
    s.column = target.column;
    s.row = target.row;
    s.Expectations(&after, &sizes);
    ++s.activations;
    const std::string title = TitleOf(target.hwnd);
    for (int attempt = 1;; ++attempt) {
        const std::string why = SettleAnchor(s.p->pager);
        if (!why.empty()) return why;
        WaitFor(DWORD(300 * attempt), [] { return GetForegroundWindow() != anchor; });
        SetForegroundWindow(target.hwnd);
        Mark("soak: activated '%s'", title.c_str());
        if (WaitFor(2000, [&] { return AllAt(after, sizes); }) || attempt == 3 || !AllAt(before, sizes)) break;
        Info("soak: no window moved 2 s after activating '%s' (attempt %d): activated again", title.c_str(), attempt);
    }
    return s.WaitAll(10000, Format("activating '%s'", title.c_str()).c_str());
}

std::string SoakOpen(Soak& s) {
    size_t own = 0;
    for (const SoakWindow& w : s.windows) own += w.owner ? 1 : 0;
    if (own >= MaxSoakWindows) return "";
    WindowThread& t = s.threads[s.Pick(2)];
    const int w = 140 + s.Pick(120), h = 90 + s.Pick(80);
    // Clear of the anchor and of the spot the mouse rests on at the bottom.
    const int x = 20 + s.Pick(scene.screenW - w - 40), y = 40 + s.Pick(620 - h - 40);
    const std::string title = Format("E2E soak %d", s.opened + 1);
    TestWindow* tw = CreateTestWindow(t, title.c_str(), x, y, w, h, RGB(180 + s.Pick(70), 180 + s.Pick(70), 180 + s.Pick(70)));
    if (!tw) return "could not open the soak window " + title;
    ++s.opened;
    s.windows.push_back({tw->hwnd, &t, tw, s.column, s.row, RectOf(tw->hwnd)});
    const RECT& r = s.windows.back().home;
    if (r.left != x || r.top != y) return Format("%s opened at %s instead of (%d,%d)", title.c_str(), RectText(r).c_str(), x, y);
    return "";
}

std::string SoakClose(Soak& s) {
    std::vector<size_t> own;
    for (size_t i = 0; i < s.windows.size(); ++i)
        if (s.windows[i].owner) own.push_back(i);
    if (own.empty()) return SoakOpen(s);
    const size_t i = own[size_t(s.Pick(int(own.size())))];
    const SoakWindow w = s.windows[i];
    PostMessageA(w.hwnd, WM_CLOSE, 0, 0);
    if (!WaitFor(10000, [&] { return !IsWindow(w.hwnd); })) return "a soak window did not close within 10 s";
    s.windows.erase(s.windows.begin() + long(i));
    auto& list = w.owner->windows;
    for (size_t k = 0; k < list.size(); ++k)
        if (list[k] == w.test) {
            list.erase(list.begin() + long(k));
            delete w.test;
            break;
        }
    ++s.closed;
    return "";
}

// One soak thread stops answering across a hotkey switch: the others move at once, its
// windows once it answers again.
std::string SoakHang(Soak& s) {
    WindowThread* t = &s.threads[s.Pick(2)];
    if (t->windows.empty()) t = &s.threads[0] == t ? &s.threads[1] : &s.threads[0];
    if (t->windows.empty()) return SoakHotkey(s);
    if (!StallThread(*t, 30000)) return "a soak thread could not be made to hang";
    ++s.hangs;
    Mark("soak: thread %lu hangs", t->id);
    std::string why = SoakHotkey(s, t);
    UnstallThread(*t);
    if (why.empty()) why = s.WaitAll(15000, "after the hung thread answered again");
    return why;
}

// Runs the soak for `seconds` on a started Parmena, then closes it from the menu.
void RunSoakOn(Parmena& p, const char* name, unsigned seconds, unsigned seed) {
    Outcome o;
    Soak s;
    s.p = &p;
    s.rng.seed(seed);
    Info("%s: seed %u for %u s (repeat with E2E_SOAK_SEED=%u)", name, seed, seconds, seed);
    for (HWND w : scene.Managed()) {
        TestWindow* test = nullptr;
        for (TestWindow* t : {scene.one, scene.two, scene.three, scene.stuck})
            if (t && t->hwnd == w) test = t;
        s.windows.push_back({w, nullptr, test, 0, 0, RectOf(w)});
    }
    for (WindowThread& t : s.threads)
        if (!o.Check(StartWindowThread(t), "cannot start a soak window thread")) break;
    for (int i = 0; i < 4 && o.Ok(); ++i) o.Expect(SoakOpen(s), "opening the first soak windows");

    Usage early, late;
    const HotkeyResends resendsBefore = hotkeyResends;
    const double start = NowMs(), end = start + seconds * 1000.0;
    while (o.Ok() && NowMs() < end) {
        const int roll = s.Pick(100);
        std::string why;
        if (roll < 30)
            why = SoakHotkey(s);
        else if (roll < 45)
            why = SoakPagerClick(s);
        else if (roll < 60)
            why = SoakActivate(s);
        else if (roll < 75)
            why = SoakOpen(s);
        else if (roll < 87)
            why = SoakClose(s);
        else
            why = SoakHang(s);
        ++s.steps;
        if (!why.empty() && s.followed < 3 && SettleAnchor(p.pager).empty() && s.FollowedStrayActivation(why)) why.clear();
        o.Expect(why, Format("step %d", s.steps).c_str());
        DWORD code = 0;
        if (!Running(p) && GetExitCodeProcess(p.pi.hProcess, &code))
            o.Check(false, "Parmena ended during the soak with exit code 0x%lx at step %d", code, s.steps);
        if (!early.ok && NowMs() - start > seconds * 250.0) early = Sample(p);
    }
    late = Sample(p);
    for (WindowThread& t : s.threads) UnstallThread(t);
    Info("%s: %d steps: %d hotkey switches, %d pager double-clicks, %d activations, %d opened, %d closed, %d hangs, "
         "%d stray activations followed",
         name, s.steps, s.hotkeys, s.pagerClicks, s.activations, s.opened, s.closed, s.hangs, s.followed);
    const int resent = hotkeyResends.total - resendsBefore.total;
    const int resentForParmena = hotkeyResends.product - resendsBefore.product;
    Info("%s: %d of %d hotkey chords moved nothing within 1.5 s and were sent again (%d of them while a thread "
         "hung, %d for a cause in Parmena); %d chords Wine broke were sent again",
         name, resent, s.hotkeys, s.resentDuringHang, resentForParmena,
         hotkeyResends.brokenChords - resendsBefore.brokenChords);
    o.Check(resentForParmena == 0, "%d hotkey chords moved nothing because of Parmena", resentForParmena);
    if (early.ok && late.ok) Info("%s: early %s; late %s", name, UsageText(early).c_str(), UsageText(late).c_str());
    if (o.Ok() && o.Check(early.ok && late.ok, "the memory or handle counts of parmena.exe could not be read:%s%s",
                          early.why.c_str(), late.why.c_str())) {
        // Wine reports no private bytes (0) for another process; the other figures are real.
        o.Check(late.privateBytes <= early.privateBytes + MemorySlack && late.pagefile <= early.pagefile + MemorySlack &&
                    late.workingSet <= early.workingSet + MemorySlack,
                "the memory of parmena.exe grew from %s to %s", UsageText(early).c_str(), UsageText(late).c_str());
        o.Check(late.handles <= early.handles + HandleSlack, "the handles of parmena.exe grew from %lu to %lu",
                early.handles, late.handles);
    }

    if (Running(p)) {
        o.Expect(SettleAnchor(p.pager));
        PostMessageA(p.pager, WM_COMMAND, CmdClose, 0);
        if (ExpectEnd(o, p, 30000, "the Close command after the soak")) {
            std::vector<Expected> e;
            std::vector<SIZE> z;
            for (const SoakWindow& w : s.windows) {
                e.push_back({w.hwnd, int(w.home.left), int(w.home.top)});
                z.push_back({w.home.right - w.home.left, w.home.bottom - w.home.top});
            }
            o.Expect(WaitPositions(e, z, 10000), "after the Close that ended the soak");
        }
    }
    EndParmena(p);
    for (SoakWindow& w : s.windows)
        if (!w.owner) PutOnDesktop(w.hwnd, w.home, 0, 0);
    for (WindowThread& t : s.threads) StopWindowThread(t);
    DeleteSessionMark();
    Report(name, o);
}

unsigned EnvNumber(const char* name, unsigned fallback) {
    char text[32];
    const DWORD n = GetEnvironmentVariableA(name, text, sizeof text);
    if (n == 0 || n >= sizeof text) return fallback;
    return unsigned(std::strtoul(text, nullptr, 10));
}

unsigned SoakSeed() { return EnvNumber("E2E_SOAK_SEED", GetTickCount() ^ GetCurrentProcessId()); }

void SoakScenario(const char* name, unsigned seconds) {
    Parmena p;
    const std::string why = StartParmena(p);
    if (!why.empty()) {
        ReportFail(name, "Parmena did not start: %s", why.c_str());
        EndParmena(p);
        return;
    }
    RunSoakOn(p, name, seconds, SoakSeed());
}

}  // namespace

std::vector<const char*> ExitScenarioNames() {
    return {"exit_wm_quit",          "exit_logoff",  "exit_crash", "exit_settings_wm_close",
            "exit_settings_wm_quit", "exit_kill_recovery", "exit_kill_other_screen", "display_resolution",
            "exit_close_switch_queued", "exit_logoff_mid_switch", "exit_hang_after_answer",
            "exit_hang_after_answer_no_rescale", "soak_short"};
}

void RunExitScenarios() {
    DeleteSessionMark();
    const Home h = SceneHome();
    QuitFromOutside(h);
    Logoff(h);
    CrashScenario(h);
    SettingsOpenThenEnd(h, false);
    SettingsOpenThenEnd(h, true);
    KillRecovery(h);
    KillOtherScreen(h);
    DisplayResolution(h);
    CloseWithASwitchQueued(h);
    LogoffInsideASwitch(h);
    WindowHangsAgainAfterAnswering(h, true);
    WindowHangsAgainAfterAnswering(h, false);
    SoakScenario("soak_short", EnvNumber("E2E_SOAK_SHORT_SECONDS", 25));
}

int RunExitOnly() {
    if (!ParmenaPresent()) {
        ReportFail("exit", "parmena.exe not found in %s", appDir.c_str());
        return 1;
    }
    std::printf("PLAN");
    for (const char* s : ExitScenarioNames()) std::printf(" %s", s);
    std::printf("\n");
    std::fflush(stdout);
    guardChords = true;
    const std::string why = SetUpScene(true);
    if (!why.empty()) {
        for (const char* s : ExitScenarioNames()) ReportFail(s, "test set-up failed: %s", why.c_str());
    } else {
        std::vector<HWND> watched = scene.Managed();
        watched.push_back(anchor);
        StartTimeline(watched);
        RunExitScenarios();
        StopTimeline();
    }
    TearDownScene();
    return FailCount() ? 1 : 0;
}

int RunSoak() {
    if (!ParmenaPresent()) {
        ReportFail("soak", "parmena.exe not found in %s", appDir.c_str());
        return 1;
    }
    std::printf("PLAN soak\n");
    std::fflush(stdout);
    guardChords = true;
    const std::string why = SetUpScene(true);
    if (!why.empty()) {
        ReportFail("soak", "test set-up failed: %s", why.c_str());
    } else {
        std::vector<HWND> watched = scene.Managed();
        watched.push_back(anchor);
        StartTimeline(watched);
        SoakScenario("soak", EnvNumber("E2E_SOAK_SECONDS", 240));
        StopTimeline();
    }
    TearDownScene();
    return FailCount() ? 1 : 0;
}

}  // namespace e2e
