// Figures only: time from the start of a switch to the first and the last window's arrival, for
// Parmena's Ctrl+Alt+arrow and for a bare deferred batch of the same windows from a second
// process, interleaved so that both see the same Wine; each size back to back and again with the
// repaint settled before each start, at 300 windows also without the middle-button hook; with
// freshly hung windows too; and the processor share of an idle Parmena. Nothing here passes or
// fails on speed.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "e2e/driver.h"

namespace e2e {

namespace {

constexpr int Reps = 20;          // out-and-back pairs per measurement
constexpr int BigReps = 10;       // the same with 1000 windows, whose switches take seconds
constexpr int BigThreads = 10;    // the 1000 windows belong to this many threads
constexpr int HungReps = 12;      // the same with hung windows, which wait for their late moves
constexpr DWORD StallMs = 1000;   // a fresh hang: the system does not yet report it
constexpr LONG ProbeWaitMs = 40;  // the longest Parmena's switch waits for answers
constexpr int MaxOrder = 1024;
const char OrderName[] = "parmbench.order";
const char GoName[] = "parmbench.go";
const char QuitName[] = "parmbench.quit";

// The bare batch the second process makes: window handles and absolute targets.
struct BatchOrder {
    volatile LONG count;
    LONG waitMs;  // the mover waits this long before its batch
    UINT extraFlags;  // added to every move's flags
    LONG fromTop;     // moves the windows from the last to the first: from the top of the Z-order
    struct {
        LONGLONG window;
        LONG x, y;
    } moves[MaxOrder];
};

double Ms(const LARGE_INTEGER& a, const LARGE_INTEGER& b) {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    return double(b.QuadPart - a.QuadPart) * 1000.0 / double(freq.QuadPart);
}

// Set while a comparison lets the windows finish repainting before each measured start.
bool settleFirst = false;
constexpr DWORD SettleMs = 200;

// What a hand leaves between two presses: every window has painted what the last move uncovered
// (UpdateWindow waits for each window's thread to paint), and Wine has had a moment to catch up.
void SettleRepaint(const std::vector<TestWindow*>& ws) {
    for (TestWindow* t : ws) UpdateWindow(t->hwnd);
    Sleep(SettleMs);
}

}  // namespace

// The first arrival is where the batch begins, so what comes before it is the mover's own time,
// apart from the batch's, which varies far more. A whole hotkey chord is now and then lost right
// after a foreground change.
Timing Timed(const char* what, const std::vector<TestWindow*>& ws, const std::function<POINT(const RECT&)>& target,
             const std::function<void()>& trigger, bool again) {
    if (!moveWatch.done) moveWatch.done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    moveWatch.remaining.store(LONG(ws.size()), std::memory_order_relaxed);
    ResetEvent(moveWatch.done);
    for (TestWindow* t : ws) {
        const POINT to = target(RectOf(t->hwnd));
        t->targetX = to.x;
        t->targetY = to.y;
        t->arrived.store(0, std::memory_order_relaxed);
        t->watching.store(1, std::memory_order_release);
    }
    if (settleFirst) SettleRepaint(ws);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    trigger();
    // A thousand windows take Parmena a while to look at before the first one moves.
    if (again && WaitForSingleObject(moveWatch.done, DWORD(3000 + 5 * ws.size())) != WAIT_OBJECT_0 &&
        moveWatch.remaining.load(std::memory_order_relaxed) == LONG(ws.size())) {
        std::printf("BENCH note: nothing moved within 3 s; started once more\n");
        QueryPerformanceCounter(&start);
        trigger();
    }
    const bool all = WaitForSingleObject(moveWatch.done, 30000) == WAIT_OBJECT_0;
    if (!all) {
        int shown = 0;
        for (TestWindow* t : ws)
            if (!t->arrived.load(std::memory_order_relaxed) && shown++ < 3)
                std::printf("BENCH note: after %s, %s at %s, target (%ld,%ld); %ld missing\n", what, TitleOf(t->hwnd).c_str(),
                            RectText(RectOf(t->hwnd)).c_str(), t->targetX, t->targetY,
                            moveWatch.remaining.load(std::memory_order_relaxed));
    }
    LARGE_INTEGER first{}, last = start;
    first.QuadPart = LLONG_MAX;
    for (TestWindow* t : ws) {
        t->watching.store(0, std::memory_order_relaxed);
        if (!t->arrived.load(std::memory_order_acquire)) continue;
        if (t->arrivedAt.QuadPart > last.QuadPart) last = t->arrivedAt;
        if (t->arrivedAt.QuadPart < first.QuadPart) first = t->arrivedAt;
    }
    return all ? Timing{Ms(start, first), Ms(start, last)} : Timing{};
}

Timing Timed(const char* what, const std::vector<TestWindow*>& ws, int dx, const std::function<void()>& trigger,
             bool again) {
    return Timed(what, ws, [dx](const RECT& r) { return POINT{r.left + dx, r.top}; }, trigger, again);
}

namespace {

struct Mover {
    PROCESS_INFORMATION pi{};
    HANDLE map = nullptr, go = nullptr, quit = nullptr;
    BatchOrder* order = nullptr;
};

bool StartMover(Mover& m) {
    m.map = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(BatchOrder), OrderName);
    m.order = m.map ? static_cast<BatchOrder*>(MapViewOfFile(m.map, FILE_MAP_WRITE, 0, 0, sizeof(BatchOrder))) : nullptr;
    m.go = CreateEventA(nullptr, FALSE, FALSE, GoName);
    m.quit = CreateEventA(nullptr, TRUE, FALSE, QuitName);
    return m.order && m.go && m.quit && LaunchProcess(appDir + "\\parmdriver.exe", "parmdriver.exe mover", &m.pi);
}

void StopMover(Mover& m) {
    if (m.quit) SetEvent(m.quit);
    if (m.pi.hProcess) {
        WaitForSingleObject(m.pi.hProcess, 10000);
        CloseHandle(m.pi.hProcess);
        CloseHandle(m.pi.hThread);
    }
    if (m.order) UnmapViewOfFile(m.order);
    for (HANDLE h : {m.map, m.go, m.quit})
        if (h) CloseHandle(h);
    m = Mover{};
}

// The bare batch meets what Parmena's switch meets: a settled anchor before the way out, and
// with hung windows, their thread stalled while it runs (resumed at once after).
Timing TimedBare(Mover& m, HWND pager, const std::vector<TestWindow*>& ws, int dx, WindowThread* hung, LONG waitMs = 0,
                 UINT extraFlags = 0, bool fromTop = false) {
    if (dx < 0) {
        const std::string why = SettleAnchor(pager);
        if (!why.empty()) std::printf("BENCH note: %s\n", why.c_str());
    }
    if (hung && !StallThread(*hung, StallMs)) std::printf("BENCH note: the hung windows did not hang\n");
    const Timing t = Timed("the bare batch", ws, dx, [&] {
        const LONG n = LONG(std::min<size_t>(ws.size(), MaxOrder));
        for (LONG i = 0; i < n; ++i) {
            m.order->moves[i].window = LONGLONG(reinterpret_cast<INT_PTR>(ws[i]->hwnd));
            m.order->moves[i].x = ws[i]->targetX;
            m.order->moves[i].y = ws[i]->targetY;
        }
        m.order->count = n;
        m.order->waitMs = waitMs;
        m.order->extraFlags = extraFlags;
        m.order->fromTop = fromTop;
        SetEvent(m.go);
    }, true);
    if (hung) {
        UnstallThread(*hung);
        if (!hung->windows.empty() && !Responsive(hung->windows[0]->hwnd, 5000))
            std::printf("BENCH note: the hung windows did not answer again\n");
    }
    return t;
}

// The anchor is settled before the way out only: a chord right after a foreground change is
// the one Wine tends to lose.
Timing TimedHotkey(HWND pager, const std::vector<TestWindow*>& ws, WORD vk, int dx) {
    if (vk == VK_RIGHT) {
        const std::string why = SettleAnchor(pager);
        if (!why.empty()) std::printf("BENCH note: %s\n", why.c_str());
    }
    return Timed("Parmena's switch", ws, dx, [&] { SendHotkey(vk); }, true);
}

// The value that a share q of the samples does not exceed (nearest rank).
double Quantile(std::vector<double> v, double q) {
    if (v.empty()) return -1.0;
    std::sort(v.begin(), v.end());
    const size_t rank = size_t(q * double(v.size()) + 0.999999);
    return v[std::min(v.size() - 1, rank ? rank - 1 : 0)];
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1.0 : v[v.size() / 2];
}

// One comparison line: medians and their ratio, the same switch by switch, and the time to the
// first window's arrival.
void Report(const std::string& what, const std::vector<Timing>& parmena, const std::vector<Timing>& bare,
            const std::string& other) {
    const auto unmeasured = [](const Timing& t) { return t.last < 0; };
    if (parmena.size() != bare.size() || std::any_of(parmena.begin(), parmena.end(), unmeasured) ||
        std::any_of(bare.begin(), bare.end(), unmeasured)) {
        std::printf("BENCH %s: not every window arrived within 30 s\n", what.c_str());
        std::fflush(stdout);
        return;
    }
    std::vector<double> pLast, bLast, pFirst, bFirst, pairRatio, pairDiff;
    for (size_t i = 0; i < parmena.size(); ++i) {
        pLast.push_back(parmena[i].last);
        bLast.push_back(bare[i].last);
        pFirst.push_back(parmena[i].first);
        bFirst.push_back(bare[i].first);
        pairRatio.push_back(parmena[i].last / bare[i].last);
        pairDiff.push_back(parmena[i].last - bare[i].last);
    }
    const double pm = Median(pLast), bm = Median(bLast);
    std::printf("BENCH %s: Parmena median %.1f ms (min %.1f, max %.1f), %s median %.1f ms, ratio %.2f, "
                "difference %+.1f ms; paired switch by switch: median ratio %.2f (90th percentile %.2f), median difference %+.1f ms; "
                "first window moved after %.1f ms (Parmena) and %.1f ms, difference %+.1f ms (%zu switches each)\n",
                what.c_str(), pm, *std::min_element(pLast.begin(), pLast.end()),
                *std::max_element(pLast.begin(), pLast.end()), other.c_str(), bm, pm / bm, pm - bm,
                Median(pairRatio), Quantile(pairRatio, 0.9), Median(pairDiff), Median(pFirst), Median(bFirst), Median(pFirst) - Median(bFirst),
                pLast.size());
    std::fflush(stdout);
}

// How far the bare batch's own times scatter: a ratio goal tighter than this cannot be judged.
void ReportNoiseFloor(const std::string& what, const std::vector<Timing>& again, const std::vector<Timing>& bare) {
    std::vector<double> ratio;
    for (size_t i = 0; i < again.size() && i < bare.size(); ++i)
        if (again[i].last > 0 && bare[i].last > 0) ratio.push_back(again[i].last / bare[i].last);
    if (ratio.size() != bare.size()) return;
    std::printf("BENCH %s: noise floor, the bare batch against itself: paired median ratio %.2f (90th percentile %.2f)\n",
                what.c_str(), Median(ratio), Quantile(ratio, 0.9));
    std::fflush(stdout);
}

// Parmena and the bare batch, out and back each, `Reps` times, taking turns at going first so
// that neither always follows the other's aftermath. Each switch is paired with the bare batch of
// the same repetition and direction: a way back, which uncovers windows, costs Wine more than the
// way out. With hung windows, their thread stops answering just before each switch and each
// batch; Parmena's late moves of them are awaited before the next measurement, and the batches
// move the responsive windows only. Settled: each start waits until the windows have repainted.
void Compare(Parmena& p, Mover& m, const std::vector<TestWindow*>& ws, WindowThread* hung, int reps,
             const char* note = "", bool settled = false) {
    settleFirst = settled && !hung;
    const int W = GetSystemMetrics(SM_CXSCREEN);
    std::vector<HWND> hs;
    if (hung)
        for (TestWindow* t : hung->windows) hs.push_back(t->hwnd);
    const std::vector<RECT> hungHome = Rects(hs);
    // With hung windows also a bare batch that first waits as long as the probe may: what the
    // wait itself costs under Wine, where a batch started later runs slower.
    // Without hung windows, a second bare batch is the noise floor: the same batch against itself.
    std::vector<Timing> parmena, bare, bareWaited, bareAgain;
    auto bareOutAndBack = [&] {
        bare.push_back(TimedBare(m, p.pager, ws, -W, hung));
        bare.push_back(TimedBare(m, p.pager, ws, W, hung));
        if (!hung) return;
        bareWaited.push_back(TimedBare(m, p.pager, ws, -W, hung, ProbeWaitMs));
        bareWaited.push_back(TimedBare(m, p.pager, ws, W, hung, ProbeWaitMs));
    };
    auto bareAgainOutAndBack = [&] {
        if (hung) return;
        bareAgain.push_back(TimedBare(m, p.pager, ws, -W, nullptr));
        bareAgain.push_back(TimedBare(m, p.pager, ws, W, nullptr));
    };
    for (int rep = 0; rep < reps; ++rep) {
        // Each of the three goes first, second and last in turn.
        const bool bareFirst = rep % 2 == 1;
        if (rep % 3 == 1) bareAgainOutAndBack();
        if (bareFirst) bareOutAndBack();
        for (int dir = 0; dir < 2; ++dir) {
            const int dx = dir == 0 ? -W : W;
            if (hung && !StallThread(*hung, StallMs)) std::printf("BENCH note: the hung windows did not hang\n");
            parmena.push_back(TimedHotkey(p.pager, ws, dir == 0 ? VK_RIGHT : VK_LEFT, dx));
            if (hung) {
                const std::string late = WaitPositions(Shifted(hs, hungHome, dir == 0 ? -W : 0, 0), Sizes(hungHome), StallMs + 10000);
                if (!late.empty()) std::printf("BENCH note: the hung windows did not follow: %s\n", late.c_str());
            }
        }
        if (!bareFirst) bareOutAndBack();
        if (rep % 3 != 1) bareAgainOutAndBack();
    }
    const int k = int(hs.size());
    const std::string what = (k ? Format("%3zu windows, %d freshly hung", ws.size(), k) : Format("%3zu windows", ws.size())) + note;
    Report(what, parmena, bare, "bare batch");
    if (!hung) ReportNoiseFloor(what, bareAgain, bare);
    if (hung) Report(what, parmena, bareWaited, Format("bare batch after a %ld ms wait", ProbeWaitMs));
    settleFirst = false;
}

// Measured by the runner from /proc: under Wine, GetProcessTimes of another process returns the
// caller's own times. The ten seconds are the measurement itself.
void IdleShare() {
    const std::string req = shotDir + "\\idle-100.cpu", answer = shotDir + "\\idle-100.txt";
    DeleteFileA(answer.c_str());
    HANDLE f = CreateFileA(req.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        std::printf("BENCH idle share not measured: cannot write %s\n", req.c_str());
        return;
    }
    DWORD written;
    WriteFile(f, "10", 2, &written, nullptr);
    CloseHandle(f);
    Sleep(10000);  // keep still while the runner measures: polling would count as wineserver work
    const bool done = WaitFor(30000, [&] { return GetFileAttributesA(req.c_str()) == INVALID_FILE_ATTRIBUTES; });
    char text[512] = "";
    HANDLE a = CreateFileA(answer.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (a != INVALID_HANDLE_VALUE) {
        DWORD got = 0;
        ReadFile(a, text, sizeof text - 1, &got, nullptr);
        text[got] = 0;
        CloseHandle(a);
        while (got && (text[got - 1] == '\n' || text[got - 1] == '\r')) text[--got] = 0;
    }
    if (!done || !*text)
        std::printf("BENCH idle share not measured: the runner gave no answer\n");
    else
        std::printf("BENCH idle Parmena with 100 windows over 10 s: %s\n", text);
    std::fflush(stdout);
}

// What the hotkey path itself costs, outside Parmena: from SendInput of a Ctrl+Alt chord to
// WM_HOTKEY in a thread of this process that registered it. Parmena's times include it; the
// bare batch, started by an event, does not.
struct HotkeyProbe {
    DWORD thread = 0;
    HANDLE ready = nullptr, hit = nullptr;
    LARGE_INTEGER at{};
};

DWORD WINAPI HotkeyProbeMain(void* arg) {
    auto* h = static_cast<HotkeyProbe*>(arg);
    MSG m;
    PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);
    const BOOL registered = RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, VK_F9);
    SetEvent(h->ready);
    if (!registered) return 1;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        if (m.message != WM_HOTKEY) continue;
        QueryPerformanceCounter(&h->at);
        SetEvent(h->hit);
    }
    UnregisterHotKey(nullptr, 1);
    return 0;
}

