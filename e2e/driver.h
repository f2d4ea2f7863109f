// End-to-end driver shared pieces: reporting, bounded waits, test windows on their own
// threads, the Parmena process under test, synthetic input, registry access, screenshots.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace e2e {

// ---------------------------------------------------------------- reporting

// Keeps the first failure of a scenario; later checks still run but cannot hide it.
struct Outcome {
    std::string reason;
    bool Check(bool ok, const char* fmt, ...);
    // Records "context: error" unless error is empty; returns whether it was.
    bool Expect(const std::string& error, const char* context = nullptr);
    bool Ok() const { return reason.empty(); }
};

void Report(const char* scenario, const Outcome& o);
void ReportFail(const char* scenario, const char* fmt, ...);
void Info(const char* fmt, ...);
std::string Format(const char* fmt, ...);
int PassCount();
int FailCount();

// ---------------------------------------------------------------- waits

double NowMs();

// Polls pred until it holds or timeoutMs has passed; returns whether it held.
template <class Pred>
bool WaitFor(DWORD timeoutMs, Pred pred) {
    const double end = NowMs() + timeoutMs;
    for (;;) {
        if (pred()) return true;
        if (NowMs() >= end) return pred();
        Sleep(10);
    }
}

// ---------------------------------------------------------------- test windows

// Per-window record, reachable from the window procedure through GWLP_USERDATA.
struct TestWindow {
    HWND hwnd = nullptr;
    COLORREF colour = 0;
    // Arrival watch used by the benchmark: the position the window should reach. Turning the
    // watch on publishes the target; arrival publishes arrivedAt.
    std::atomic<LONG> watching{0};
    LONG targetX = 0, targetY = 0;
    std::atomic<LONG> arrived{0};
    LARGE_INTEGER arrivedAt{};
};

// A thread that owns windows and pumps their messages; it can be told to stop answering.
struct WindowThread {
    HANDLE thread = nullptr;
    DWORD id = 0;
    HANDLE ready = nullptr;    // the thread's queue exists
    HANDLE stalled = nullptr;  // the thread has stopped pumping
    HANDLE resume = nullptr;   // lets a stalled thread go on
    std::vector<TestWindow*> windows;
};

bool StartWindowThread(WindowThread& t);
// Creates a visible window without activating it; topmost windows sit above the pager.
TestWindow* CreateTestWindow(WindowThread& t, const char* title, int x, int y, int w, int h,
                             COLORREF colour, bool topmost = false);
// Returns once the thread no longer answers messages (bounded by maxStallMs inside the thread).
bool StallThread(WindowThread& t, DWORD maxStallMs);
void UnstallThread(WindowThread& t);
void StopWindowThread(WindowThread& t);

// Arrival watch for the benchmark: counts windows that reached their target.
struct MoveWatch {
    std::atomic<LONG> remaining{0};
    HANDLE done = nullptr;
};
extern MoveWatch moveWatch;

// Milliseconds from the start of a move to the first and to the last window's arrival; -1 when
// not every window arrived within 30 s.
struct Timing {
    double first = -1, last = -1;
};
// Starts the move with `trigger` and times it until each window is at target(its rectangle), or
// at dx from it. again: when nothing at all has moved after a few seconds (Wine lost the chord),
// the move is started once more and timed from there.
Timing Timed(const char* what, const std::vector<TestWindow*>& ws,
             const std::function<POINT(const RECT&)>& target, const std::function<void()>& trigger,
             bool again);
Timing Timed(const char* what, const std::vector<TestWindow*>& ws, int dx,
             const std::function<void()>& trigger, bool again);

// ---------------------------------------------------------------- geometry

RECT RectOf(HWND w);
std::string RectText(const RECT& r);
std::string TitleOf(HWND w);  // only for windows of other processes or responsive ones

struct Expected {
    HWND hwnd;
    int left, top;
};
// Waits until every window's top-left corner is at its expected place and its size is
// unchanged; on time-out describes the windows that are not (empty: all arrived).
std::string WaitPositions(const std::vector<Expected>& expected, const std::vector<SIZE>& sizes,
                          DWORD timeoutMs);
// "Parmena's current desktop (c,r)" as the running pager reports it, for failure messages.
std::string ParmenaDesktopText();
extern HWND diagnosticPager;
std::vector<Expected> Shifted(const std::vector<HWND>& ws, const std::vector<RECT>& base, int dx,
                              int dy);
std::vector<RECT> Rects(const std::vector<HWND>& ws);
std::vector<SIZE> Sizes(const std::vector<RECT>& rs);
// True when a comes before b walking down the Z-order of top-level windows.
bool Above(HWND a, HWND b);

// ---------------------------------------------------------------- windows of other processes

// First top-level window of process pid with the class and title given (null: any).
HWND FindProcessWindow(DWORD pid, const char* cls, const char* title, bool visibleOnly);
// Captions of every visible dialog (#32770) of pid, for failure messages.
std::string DialogsOf(DWORD pid);
// Finds and dismisses one message box (or dialog) of pid with the caption given.
bool DismissDialog(DWORD pid, const char* caption, DWORD timeoutMs, std::string* text);

