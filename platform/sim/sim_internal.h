// State shared by the files of the simulated desktop. Not for product code or tests.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/sim/sim.h"
#include "platform/types.h"

namespace simi {

using namespace plat;

// One lock for the whole simulation. Never held while product code runs or while blocking.
using Lock = std::unique_lock<std::recursive_mutex>;
std::recursive_mutex& Mu();
std::condition_variable_any& Cv();  // notified on every queue, object or thread change

inline std::uintptr_t Id(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }
template <class T>
T As(std::uintptr_t id) {
    return reinterpret_cast<T>(id);
}

std::uintptr_t NewHandle();     // never reused within the process
std::uint32_t CurrentThread();  // plat thread id of the caller, assigned on first use
void SetError(std::uint32_t code);
bool Failing(sim::Call function);
// The error a failing call leaves: the test's choice, else the call's usual one.
std::uint32_t FailureError(sim::Call function, std::uint32_t usual);
std::string Lower(const std::string& s);
// The monitors in force (one made of the screen when none were set), the primary first; the
// rectangle they span; a point moved onto the nearest of them. Callers hold the lock.
std::vector<sim::Monitor> EffectiveMonitors();
Rect VirtualScreen();
Point OntoNearestMonitor(Point p);
bool EqualNoCase(const std::string& a, const std::string& b);

constexpr std::uintptr_t kDesktopWindow = 0x10;
constexpr std::uint32_t SimProcessId = 0x5150, OtherProcessId = 0x7000;
constexpr std::uint32_t ERROR_INSUFFICIENT_BUFFER = 122;
constexpr std::uint32_t ERROR_INVALID_PARAMETER = 87, ERROR_KEY_DELETED = 1018,
                        ERROR_INVALID_WINDOW_HANDLE = 1400, ERROR_CANNOT_FIND_WND_CLASS = 1407,
                        ERROR_CLASS_ALREADY_EXISTS = 1410, ERROR_HOTKEY_ALREADY_REGISTERED = 1409,
                        ERROR_HOTKEY_NOT_REGISTERED = 1419, ERROR_INVALID_THREAD_ID = 1444,
                        ERROR_NOT_ENOUGH_MEMORY = 8, ERROR_ACCESS_DENIED_W = 5,
                        ERROR_INVALID_MENU_HANDLE = 1401, ERROR_NOT_OWNER = 288;

// ---- Windows ----
enum class Kind { Plain, Edit, ListBox };

// What a hung window's thread has yet to take, in order: a SendMessageCallback to answer, or
// (cb null) an asynchronous SetWindowPos to carry out.
struct HeldCallback {
    std::uint32_t thread;
    SendAsyncProc cb;
    std::uint32_t msg;
    std::uintptr_t data;
    Hwnd after = nullptr;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::uint32_t flags = 0;
};

struct Window {
    std::uintptr_t id = 0;
    bool product = false;  // created through CreateWindowEx
    Kind kind = Kind::Plain;
    std::string title, cls;
    Rect rect{};  // screen coordinates; for children, relative to the parent's client area
    std::uint32_t style = 0, exStyle = 0;
    bool visible = true, minimized = false, maximized = false, topmost = false, hung = false;
    bool hungReported = false;  // IsHungAppWindow answers true
    bool cloaked = false;       // DWMWA_CLOAKED answers non-zero
    bool moveDenied = false;    // of a program with higher rights: moves fail, access denied
    bool child = false;
    std::uintptr_t owner = 0, parent = 0;
    std::vector<std::uintptr_t> children;
    WndProc proc = nullptr;
    Hinstance instance = nullptr;  // as CreateWindowEx was given it
    std::uint32_t thread = 0;  // owning plat thread; 0 for other programs' windows
    bool otherProcess = false;  // GetWindowThreadProcessId names another process
    int ctrlId = 0;
    std::intptr_t userData = 0;
    int extraBytes = 0;
    std::map<int, std::intptr_t> extra;  // window extra slots by byte offset
    bool destroying = false;
    // Pending update region, kept as its bounding box.
    bool invalid = false, erase = false;
    Rect invalidRect{};
    // EDIT control
    int selStart = 0, selEnd = 0;
    std::uintptr_t font = 0;
    // list box
    std::vector<std::pair<std::string, std::uint32_t>> items;
    long long claimedCount = -1;  // LB_GETCOUNT answer when not negative
    long long growIndex = -1;     // item whose text becomes growText after its LB_GETTEXTLEN
    std::string growText;
    std::vector<HeldCallback> held;
    std::map<std::string, std::uintptr_t> props;
};

struct WindowClass {
    std::string name;
    WndProc proc = nullptr;
    std::uint32_t style = 0;
    int wndExtra = 0;
    std::uintptr_t brush = 0, icon = 0, cursor = 0;
};

struct Batch {
    std::uintptr_t id = 0;
    int capacity = 0;
    std::vector<sim::MoveRecord> moves;
    std::vector<Hwnd> after;  // insert-after window of each move
};

// ---- Messages ----
struct SentMessage {
    Hwnd hwnd = nullptr;
    std::uint32_t msg = 0;
    WParam wp = 0;
    LParam lp = 0;
    LResult result = 0;
    bool done = false;
    std::uint32_t from = 0;
    SendAsyncProc cb = nullptr;  // SendMessageCallback: queued back to `from` when done
    std::uintptr_t cbData = 0;
    bool wait = true;  // false: nobody waits for the result
};

struct PendingCallback {
    SendAsyncProc cb;
    Hwnd hwnd;
    std::uint32_t msg;
    std::uintptr_t data;
    LResult result;
};

struct Queue {
    std::deque<Msg> posted;
    std::deque<std::shared_ptr<SentMessage>> sent;
    std::deque<PendingCallback> callbacks;
    bool quit = false;
    int quitCode = 0;
    // For sim::WaitIdle: whether the thread has entered GetMessage and not yet taken its
    // WM_QUIT, waits in GetMessage for what passes this filter, or is inside a simulated dialog.
    enum class Loop { NotStarted, Running, Left } loop = Loop::NotStarted;
    bool waiting = false;
    Hwnd waitFilter = nullptr;
    std::uint32_t waitMin = 0, waitMax = 0;
    int dialogs = 0;
    bool callbacksHeld = false;  // sim::HoldCallbacks: the thread is not scheduled to take them
};

struct Timer {
    std::uintptr_t window;
    std::uintptr_t id;
    std::uint32_t ms;
    std::uint32_t thread;
};

// ---- Kernel objects ----
enum class KType { Thread, Event, Mutex, Mapping, Find };

struct KObject {
    KType type = KType::Event;
    std::string name;
    // thread
    std::uint32_t threadId = 0;
    bool done = false;
    std::uint32_t exitCode = 0;
    // event
    bool manual = false, signalled = false;
    // mutex: owner 0 = free, kExternalOwner = another process
    std::uint32_t owner = 0;
    int recursion = 0;
    bool abandoned = false;
    // mapping
    std::unique_ptr<std::uint8_t[]> memory;
    std::size_t size = 0;
    // find
    std::vector<Win32FindData> found;
    std::size_t next = 0;
};
constexpr std::uint32_t kExternalOwner = 0xFFFFFFFFu;

struct ThreadRecord {
    std::shared_ptr<KObject> obj;
    std::thread thread;
};

// ---- Registry ----
struct RegVal {
    std::string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};
struct RegKey {
    std::uint64_t serial = 0;
    std::string name;
    std::map<std::string, std::unique_ptr<RegKey>> children;  // by lower-case name
    std::vector<RegVal> values;                               // creation order
};
struct KeyHandle {
    int root;  // 0 HKCU, 1 HKLM
    std::vector<std::string> path;  // lower-case components
    std::uint64_t serial;
};

// ---- GDI ----
enum class GType { Pen, Brush, Font, Bitmap, Region };
struct GObject {
    GType type = GType::Pen;
    bool stock = false;
    bool deleted = false;
    bool deletePending = false;  // deleted while selected: goes when deselected
    std::uint32_t color = 0;
    int style = 0, width = 0;
    int hatch = -1;  // brushes made by CreateHatchBrush
    Rect rgn{};
    int bw = 0, bh = 0;
    LogFont lf{};
};
struct DcState {
    std::uintptr_t pen = 0, brush = 0, font = 0, bitmap = 0;
    int bkMode = OPAQUE;
    std::uint32_t textColor = 0;
    bool hasClip = false;
    Rect clip{};
    Point pos{};
};
struct Dc {
    enum Type { Window, Memory, Paint } type = Window;
    std::uintptr_t window = 0;
    bool gone = false;  // released or deleted
    DcState st;
    std::vector<DcState> saved;
};

// ---- Menus ----
struct MenuItem {
    int id = 0;
    std::string text;
    bool grayed = false;
    bool separator = false;
    bool checked = false;
    std::uintptr_t popup = 0;
};
struct Menu {
    std::vector<MenuItem> items;
};

struct State {
    // screen and input
    sim::Screen screen;  // with the monitors, when set
    std::map<int, std::uint32_t> sysColors;
    LogFont iconFont{};
    Point cursor{0, 0};
    std::set<int> keysDown;
    std::set<sim::Call> failing;
    std::map<sim::Call, std::uint32_t> failError;  // chosen error codes of failing calls