double HotkeyDelivery() {
    HotkeyProbe h;
    h.ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    h.hit = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE t = CreateThread(nullptr, 0, HotkeyProbeMain, &h, 0, &h.thread);
    std::vector<double> times;
    if (t && WaitForSingleObject(h.ready, 5000) == WAIT_OBJECT_0) {
        for (int i = 0; i < 2 * Reps; ++i) {
            LARGE_INTEGER start;
            QueryPerformanceCounter(&start);
            SendHotkey(VK_F9);
            if (WaitForSingleObject(h.hit, 3000) == WAIT_OBJECT_0) times.push_back(Ms(start, h.at));
            Sleep(50);
        }
        PostThreadMessageA(h.thread, WM_QUIT, 0, 0);
        WaitForSingleObject(t, 5000);
    }
    if (t) CloseHandle(t);
    CloseHandle(h.ready);
    CloseHandle(h.hit);
    return times.size() == size_t(2 * Reps) ? Median(times) : -1.0;
}

bool AddHungWindows(WindowThread& t, int k) {
    if (!StartWindowThread(t)) return false;
    for (int i = 0; i < k; ++i)
        if (!CreateTestWindow(t, Format("bench hung %d", i).c_str(), 500 + 30 * i, 400 + 30 * i, 160, 100,
                              RGB(240, 150, 120)))
            return false;
    return true;
}

