// Global state of the simulated desktop: lock, handles, thread ids, reset, system metrics,
// input state, message boxes and failure injection.
#include <atomic>
#include <chrono>
#include <cstring>

#include "platform/display.h"
#include "platform/kernel.h"
#include "platform/sim/sim_internal.h"
#include "platform/text.h"
#include "platform/window.h"

namespace simi {

namespace {
std::atomic<std::uintptr_t> nextHandle{0x1000};
std::atomic<std::uint32_t> nextThreadId{1};
thread_local std::uint32_t threadId = 0;
thread_local std::uint32_t lastError = 0;

// Any thread that used the simulation, however it was started, loses its windows and its
// queue when it ends, as on Win32.
struct ThreadEnd {
    std::uint32_t id = 0;
    ~ThreadEnd() {
        if (id) EndThread(id);
    }
};
thread_local ThreadEnd threadEnd;

State& Fresh(State& s) {
    s.sysColors = {{COLOR_BACKGROUND, 0x808000}, {COLOR_ACTIVECAPTION, 0x800000},
                   {COLOR_WINDOW, 0xFFFFFF},     {COLOR_WINDOWFRAME, 0},
                   {COLOR_CAPTIONTEXT, 0xFFFFFF}, {COLOR_BTNFACE, 0xC0C0C0}};
    s.iconFont = LogFont{};
    s.iconFont.lfHeight = -11;
    s.iconFont.lfWeight = 400;
    std::strcpy(s.iconFont.lfFaceName, "Tahoma");
    return s;
}

State* state = nullptr;
}  // namespace

// Never destroyed: product threads may still be waiting on them while the process exits.
std::recursive_mutex& Mu() {
    static auto* m = new std::recursive_mutex();
    return *m;
}

std::condition_variable_any& Cv() {
    static auto* cv = new std::condition_variable_any();
    return *cv;
}

State& S() {
    if (!state) {
        state = new State();
        Fresh(*state);
        ResetStockObjects();
        InitRegistry();
        InitMenus();
        RegisterBuiltinClasses();
    }
    return *state;
}

std::uintptr_t NewHandle() { return nextHandle.fetch_add(4); }

std::uint32_t CurrentThread() {
    if (threadId == 0) {
        threadId = nextThreadId.fetch_add(1);
        threadEnd.id = threadId;
    }
    return threadId;
}

void SetThreadIdForNewThread(std::uint32_t id) {
    threadId = id;
    threadEnd.id = id;
}
std::uint32_t AllocateThreadId() { return nextThreadId.fetch_add(1); }

void SetError(std::uint32_t code) { lastError = code; }

bool Failing(sim::Call function) {
    Lock lk(Mu());
    return S().failing.count(function) != 0;
}

std::uint32_t FailureError(sim::Call function, std::uint32_t usual) {
    Lock lk(Mu());
    auto it = S().failError.find(function);
    return it == S().failError.end() ? usual : it->second;
}

std::string Lower(const std::string& s) {
    std::string r = s;
    for (char& c : r) c = FoldAscii(c);
    return r;
}

bool EqualNoCase(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

}  // namespace simi

using namespace simi;

namespace plat {

std::uint32_t GetLastError() { return lastError; }
void SetLastError(std::uint32_t code) { lastError = code; }
std::uint32_t GetCurrentThreadId() { return CurrentThread(); }
std::uint32_t GetCurrentProcessId() { return SimProcessId; }

// The simulated desktop runs no other process that could be waited for.
Handle OpenProcess(std::uint32_t, Bool, std::uint32_t) {
    SetError(ERROR_ACCESS_DENIED);
    return nullptr;
}

void Sleep(std::uint32_t ms) {
    if (ms == 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

Bool QueryPerformanceCounter(std::int64_t* count) {
    Lock lk(Mu());
    if (Failing(sim::Call::QueryPerformanceCounter)) return 0;
    if (count) *count = S().clockMs;
    return 1;
}

Bool QueryPerformanceFrequency(std::int64_t* perSecond) {
    if (perSecond) *perSecond = 1000;
    return 1;
}

int GetSystemMetrics(int index) {
    Lock lk(Mu());
    const sim::Screen& s = S().screen;
    switch (index) {
        case SM_CXSCREEN: return s.width;
        case SM_CYSCREEN: return s.height;
        case SM_CXFULLSCREEN: return s.cxFullScreen;
        case SM_CYFULLSCREEN: return s.cyFullScreen;
        case SM_CYCAPTION: return s.cyCaption;
        case SM_CXFRAME: return s.cxFrame;
        case SM_CYFRAME: return s.cyFrame;
        case SM_CMOUSEBUTTONS: return s.mouseButtons;
        case SM_XVIRTUALSCREEN: return VirtualScreen().left;
        case SM_YVIRTUALSCREEN: return VirtualScreen().top;
        case SM_CXVIRTUALSCREEN: return VirtualScreen().right - VirtualScreen().left;
        case SM_CYVIRTUALSCREEN: return VirtualScreen().bottom - VirtualScreen().top;
        case SM_CMONITORS: return static_cast<int>(EffectiveMonitors().size());
        default: return 0;
    }
}

std::uint32_t GetSysColor(int index) {
    Lock lk(Mu());
    auto it = S().sysColors.find(index);
    return it == S().sysColors.end() ? 0 : it->second;
}

Bool SystemParametersInfo(std::uint32_t action, std::uint32_t param, void* pv, std::uint32_t) {
    if (action != SPI_GETICONTITLELOGFONT || pv == nullptr || (param != 0 && param < sizeof(LogFont))) {
        SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Lock lk(Mu());
    std::memcpy(pv, &S().iconFont, sizeof(LogFont));
    return 1;
}

Bool GetCursorPos(Point* p) {
    if (!p) return 0;
    Lock lk(Mu());
    *p = S().cursor;
    return 1;
}

Bool SetCursorPos(int x, int y) {
    Lock lk(Mu());
    // The real cursor never leaves the monitors.
    S().cursor = OntoNearestMonitor(Point{x, y});
    return 1;
}

std::int16_t GetAsyncKeyState(int vk) {
    Lock lk(Mu());
    return S().keysDown.count(vk) ? static_cast<std::int16_t>(-32768) : 0;
}

int MessageBox(Hwnd owner, const char* text, const char* caption, std::uint32_t type) {
    Lock lk(Mu());
    S().messageBoxes.push_back({owner, text ? text : "", caption ? caption : "Error", type});
    return S().messageBoxAnswer;
}

}  // namespace plat

namespace sim {

void Reset() {
    StopThreads();
    Lock lk(Mu());
    State* old = state;
    state = nullptr;
    S();
    delete old;
    lastError = 0;
    Cv().notify_all();
}

void SetScreen(const Screen& s) {
    Lock lk(Mu());
    S().screen = s;
}

Screen GetScreen() {
    Lock lk(Mu());
    return S().screen;
}

void SetSysColor(int index, std::uint32_t color) {
    Lock lk(Mu());
    S().sysColors[index] = color;
}

void SetIconTitleFont(const plat::LogFont& lf) {
    Lock lk(Mu());
    S().iconFont = lf;
}

void SetCursor(int x, int y) {
    Lock lk(Mu());
    S().cursor = {x, y};
}

plat::Point Cursor() {
    Lock lk(Mu());
    return S().cursor;
}

void SetKeyDown(int vk, bool down) {
    Lock lk(Mu());
    if (down)
        S().keysDown.insert(vk);
    else
        S().keysDown.erase(vk);
}

std::vector<MessageBoxRecord> MessageBoxes() {
    Lock lk(Mu());
    return S().messageBoxes;
}

void SetMessageBoxAnswer(int answer) {
    Lock lk(Mu());
    S().messageBoxAnswer = answer;
}

void FailCall(Call function, bool fail, std::uint32_t error) {
    Lock lk(Mu());
    if (fail)
        S().failing.insert(function);
    else
        S().failing.erase(function);
    if (fail && error)
        S().failError[function] = error;
    else
        S().failError.erase(function);
}

bool WaitFor(const std::function<bool()>& cond, int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (cond()) return true;
        if (std::chrono::steady_clock::now() >= end) return cond();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace sim