    // windows
    std::map<std::uintptr_t, Window> windows;
    std::vector<std::uintptr_t> zorder;  // top-level windows, topmost band first
    std::uintptr_t foreground = 0, focus = 0, capture = 0;
    std::map<std::string, WindowClass> classes;  // by lower-case name
    std::map<std::uintptr_t, Batch> batches;
    int batchCount = 0;
    int threadReads = 0;  // GetWindowThreadProcessId calls
    std::vector<sim::MoveRecord> moves;
    std::vector<sim::ShowRecord> shows;
    std::vector<Hwnd> foregroundRequests;
    std::vector<sim::InvalidateRecord> invalidations;

    // messages and threads
    std::map<std::uint32_t, Queue> queues;
    std::vector<sim::PostRecord> posts;
    std::set<std::uint32_t> failThreadPosts;
    std::vector<Timer> timers;
    std::vector<sim::HotkeyRecord> hotkeys, hotkeyAttempts;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> heldHotkeys;

    // kernel
    std::map<std::uintptr_t, std::shared_ptr<KObject>> handles;
    std::map<std::string, std::weak_ptr<KObject>> named;
    std::map<std::string, std::shared_ptr<KObject>> externalHolds;  // HoldNamedMutex
    std::multimap<const void*, std::shared_ptr<KObject>> views;  // one entry per mapped view
    std::map<std::string, std::string> env;  // by lower-case name
    std::vector<std::string> files;
    std::string programPath = "C:\\Program Files\\Parmena\\parmena.exe";
    ExceptionFilter exceptionFilter = nullptr;