// The bare batch as it is and in a variant, out and back, taking turns at going first; away: the
// windows first go this far, so that both ways run between two off-screen places.
void CompareBare(const char* what, Mover& m, HWND pager, const std::vector<TestWindow*>& ws, int reps, int away,
                 UINT flags, bool fromTop) {
    const int W = GetSystemMetrics(SM_CXSCREEN);
    const bool gone = !away || TimedBare(m, pager, ws, away, nullptr).last >= 0;
    std::vector<double> plain, variant, ratio;
    for (int rep = 0; rep < reps && gone; ++rep) {
        double t[2][2] = {};
        for (int k = 0; k < 2; ++k) {
            const int v = (k + rep) % 2;
            t[v][0] = TimedBare(m, pager, ws, -W, nullptr, 0, v ? flags : 0, v && fromTop).last;
            t[v][1] = TimedBare(m, pager, ws, W, nullptr, 0, v ? flags : 0, v && fromTop).last;
        }
        for (int dir = 0; dir < 2; ++dir) {
            if (t[0][dir] < 0 || t[1][dir] < 0) continue;
            plain.push_back(t[0][dir]);
            variant.push_back(t[1][dir]);
            ratio.push_back(t[1][dir] / t[0][dir]);
        }
    }
    if (away) TimedBare(m, pager, ws, -away, nullptr);
    if (ratio.empty()) {
        std::printf("BENCH %s, %zu windows: not measured (windows did not arrive)\n", what, ws.size());
    } else {
        std::printf("BENCH %s, %zu windows: bare batch %.1f ms, variant %.1f ms; paired ratio median %.2f (90th "
                    "percentile %.2f, %zu batches each)\n",
                    what, ws.size(), Median(plain), Median(variant), Median(ratio), Quantile(ratio, 0.9), ratio.size());
    }
    std::fflush(stdout);
}

