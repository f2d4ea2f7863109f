// Test-facing control of the simulated desktop. Product code never includes this;
// tests use it to build a scene and read back what the product did.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/libs.h"
#include "platform/types.h"

namespace sim {

using plat::Hwnd;
using plat::Rect;

// Clears every window, registry key, record, timer, hotkey, named object and setting,
// and restores the default screen (1024 x 768, work area 1024 x 740, 3 buttons).
void Reset();

// ---- Screen and system ----
// Monitors. Without any set, there is one: the screen below at (0, 0), its work area
// cxFullScreen x (cyFullScreen + cyCaption).
struct Monitor {
    Rect rect;
    Rect work;
    bool primary = false;
    int dpi = 96;
};
struct Screen {
    int width = 1024, height = 768;        // HORZRES, VERTRES
    int cxFullScreen = 1024;               // SM_CXFULLSCREEN
    int cyFullScreen = 721;                // SM_CYFULLSCREEN
    int cyCaption = 19;                    // SM_CYCAPTION (work height = 721 + 19 = 740)
    int cxFrame = 4, cyFrame = 4;          // SM_CXFRAME, SM_CYFRAME
    int mouseButtons = 3;                  // SM_CMOUSEBUTTONS
    int dpi = 96;                          // of the one monitor, while `monitors` is empty
    std::vector<Monitor> monitors;       // see SetMonitors; empty: the screen alone
};
void SetScreen(const Screen& s);
Screen GetScreen();
// Replaces the monitors; the screen's size and work area become the primary monitor's
// (the first when none is marked). No message is sent.
void SetMonitors(const std::vector<Monitor>& monitors);
std::vector<Monitor> GetMonitors();        // the effective list, the primary one first
// A display change: sets the monitors as SetMonitors does, puts the cursor back on a monitor,
// then posts WM_DISPLAYCHANGE (bits per pixel, primary width | height << 16) to every
// top-level window of the product, as the system broadcasts it.
void ChangeDisplay(const std::vector<Monitor>& monitors);
void SetSysColor(int index, std::uint32_t color);
void SetIconTitleFont(const plat::LogFont& lf);
void SetCursor(int x, int y);
plat::Point Cursor();
void SetKeyDown(int vk, bool down);        // GetAsyncKeyState answer

// ---- Windows of other programs ----
struct WindowSpec {
    std::string title;
    std::string className = "TestApp";
    Rect rect{0, 0, 100, 100};
    bool visible = true;
    bool minimized = false;
    bool maximized = false;
    bool topmost = false;
    Hwnd owner = nullptr;                  // GetParent answers this for a top-level window
};
// Creates a top-level window at the top of its Z-order band (topmost windows above
// the others), owned by no product thread. Its messages are answered by the simulation.
Hwnd AddWindow(const WindowSpec& desc);
void RemoveWindow(Hwnd w);                 // as if its program closed it
void SetTitle(Hwnd w, const std::string& title);
void SetRect(Hwnd w, const Rect& r);       // does not count as a move
void SetVisible(Hwnd w, bool visible);
void SetMinimized(Hwnd w, bool minimized);
void SetMaximized(Hwnd w, bool maximized);
void SetOwner(Hwnd w, Hwnd owner);
// A hung window fails every SendMessageTimeout; SendMessageCallback to it is held and its
// callback is queued to the sending thread once SetHung(w, false) is called.
void SetHung(Hwnd w, bool hung);
// Sends with a callback to the hung window w that are held until it recovers (of one message,
// unless `message` is 0).
int HeldCallbacks(Hwnd w, std::uint32_t message = 0);
// An asynchronous SetWindowPos (SWP_ASYNCWINDOWPOS) of a hung window is held in the same order
// and lands when it recovers. This runs the window's thread once: what it holds is answered and
// carried out, and it hangs again at once, as a program that replies and then blocks.
void AnswerHeldAndHangAgain(Hwnd w);
// While held, completion callbacks queued to the thread wait there, as for a thread the system
// has not yet scheduled; posted and sent messages still reach it.
void HoldCallbacks(std::uint32_t threadId, bool hold);
// Hung, and known to the system as hung: IsHungAppWindow answers true. SetHung(w, false) ends both.
void SetHungReported(Hwnd w);
// Cloaked by the window manager: still visible to IsWindowVisible, but not shown.
void SetCloaked(Hwnd w, bool cloaked);
// DwmGetWindowAttribute fails for every window, as where the library is missing (Wine).
void SetDwmMissing(bool missing);
// Its program runs with higher rights: SetWindowPos, MoveWindow and DeferWindowPos of it fail
// with ERROR_ACCESS_DENIED (DeferWindowPos losing the whole batch).
void SetMoveDenied(Hwnd w, bool denied);
int DeniedMoves();  // moves refused so far for that reason
// The simulated clock, which QueryPerformanceCounter reads (1000 counts a second). It moves only
// by what would make a real caller wait: a send to a hung window costs its whole time-out, and a
// message wait (MsgWaitForMultipleObjects) that runs out costs its whole time-out.
std::int64_t ClockMs();
// Makes every GetWindowRect advance the clock by `ms`, so that a walk of many windows takes time.
void SetRectReadCostMs(int ms);
void BringToTop(Hwnd w);                   // Z-order change within its band
Rect WindowRect(Hwnd w);
std::string Title(Hwnd w);
std::string ClassName(Hwnd w);
bool IsVisible(Hwnd w);
bool IsMinimized(Hwnd w);
bool Exists(Hwnd w);
std::vector<Hwnd> ZOrder();                // top-level windows, topmost first
void SetForeground(Hwnd w);
Hwnd Foreground();

// ---- What the product did to windows ----
struct MoveRecord {
    Hwnd window;
    int x, y, cx, cy;
    std::uint32_t flags;
    int batch;          // 1-based number of the EndDeferWindowPos that applied it; 0 = direct call
    std::string via;    // "defer", "SetWindowPos", "MoveWindow"
    std::uint32_t threadId;  // plat thread id of the caller
};
std::vector<MoveRecord> Moves();
int BatchCount();                          // EndDeferWindowPos calls so far
int WindowThreadReads();                   // GetWindowThreadProcessId calls so far
void ClearMoves();
struct ShowRecord {
    Hwnd window;
    int cmd;            // SW_* value, or -1 for CloseWindow
};
std::vector<ShowRecord> Shows();
std::vector<Hwnd> ForegroundRequests();    // every SetForegroundWindow argument, in order

// ---- Registry ----
// Loads text in the .reg file format ("Windows Registry Editor Version 5.00", [HKEY_...\path],
// "name"="text", "name"=dword:0000000a, "name"=hex:01,02, @=...). Keys are created as needed.
void LoadReg(const std::string& text);
struct RegValue {
    bool exists = false;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    std::uint32_t AsDword() const;         // first 4 bytes, little-endian (0 if shorter)
    std::string AsString() const;          // data up to the first NUL
};
// root: "HKCU" or "HKLM"; path without the root, e.g. "Software\\Orvanne\\Parmena\\Preferences".
RegValue GetValue(const std::string& root, const std::string& path, const std::string& name);
bool KeyExists(const std::string& root, const std::string& path);
std::vector<std::string> ValueNames(const std::string& root, const std::string& path);
// Opening or creating any key at or below this path fails with ERROR_ACCESS_DENIED.
void DenyAccess(const std::string& root, const std::string& path);
// Writing a value of this name, in any key, fails with ERROR_ACCESS_DENIED until cleared.
void FailValueWrite(const std::string& name, bool fail);

// ---- Message boxes ----
struct MessageBoxRecord {
    Hwnd owner;
    std::string text;
    std::string caption;    // as shown: a null caption is recorded as "Error"
    std::uint32_t type;
};
std::vector<MessageBoxRecord> MessageBoxes();
void SetMessageBoxAnswer(int answer);      // default IDOK

// ---- Messages, threads, timers, hotkeys ----
struct PostRecord {
    std::uint32_t threadId;     // target thread (PostThreadMessage), 0 for window posts
    Hwnd window;                // target window (PostMessage), null for thread posts
    std::uint32_t message;
    plat::WParam wParam;
    plat::LParam lParam;
    bool delivered;             // false when the post failed
};
std::vector<PostRecord> Posts();
// Makes PostThreadMessage to this thread id fail (as for a thread without a queue).
void FailThreadPosts(std::uint32_t threadId, bool fail);
struct HotkeyRecord {
    Hwnd window;
    int id;
    std::uint32_t modifiers;
    std::uint32_t vk;
};
std::vector<HotkeyRecord> Hotkeys();                    // currently registered by the product
std::vector<HotkeyRecord> HotkeyAttempts();             // every RegisterHotKey call
void HoldHotkey(std::uint32_t modifiers, std::uint32_t vk);  // another program has it
struct TimerRecord {
    Hwnd window;
    std::uintptr_t id;
    std::uint32_t ms;
};
std::vector<TimerRecord> Timers();
// Timers do not fire by themselves; this posts one WM_TIMER per live timer.
void FireTimers();

// ---- Tray, help, shell ----
std::vector<plat::NotifyIconData> TrayIcons();         // currently present
// The taskbar starts again: every icon is gone, and the registered message "TaskbarCreated"
// is posted to every top-level window that has a procedure.
void RestartTaskbar();
// Messages a window lets programs with fewer rights send it (ChangeWindowMessageFilterEx).
std::vector<std::uint32_t> AllowedMessages(Hwnd w);
struct HelpRecord {
    Hwnd window;
    std::string file;
    std::uint32_t command;
    std::uintptr_t data;
};
std::vector<HelpRecord> HelpCalls();
struct ShellExecuteRecord {
    std::string verb, file, params, dir;
    bool hasParams, hasDir;
    int show;
};
std::vector<ShellExecuteRecord> ShellExecutes();
void SetShellExecuteResult(int result);    // ShellExecute's answer (default 33: success)
void SetEnv(const std::string& name, const std::string& value);
// Files seen by FindFirstFile and GetFileAttributes: full path of each entry; a trailing '\'
// marks a folder.
void AddFile(const std::string& path);
// What GetModuleFileName(null) answers (default "C:\Program Files\Parmena\parmena.exe").
void SetProgramPath(const std::string& path);
// The filter the program installed with SetUnhandledExceptionFilter (null: none); a test calls
// it as the system would for a fault in any thread.
plat::ExceptionFilter UnhandledExceptionFilter();

// ---- Drawing ----
struct DrawCall {
    std::string op;             // "FillRect", "Rectangle", "MoveToEx", "LineTo", "TextOut",
                                // "BitBlt", "SelectClipRgn", "SetBkMode", "SetTextColor", ...
    plat::Hdc dc;
    std::vector<int> args;      // coordinates in call order
    std::string text;           // TextOut
    std::uint32_t penColor;     // pen selected at the call
    int penStyle, penWidth;
    std::uint32_t brushColor;   // brush used (FillRect's argument, else the selected one)
    std::uint32_t textColor;
    int brushHatch;             // HS_* of a hatched brush, -1 for any other
    Rect clip;                  // current clip box, {0,0,0,0} when none
    bool hasClip;
};
std::vector<DrawCall> DrawCalls();
void ClearDrawCalls();
int LiveGdiObjects();           // created by the product and not yet deleted
int LiveDCs();                  // memory DCs not deleted, window DCs not released
void SetTextExtentHeight(int h);  // height reported by GetTextExtentPoint (default 16)

// ---- Companion libraries ----
struct HookCall {
    std::string op;             // "SetMBHook", "RemoveMBHook", "GetClickFuncs", "GetMoveFuncs"
    std::uint32_t value;
};
std::vector<HookCall> HookCalls();
void SetLibrariesMissing(bool missing);
// Called on the dialog thread in place of the real dialogs. Defaults: about returns at once,
// preferences returns 0.
void OnShowAbout(std::function<void()> handler);
void OnShowPref(std::function<int(void* settings, int page, void* shortcutStore)> handler);

// ---- Controls owned by the dialog library or the system ----
// A list box answering LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT and LB_GETITEMDATA; it belongs
// to this process (as the dialog library's does) unless otherProcess is set.
Hwnd AddListBox(const std::vector<std::pair<std::string, std::uint32_t>>& items,
                bool otherProcess = false);
// LB_GETCOUNT answers count from now on, whatever the items.
void ClaimListBoxCount(Hwnd listBox, long long count);
// Right after it has answered the next LB_GETTEXTLEN of item index, that item's text becomes
// text: another thread changing the list between two messages.
void ChangeListTextAfterLength(Hwnd listBox, int index, const std::string& text);

// ---- Menus ----
struct MenuRecord {
    int x, y;
    std::uint32_t flags;
    Hwnd owner;
    std::vector<int> grayed;    // item identifiers greyed at the time of the call
    // Every item as shown, submenus' items after their popup's, depth 0 at the top.
    struct Item {
        int id;  // 0 for separators and popups
        std::string text;
        bool grayed, checked, separator;
        int depth;
    };
    std::vector<Item> items;
};
std::vector<MenuRecord> MenusShown();
// Item the next TrackPopupMenu picks (posted to the owner as WM_COMMAND); 0 = dismissed.
void SetMenuChoice(int id);

// ---- Waiting on the product's threads ----
// Polls cond every millisecond until it holds or timeoutMs passes; returns its last value.
bool WaitFor(const std::function<bool()>& cond, int timeoutMs = 5000);
// Returns true once every thread running a message loop, other than the caller, waits in
// GetMessage with nothing to take, and nothing waits for a thread that has not yet entered
// its loop; false after timeoutMs. A thread inside a simulated dialog counts as idle, as the
// real one would wait in the dialog's own loop.
bool WaitIdle(int timeoutMs = 5000);
// Product windows (created through CreateWindowEx) by class name; null if none.
Hwnd FindProductWindow(const std::string& className);

// ---- Input and failures ----
// Posts WM_HOTKEY to the window that registered (modifiers, vk); false when none has.
bool PressHotkey(std::uint32_t modifiers, std::uint32_t vk);
// The same for each key in turn, all queued at once: the program takes the first only after
// the last is in its queue.
bool PressHotkeys(std::uint32_t modifiers, const std::vector<std::uint32_t>& vks);
struct InvalidateRecord {
    Hwnd window;
    bool erase;
    bool wholeClient;
};
std::vector<InvalidateRecord> Invalidations();
// Another process holds (or releases) the named mutex.
void HoldNamedMutex(const std::string& name, bool hold);
// The plat functions a test can make fail, each returning its Win32 failure value.
// DeferWindowPos loses the whole batch, as on Win32.
enum class Call {
    BeginDeferWindowPos, CreateCompatibleBitmap, CreateCompatibleDC, CreateEvent,
    CreateFileMapping, CreateFontIndirect, CreateMutex, CreatePen, CreateRectRgn,
    CreateSolidBrush, CreateThread, CreateWindowEx, DeferWindowPos, EndDeferWindowPos,
    FindFirstFile, GetDC, LoadMenu, MapViewOfFile, PostMessage, PostThreadMessage,
    QueryPerformanceCounter,
    RegCreateKeyEx, RegEnumValue, RegOpenKeyEx, RegQueryValueEx, RegSetValueEx,
    RegisterClass, RegisterHotKey, SendMessageCallback, SendMessageTimeout, SetTimer,
    SetWindowPos, Shell_NotifyIcon, TrackPopupMenu
};
// Makes the function fail until cleared; error, when not 0, is the code it leaves for
// GetLastError where the call sets one (CreateFileMapping, SetWindowPos).
void FailCall(Call function, bool fail, std::uint32_t error = 0);
// Calls that would block the caller until a hung window answers on the real system: a
// synchronous move (SetWindowPos without SWP_ASYNCWINDOWPOS, or a batch that holds it), a
// ShowWindow or a CloseWindow of it. The simulation carries them out at once and counts them.
int HungWindowBlocks();
// Product errors in the use of GDI: deleting a selected object, selecting a deleted one,
// releasing a DC twice, drawing on a deleted DC.
int GdiViolations();

}  // namespace sim