    // registry
    RegKey roots[2];
    std::map<std::uintptr_t, KeyHandle> keys;
    std::vector<std::pair<int, std::vector<std::string>>> denied;
    std::vector<std::string> failingValueWrites;  // value names, any key

    // gdi
    std::map<std::uintptr_t, GObject> gdi;
    std::map<std::uintptr_t, Dc> dcs;
    std::vector<sim::DrawCall> draws;
    int textExtentHeight = 16;
    int gdiViolations = 0;
    int hungWindowBlocks = 0;
    int deniedMoves = 0;  // refused moves of windows with SetMoveDenied
    std::int64_t clockMs = 0;  // the simulated clock, in milliseconds
    int rectReadCostMs = 0;    // what each GetWindowRect adds to it

    // menus
    std::map<std::uintptr_t, Menu> menus;
    std::vector<sim::MenuRecord> menusShown;
    int menuChoice = 0;

    // shell, help, dialogs, libraries
    std::vector<sim::MessageBoxRecord> messageBoxes;
    int messageBoxAnswer = IDOK;
    std::vector<NotifyIconData> tray;
    std::map<std::string, std::uint32_t> registeredMessages;
    std::vector<std::pair<Hwnd, std::uint32_t>> allowedMessages;  // ChangeWindowMessageFilterEx
    bool dwmMissing = false;
    std::vector<sim::HelpRecord> help;
    std::vector<sim::ShellExecuteRecord> shellExecutes;
    int shellExecuteResult = 33;
    std::vector<sim::HookCall> hookCalls;
    bool librariesMissing = false;
    std::function<void()> onAbout;
    std::function<int(void*, int, void*)> onPref;
};

State& S();  // only with Mu() held

// Shared helpers (lock held by the caller unless noted).
Window* Win(Hwnd w);
Window* Win(std::uintptr_t id);
Rect ScreenRect(const Window& w);
Rect ClientRect(const Window& w);
bool Shown(const Window& w);  // visible, and so are its parents
void ZRemove(std::uintptr_t id);
void ZInsertTop(std::uintptr_t id);
void ResetStockObjects();
void InitRegistry();
void InitMenus();
// Answers a message to a window that has no procedure (other programs' windows, list boxes).
LResult ForeignAnswer(Window& w, std::uint32_t msg, WParam wp, LParam lp);
Queue& EnsureQueue(std::uint32_t thread);
// The thread of this queue has nothing to do until something is posted or sent to it.
bool Idle(std::uint32_t thread, const Queue& q);
void InvalidateInternal(Window& w, const Rect* r, bool erase);
void ForgetWindow(std::uintptr_t id);  // drops every trace without messages
// Without the lock: sends and does not wait when the window belongs to another thread.
void SendNotify(Hwnd w, std::uint32_t msg, WParam wp, LParam lp);
void StopThreads();  // lock NOT held
void SetThreadIdForNewThread(std::uint32_t id);
// Drops the queue, windows and mutex ownership of a thread that has ended.
void EndThread(std::uint32_t thread);
std::uint32_t AllocateThreadId();
LResult PLAT_CALLBACK EditProc(Hwnd w, std::uint32_t msg, WParam wp, LParam lp);
void RegisterBuiltinClasses();

}  // namespace simi