// Whether moves from one off-screen place to another get cheaper without redrawing or copying
// bits (between one and two desktops right of the screen), and what the order of a batch costs
// (the first window created lies lowest in the Z-order).
void BareVariants(Mover& m, HWND pager, const std::vector<TestWindow*>& ws, int reps) {
    const int W = GetSystemMetrics(SM_CXSCREEN);
    CompareBare("off-screen moves with SWP_NOREDRAW | SWP_NOCOPYBITS", m, pager, ws, reps, 2 * W,
                SWP_NOREDRAW | SWP_NOCOPYBITS, false);
    CompareBare("batch from the top of the Z-order", m, pager, ws, reps, 0, 0, true);
}

// Quits Parmena and waits for it; true when it has gone.
bool QuitParmena(Parmena& p) {
    if (!p.pi.hProcess || !Running(p)) return false;
    PostMessageA(p.pager, WM_COMMAND, 103, 0);
    DWORD code;
    const bool gone = WaitExit(p, 30000, &code);
    EndParmena(p);
    return gone;
}

// The same settled comparison with Parmena started again without its middle-button hook. Under
// Wine, a window moved under the still pointer turns into mouse input, and that input passes
// the hook; on Windows it does not. Parmena is started again with the hook afterwards.
void CompareWithoutHook(Parmena& p, Mover& m, const std::vector<TestWindow*>& ws) {
    if (!QuitParmena(p)) return;
    const bool off = WriteDword("Preferences", "Disable middle button", 1);
    std::string why = off ? StartParmena(p) : "the setting could not be stored";
    if (why.empty())
        Compare(p, m, ws, nullptr, Reps, ", middle-button hook off, repaint settled before each start", true);
    else
        std::printf("BENCH without the hook not measured: %s\n", why.c_str());
    QuitParmena(p);
    WriteDword("Preferences", "Disable middle button", 0);
    why = StartParmena(p);
    if (!why.empty()) std::printf("BENCH note: Parmena did not start again: %s\n", why.c_str());
}

}  // namespace