// ---------------------------------------------------------------- Parmena process

struct Parmena {
    PROCESS_INFORMATION pi{};
    HWND pager = nullptr;
    bool aboutSeen = false;
};

extern std::string appDir;   // folder holding parmena.exe and the two libraries
extern std::string shotDir;  // folder watched by the runner for screenshot requests

bool ParmenaPresent();
bool LaunchProcess(const std::string& exe, const std::string& cmdline, PROCESS_INFORMATION* pi);
// Launches Parmena, closes its start-up about box and waits until its message loop answers.
// aboutShot names a screenshot taken while the about box is up (empty: none). Returns why it
// failed, empty on success.
std::string StartParmena(Parmena& p, const char* aboutShot = "");
bool Responsive(HWND w, DWORD timeoutMs);
// Whether w's thread gets to its message loop, where alone posted messages are taken.
bool InMessageLoop(HWND w, DWORD timeoutMs);
bool WaitExit(Parmena& p, DWORD timeoutMs, DWORD* code);
void EndParmena(Parmena& p);  // last resort after a failed scenario: terminate and close handles
bool Running(const Parmena& p);

// ---------------------------------------------------------------- input

// Ctrl+Alt+vk. With guardChords, a chord Wine broke by releasing a modifier itself (it syncs
// them with the X server after focus changes) is sent again; the benchmark leaves it off so
// that no hook sits in the measured path.
void SendHotkey(WORD vk);
extern bool guardChords;
// Ctrl+Alt+vk expected to switch, then the wait for the windows' new places. Rarely, right
// after a foreground change, Wine loses a whole chord without a trace in the hook; when no
// window has moved at all after 1.5 s the chord is sent once more. A chord that acted is never
// repeated, so a double switch still fails the wait.
// target: the desktop the switch goes to, when the caller knows it (x column, y row). A chord
// that moved nothing because of Parmena (it switched without moving, or its thread was stuck)
// is not sent again but returned as the failure.
std::string SwitchByHotkey(WORD vk, const std::vector<Expected>& expected, const std::vector<SIZE>& sizes,
                           DWORD timeoutMs, POINT target = {-1, -1});
// Chords sent again: by SwitchByHotkey after nothing moved (total, and those whose cause was
// Parmena's), and by SendHotkey after Wine broke the chord itself.
struct HotkeyResends {
    int total = 0, product = 0, brokenChords = 0;
};
extern HotkeyResends hotkeyResends;
// Armed by a scenario, taken by the first use: the pager to send WM_QUERYENDSESSION to from
// inside the next switch probe a test window answers; the time a test window sleeps right
// after it has answered the move thread's WM_QUERYDRAGICON.
extern std::atomic<HWND> logoffOnProbe;
extern std::atomic<DWORD> sleepAfterDragIconReply;
void MoveMouseTo(int x, int y);
void MouseButton(bool right, bool down);
// Wine leaves the X pointer where SendInput found the cursor; a window that appears or grows
// under it can put the cursor back there, even after a SetCursorPos. Warps the pointer to `p`
// until it has stayed there, so that a press that follows lands there.
bool CursorSettledAt(POINT p);
INPUT Key(WORD vk, bool up);  // one key event for SendInput
void KeyDown(WORD vk);
void KeyUp(WORD vk);

// ---------------------------------------------------------------- registry

extern const char* const RegRoot;  // "Software\\Orvanne\\Parmena"
bool KeyExists(const char* subKey);
bool ReadDword(const char* subKey, const char* name, DWORD* value);
bool WriteDword(const char* subKey, const char* name, DWORD value);
bool DeleteTree(HKEY parent, const char* subKey);

// ---------------------------------------------------------------- screenshots

// Asks the runner for a picture of the whole screen and waits for it; returns why it failed.
std::string Screenshot(const char* name);
// The same, remembering the outcome for the end of the run.
void Shot(const char* name);
// The same once window w has painted what it has pending.
void ShotAfterPaint(HWND w, const char* name);
extern std::vector<std::string> missingShots, takenShots;

// ---------------------------------------------------------------- foreground anchor

// A small topmost window of the driver kept above the pager and in the foreground before each
// switch: it is never moved, so a late look at the foreground can never follow an off-screen
// window and undo the switch under test.
extern HWND anchor;
extern POINT anchorHome;
std::string SettleAnchor(HWND pager);

// ---------------------------------------------------------------- timeline

// A background watch of the foreground window and of the given windows' places, so that a
// failed wait can say what happened on the way instead of only where things ended up.
void StartTimeline(const std::vector<HWND>& watched);
void StopTimeline();
void Mark(const char* fmt, ...);  // a driver step, in the same timeline
// Prints the events of the last `ms` milliseconds as INFO lines.
void DumpTimeline(double ms);

// ---------------------------------------------------------------- modes

int RunScenarios();
int RunDemo();
int RunBench();
int RunMover();  // the benchmark's second process

}  // namespace e2e