// The second process of the comparison: makes each ordered batch when told to.
int RunMover() {
    HANDLE map = OpenFileMappingA(FILE_MAP_READ, FALSE, OrderName);
    const auto* order = map ? static_cast<const BatchOrder*>(MapViewOfFile(map, FILE_MAP_READ, 0, 0, sizeof(BatchOrder))) : nullptr;
    HANDLE events[2] = {OpenEventA(SYNCHRONIZE, FALSE, GoName), OpenEventA(SYNCHRONIZE, FALSE, QuitName)};
    if (!order || !events[0] || !events[1]) return 1;
    while (WaitForMultipleObjects(2, events, FALSE, 600000) == WAIT_OBJECT_0) {
        if (order->waitMs > 0 && order->waitMs <= 1000) Sleep(DWORD(order->waitMs));
        const LONG count = order->count;
        const LONG n = std::min<LONG>(count, MaxOrder);
        HDWP batch = BeginDeferWindowPos(n);
        for (LONG k = 0; batch && k < n; ++k) {
            const LONG i = order->fromTop ? n - 1 - k : k;
            batch = DeferWindowPos(batch, reinterpret_cast<HWND>(INT_PTR(order->moves[i].window)), nullptr,
                                   order->moves[i].x, order->moves[i].y, 0, 0,
                                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | order->extraFlags);
        }
        if (batch) EndDeferWindowPos(batch);
    }
    UnmapViewOfFile(order);
    CloseHandle(map);
    CloseHandle(events[0]);
    CloseHandle(events[1]);
    return 0;
}

// A change of resolution with the view one desktop right of the windows' own: from the change
// call to the last window's arrival at its place laid out for the new size (kept, or moved in
// just far enough to fit), beside a switch of the same windows. The change call's own time, in
// which Wine resizes its desktop, is shown apart.
void DisplayChangeCost(Parmena& p, const std::vector<TestWindow*>& ws) {
    const int W = GetSystemMetrics(SM_CXSCREEN), H = GetSystemMetrics(SM_CYSCREEN);
    const Timing out = TimedHotkey(p.pager, ws, VK_RIGHT, -W);
    std::vector<Timing> changes;
    std::vector<double> calls;
    for (const SIZE size : {SIZE{800, 600}, SIZE{W, H}}) {
        const int before = GetSystemMetrics(SM_CXSCREEN);
        double callMs = -1;
        changes.push_back(Timed("the re-layout", ws,
                                [&](const RECT& r) {
                                    const LONG x = std::min<LONG>(r.left + before, size.cx - (r.right - r.left));
                                    return POINT{x - size.cx, r.top};
                                },
                                [&] {
                                    DEVMODEA dm{};
                                    dm.dmSize = sizeof dm;
                                    dm.dmPelsWidth = DWORD(size.cx);
                                    dm.dmPelsHeight = DWORD(size.cy);
                                    dm.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
                                    const double t0 = NowMs();
                                    if (ChangeDisplaySettingsExA(nullptr, &dm, nullptr, 0, nullptr) != DISP_CHANGE_SUCCESSFUL)
                                        std::printf("BENCH note: the change to %ldx%ld was refused\n", size.cx, size.cy);
                                    callMs = NowMs() - t0;
                                },
                                true));
        calls.push_back(callMs);
    }
    const Timing back = TimedHotkey(p.pager, ws, VK_LEFT, GetSystemMetrics(SM_CXSCREEN));
    if (out.last < 0 || back.last < 0 || changes[0].last < 0 || changes[1].last < 0) {
        std::printf("BENCH display change with %zu windows: not every window arrived within 30 s\n", ws.size());
    } else {
        std::printf("BENCH display change with %zu windows: re-layout done %.1f ms (to 800x600) and %.1f ms (back to "
                    "%dx%d) after the change call began, which itself took %.1f and %.1f ms; a switch of the same "
                    "windows %.1f ms out, %.1f ms back\n",
                    ws.size(), changes[0].last, changes[1].last, W, H, calls[0], calls[1], out.last, back.last);
    }
    std::fflush(stdout);
}

// What each change of desktop adds: one 28-byte registry write of the recovery record, made
// here into a value of its own beside Parmena's.
void RecordCost() {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Orvanne\\Parmena\\Preferences", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        std::printf("BENCH recovery record not measured: the Preferences key cannot be opened\n");
        return;
    }
    BYTE data[28] = {1, 0, 0, 0, 1, 0, 0, 0, 0, 4, 0, 0, 0, 3, 0, 0};
    std::vector<double> times;
    for (int i = 0; i < 200; ++i) {
        data[0] = static_cast<BYTE>(i & 1);
        const double t0 = NowMs();
        RegSetValueExA(key, "Session bench", 0, REG_BINARY, data, sizeof data);
        times.push_back(NowMs() - t0);
    }
    RegDeleteValueA(key, "Session bench");
    RegCloseKey(key);
    std::sort(times.begin(), times.end());
    std::printf("BENCH recovery record per switch: median %.1f us (max %.1f us) for one registry write\n",
                1000 * times[times.size() / 2], 1000 * times.back());
}

int RunBench() {
    if (!ParmenaPresent()) {
        std::printf("BENCH cannot run: parmena.exe not found in %s\n", appDir.c_str());
        return 1;
    }
    WindowThread thread;
    if (!StartWindowThread(thread)) return 1;
    TestWindow* a = CreateTestWindow(thread, "E2E anchor", 10, 700, 170, 50, RGB(250, 250, 160), true);
    anchor = a ? a->hwnd : nullptr;
    if (anchor) anchorHome = POINT{RectOf(anchor).left, RectOf(anchor).top};
    moveWatch.done = CreateEventA(nullptr, TRUE, FALSE, nullptr);

    Mover mover;
    int rc = 0;
    if (!StartMover(mover)) {
        std::printf("BENCH cannot run: the second process for the bare batch did not start\n");
        rc = 1;
    }
    Parmena p;
    std::string why = rc ? "" : StartParmena(p);
    if (!why.empty()) {
        std::printf("BENCH cannot run: Parmena did not start: %s\n", why.c_str());
        rc = 1;
    }
    const double hotkey = rc ? -1.0 : HotkeyDelivery();
    if (hotkey >= 0)
        std::printf("BENCH hotkey delivery (Ctrl+Alt+F9 from SendInput to WM_HOTKEY in another thread): median %.1f ms\n",
                    hotkey);
    else if (!rc)
        std::printf("BENCH hotkey delivery not measured: Ctrl+Alt+F9 could not be registered or was lost\n");
    // E2E_BENCH_SIZES (say "100,1000") measures only the plain switches of those sizes.
    std::vector<int> sizes = {10, 100, 300, 1000};
    const char* only = std::getenv("E2E_BENCH_SIZES");
    if (only && *only) {
        sizes.clear();
        for (const char* c = only; *c;) {
            char* end = nullptr;
            const long n = std::strtol(c, &end, 10);
            if (end == c) break;
            if (n > 0 && n <= MaxOrder) sizes.push_back(int(n));
            c = *end ? end + 1 : end;
        }
    }
    const bool extras = !(only && *only);
    // The first 300 windows belong to one thread, as before; from there on, windows go to nine
    // more threads in turn.
    WindowThread more[BigThreads - 1];
    std::vector<TestWindow*> ws;
    for (int n : sizes) {
        if (rc) break;
        while (int(ws.size()) < n) {
            const int i = int(ws.size());
            WindowThread& owner = i < 300 ? thread : more[(i - 300) % (BigThreads - 1)];
            if (!owner.thread && !StartWindowThread(owner)) {
                std::printf("BENCH cannot start a window thread\n");
                rc = 1;
                break;
            }
            TestWindow* t = CreateTestWindow(owner, Format("bench %d", i).c_str(), 20 + (i % 20) * 42,
                                             20 + (i / 20 % 15) * 42, 120, 80, RGB(160 + i % 90, 200, 240 - i % 80));
            if (!t) {
                std::printf("BENCH cannot create window %d\n", i);
                rc = 1;
                break;
            }
            ws.push_back(t);
        }
        if (rc) break;
        Compare(p, mover, ws, nullptr, n > 300 ? BigReps : Reps);
        Compare(p, mover, ws, nullptr, n > 300 ? BigReps : Reps, ", repaint settled before each start", true);
        if (n == 100 || n == 1000) BareVariants(mover, p.pager, ws, n > 300 ? BigReps : Reps);
        if (n == 300) CompareWithoutHook(p, mover, ws);
        for (int k : {1, 5}) {
            if (n != 100 || !extras) break;
            WindowThread hung;
            if (AddHungWindows(hung, k))
                Compare(p, mover, ws, &hung, HungReps);
            else
                std::printf("BENCH cannot create %d hung windows\n", k);
            StopWindowThread(hung);
        }
        if (n == 100 && extras) {
            IdleShare();
            DisplayChangeCost(p, ws);
        }
    }
    // One window shown on every desktop beside the same windows: the mark is read at start, so
    // Parmena starts again with the window already marked.
    if (extras && !rc && QuitParmena(p)) {
        TestWindow* pinned = CreateTestWindow(thread, "bench pinned", 600, 500, 200, 120, RGB(200, 160, 240));
        if (pinned) SetPropW(pinned->hwnd, L"ParmenaShownOnEveryDesktop", reinterpret_cast<HANDLE>(1));
        why = pinned ? StartParmena(p) : "the pinned window could not be made";
        if (why.empty())
            Compare(p, mover, ws, nullptr, ws.size() > 300 ? BigReps : Reps, ", 1 more shown on every desktop");
        else
            std::printf("BENCH shown on every desktop not measured: %s\n", why.c_str());
    }
    if (extras) RecordCost();
    QuitParmena(p);
    EndParmena(p);
    StopMover(mover);
    for (WindowThread& t : more)
        if (t.thread) StopWindowThread(t);
    StopWindowThread(thread);
    CloseHandle(moveWatch.done);
    anchor = nullptr;
    return rc;
}

}  // namespace e2e
