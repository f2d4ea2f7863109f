#include "core/switching.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

#include "config/settings.h"
#include "core/desktop.h"
#include "core/movebatch.h"
#include "core/pending.h"
#include "core/session.h"
#include "core/sticky.h"
#include "core/ticks.h"
#include "core/unmovable.h"
#include "core/windows.h"
#include "core/zorder.h"
#include "platform/kernel.h"
#include "platform/window.h"

std::atomic<std::uint32_t> moveThreadId{0};

namespace {

// Each candidate's thread is asked as the walk finds it, and the answers are awaited together
// at its end, so the wait is bounded by one time-out however many windows hang, and the rest of
// the walk overlaps the answers' way back. The callback data is the candidate's index with the
// probe's generation above it: an answer that comes after its switch gave up (or during a
// switch nested in the wait) finds another generation and is dropped.
constexpr unsigned IndexBits = 16;
static_assert(MaxWalkSteps <= (1 << IndexBits), "candidate indexes must fit the callback data");

// A thread asked late in a long walk still has this long to answer.
constexpr std::int64_t LateAskMs = 10;

// A window's thread never changes, so the switches' walks read it once per window and keep it
// while they still find the window: one round trip less per window in every later switch, and
// under Wine each one queues behind whatever repaint the last switch set off. A handle is not
// reused before its 16-bit uniqueness count wraps, which no window closed between two switches
// comes near. Only the main thread walks for a switch.
struct KnownThread {
    plat::Hwnd window;
    std::uint32_t thread;
};
std::vector<KnownThread> knownThreads;  // by window, as the last walk found them

bool ByWindow(const KnownThread& a, const KnownThread& b) {
    return reinterpret_cast<std::uintptr_t>(a.window) < reinterpret_cast<std::uintptr_t>(b.window);
}

struct Probe {
    std::vector<SwitchCandidate> candidates;
    std::vector<KnownThread>* threadsSeen = nullptr;  // a switch's walk: what it found, to keep
    std::vector<bool> notAwaited;         // its answer is not waited for (see Ask)
    std::vector<std::size_t> answersFor;  // the candidate whose answer stands for this one
    std::vector<std::pair<std::uint32_t, std::size_t>> asked;  // thread, the candidate asked
    std::uintptr_t generation = 0;
    int outstanding = 0;
    std::int64_t lastAsk = 0;
};
// Per thread: the answers come back to the thread that asked, and a fold may run on another
// thread than the switches.
thread_local Probe* activeProbe = nullptr;
thread_local std::uintptr_t lastGeneration = 0;

std::atomic<bool> movesStopped{false};

void PLAT_CALLBACK ProbeAnswered(plat::Hwnd w, std::uint32_t, std::uintptr_t data, plat::LResult) {
    Probe* p = activeProbe;
    const std::uintptr_t mask = (std::uintptr_t{1} << IndexBits) - 1;
    if (!p || (data >> IndexBits) != p->generation) return;
    const std::size_t index = data & mask;
    if (index >= p->candidates.size()) return;
    SwitchCandidate& c = p->candidates[index];
    if (c.window != w || c.answered) return;
    c.answered = true;
    if (!p->notAwaited[index]) --p->outstanding;
}

// The window's thread: kept from the last walk, or read and kept for the next.
std::uint32_t ThreadOf(Probe& p, plat::Hwnd w) {
    if (!p.threadsSeen) return plat::GetWindowThreadProcessId(w, nullptr);
    const KnownThread key{w, 0};
    const auto known = std::lower_bound(knownThreads.begin(), knownThreads.end(), key, ByWindow);
    const std::uint32_t thread = known != knownThreads.end() && known->window == w
                                     ? known->thread
                                     : plat::GetWindowThreadProcessId(w, nullptr);
    if (thread) p.threadsSeen->push_back(KnownThread{w, thread});
    return thread;
}

// Whether a window answers is its thread's affair: one window of each thread is asked, and its
// answer stands for all of that thread's windows. A thread that owns many windows would
// otherwise answer them one after another while the switch waits.
void Ask(Probe& p, std::size_t i) {
    const plat::Hwnd w = p.candidates[i].window;
    const std::uint32_t thread = ThreadOf(p, w);
    const auto same = std::find_if(p.asked.begin(), p.asked.end(),
                                   [&](const auto& a) { return thread && a.first == thread; });
    if (same != p.asked.end()) {
        p.answersFor[i] = same->second;
        p.notAwaited[i] = true;
        return;
    }
    ++p.outstanding;
    const std::uintptr_t data = (p.generation << IndexBits) | i;
    // A window of this thread answers inside the call, and so may one that is gone. The wide
    // form: the narrow one may follow up with an unbounded conversion send.
    if (plat::SendMessageCallbackW(w, plat::WM_GETTEXTLENGTH, 0, 0, ProbeAnswered, data)) {
        p.asked.emplace_back(thread, i);
        p.lastAsk = CounterNow();
    } else if (!p.candidates[i].answered) {
        // Gone since it was read: the thread's next window is asked in its place.
        --p.outstanding;
    }
}

// Windows the system already reports hung are asked like the others but not waited for; asking
// the system costs a call, so only windows that have not answered by then are looked at.
void SkipReportedHung(Probe& p) {
    std::vector<SwitchCandidate>& cs = p.candidates;
    for (std::size_t i = 0; i < cs.size() && p.outstanding > 0; ++i) {
        if (!cs[i].managed || cs[i].answered || p.notAwaited[i]) continue;
        if (!plat::IsHungAppWindow(cs[i].window)) continue;
        p.notAwaited[i] = true;
        --p.outstanding;
    }
}

// Takes the answers as they come (they arrive as sent messages) until all are in or the time-out
// has passed since the switch began: one wait, however many threads hang, and the walk's own
// time counts against it.
void AwaitAnswers(Probe& p, std::int64_t switchStart) {
    const std::int64_t perSecond = CounterPerSecond();
    const std::int64_t end = std::max(switchStart + perSecond * ProbeTimeoutMs / 1000,
                                      p.lastAsk + perSecond * LateAskMs / 1000);
    // A wait that ran out ends it after one last look, even if the counter did not move.
    for (bool first = true, ranOut = false;; first = false) {
        plat::Msg m{};
        plat::PeekMessage(&m, nullptr, 0, 0, plat::PM_NOREMOVE | plat::PM_QS_SENDMESSAGE);
        if (first) SkipReportedHung(p);
        if (p.outstanding <= 0 || ranOut) return;
        const std::int64_t left = end - CounterNow();
        if (left <= 0) return;
        const std::int64_t ms = (left * 1000 + perSecond - 1) / perSecond;
        ranOut = plat::MsgWaitForMultipleObjects(0, nullptr, 0, static_cast<std::uint32_t>(ms),
                                                 plat::QS_SENDMESSAGE) == plat::WAIT_TIMEOUT;
    }
}

// The candidate joins the probe; the thread of a managed one is asked at once.
void AddCandidate(Probe& p, const SwitchCandidate& c) {
    p.candidates.push_back(c);
    p.notAwaited.push_back(false);
    p.answersFor.push_back(SIZE_MAX);
    if (c.managed) Ask(p, p.candidates.size() - 1);
}

// One walk below the pager reads each window and asks the thread of each managed one.
void TakeSwitchSnapshot(Probe& p) {
    std::vector<KnownThread> seen;
    seen.reserve(knownThreads.size());
    p.threadsSeen = &seen;
    ForEachWindowBelow(settings.pagerWindow, [&](plat::Hwnd w) {
        // One read for shown and minimized: for a top-level window the visible bit is all that
        // IsWindowVisible looks at, and each call is a round trip to the system.
        const auto style = static_cast<std::uint32_t>(plat::GetWindowLongPtr(w, plat::GWL_STYLE));
        if (!(style & plat::WS_VISIBLE) || (style & plat::WS_MINIMIZE) || IsCloaked(w)) return;
        SwitchCandidate c{w, {0, 0, 0, 0}, false, false, false};
        // Asked before the rectangle: a move landing in between is then seen in the rectangle.
        int toX = 0, toY = 0;
        const bool pending = PendingMoveTarget(w, &toX, &toY);
        c.managed = !IsUnmovable(w) && !IsSticky(w) && !IsKeptInPlace(w) &&
                    !IsMinimizedOnSwitch(w) && plat::GetWindowRect(w, &c.rect);
        if (c.managed && pending) {
            // Planned from where its pending move puts it, and moved after that one.
            c.rect = {toX, toY, OffsetCoordinate(toX, std::int64_t{c.rect.right} - c.rect.left),
                      OffsetCoordinate(toY, std::int64_t{c.rect.bottom} - c.rect.top)};
            c.pending = true;
        }
        AddCandidate(p, c);
    });
    std::sort(seen.begin(), seen.end(), ByWindow);
    knownThreads.swap(seen);
    p.threadsSeen = nullptr;
}

// The candidates `fill` adds, with their answers, in the order it adds them.
template <typename Fill>
std::vector<SwitchCandidate> RunProbe(std::int64_t start, const Fill& fill) {
    Probe probe;
    lastGeneration = (lastGeneration + 1) & ((std::uintptr_t{1} << IndexBits) - 1);
    probe.generation = lastGeneration;
    Probe* outer = activeProbe;
    activeProbe = &probe;
    fill(probe);
    AwaitAnswers(probe, start);
    activeProbe = outer;
    std::vector<SwitchCandidate>& cs = probe.candidates;
    for (std::size_t i = 0; i < cs.size(); ++i)
        if (probe.answersFor[i] != SIZE_MAX) cs[i].answered = cs[probe.answersFor[i]].answered;
    return std::move(cs);
}

// The switch's candidates with their answers, in Z-order from below the pager.
std::vector<SwitchCandidate> ReadAndProbe(std::int64_t switchStart) {
    return RunProbe(switchStart, TakeSwitchSnapshot);
}

void MinimizeMarkedApplications() {
    if (!AnyPositionEntryHas(MinimizeOnSwitch)) return;
    std::vector<SwitchCandidate> marked;
    ForEachWindowBelow(settings.pagerWindow, [&](plat::Hwnd w) {
        if (!plat::IsWindowVisible(w) || plat::IsIconic(w) || IsKeptInPlace(w) ||
            plat::GetParent(w) || !IsMinimizedOnSwitch(w) || IsCloaked(w) || plat::IsHungAppWindow(w))
            return;
        marked.push_back(SwitchCandidate{w, {0, 0, 0, 0}, true, false, false});
    });
    if (marked.empty()) return;
    // Showing and minimizing wait for the window's program; a hung one keeps its place.
    ProbeCandidates(marked, CounterNow());
    for (const SwitchCandidate& c : marked) {
        if (!c.answered) continue;
        plat::ShowWindow(c.window, plat::SW_HIDE);
        plat::CloseWindow(c.window);
        plat::ShowWindow(c.window, plat::SW_SHOW);
    }
}

}  // namespace

void FreeMoveRequest(MoveRequest* request) { delete request; }

void ProbeCandidates(std::vector<SwitchCandidate>& candidates, std::int64_t start) {
    candidates = RunProbe(start, [&](Probe& p) {
        for (const SwitchCandidate& c : candidates) AddCandidate(p, c);
    });
}

void PushMoves(const std::vector<PlannedMove>& moves) {
    int inBatch = 0;
    for (const PlannedMove& m : moves)
        if (!m.viaMoveThread) ++inBatch;
    // Sized for what it will hold, so the system need not grow it window by window.
    MoveBatch batch{};
    BeginMoveBatch(batch, inBatch > 8 ? inBatch : 8);
    // From the bottom of the Z-order up: where the system carries out a batch one window after
    // another, a window leaving the screen then uncovers none that is still to go. The bare
    // batch in that order took less than from the top in seven of eight bench runs (median 7%).
    for (auto m = moves.rbegin(); m != moves.rend(); ++m)
        if (!m->viaMoveThread) AddToMoveBatch(batch, m->window, m->x, m->y);
    EndMoveBatch(batch);
    for (const PlannedMove& m : moves)
        if (m.viaMoveThread) HandToMoveThread(m);
}


// A hung window is moved by the move thread whenever it answers again. Without the thread
// (it has ended for the exit, or cannot take the request) the move is posted to the window
// itself instead: never dropped, never waited for.
void HandToMoveThread(const PlannedMove& m) {
    MoveRequest* request = new (std::nothrow) MoveRequest{m.window, m.x, m.y};
    if (request) {
        NotePendingMove(m.window, m.x, m.y, m.fromX, m.fromY);
        const std::uint32_t thread = moveThreadId.load(std::memory_order_relaxed);
        if (plat::PostThreadMessage(thread, MsgMoveWindow, 0,
                                    reinterpret_cast<plat::LParam>(request)))
            return;
        EndPendingMove(m.window, false);
    }
    FreeMoveRequest(request);
    if (!MoveWindowAsync(m.window, m.x, m.y)) NoteFailedMove(m.window);
}

std::vector<PlannedMove> PlanMoves(const std::vector<SwitchCandidate>& candidates,
                                   std::int64_t ox, std::int64_t oy,
                                   const std::vector<plat::Hwnd>& carried) {
    std::vector<PlannedMove> out;
    for (const SwitchCandidate& c : candidates) {
        if (!c.managed) continue;
        // Leaving a window where it is asks nothing of it, so a hung one is carried too.
        if (!c.pending && std::find(carried.begin(), carried.end(), c.window) != carried.end())
            continue;
        out.push_back(PlannedMove{c.window, OffsetCoordinate(c.rect.left, ox),
                                  OffsetCoordinate(c.rect.top, oy), c.rect.left, c.rect.top,
                                  !c.answered || c.pending});
    }
    return out;
}

void StopWindowMoves(bool stop) { movesStopped.store(stop, std::memory_order_relaxed); }
bool WindowMovesStopped() { return movesStopped.load(std::memory_order_relaxed); }

bool ShiftWindows(int dx, int dy, plat::Hwnd carried) {
    return ShiftWindowsGrowing(&dx, &dy, nullptr, carried);
}

bool ShiftWindowsGrowing(int* dx, int* dy, const StepGrowth& grow, plat::Hwnd carried) {
    if (!StepWithinLimit(*dx, *dy) || WindowMovesStopped()) return false;
    const std::int64_t start = CounterNow();

    // The window in front on this screen is one the user now switches away from: follow-active
    // must not take the view back to it when its next tick sees it for the first time. One in
    // front elsewhere is still the tick's to follow; the pager is never followed.
    const plat::Hwnd front = plat::GetForegroundWindow();
    const bool leftBehind = front && front != settings.pagerWindow && IsOnCurrentScreen(front);

    ForgetGoneUnmovable();
    ForgetGoneSticky();
    bool carriedAlong = false;
    {
        SwitchingScope batch;
        const std::vector<SwitchCandidate> candidates = ReadAndProbe(start);
        if (grow) {
            int x = *dx, y = *dy;
            grow(&x, &y);
            if (StepWithinLimit(x, y)) *dx = x, *dy = y;
        }
        const std::int64_t ox = static_cast<std::int64_t>(*dx) * desktop.screenWidth;
        const std::int64_t oy = static_cast<std::int64_t>(*dy) * desktop.screenHeight;
        const std::vector<PlannedMove> moves =
            PlanMoves(candidates, ox, oy, CarriedFamily(candidates, carried));
        // The probe's wait served sent messages: one of them may have ended the run.
        if (WindowMovesStopped()) return false;
        carriedAlong = carried && std::none_of(moves.begin(), moves.end(), [&](const PlannedMove& m) {
                           return m.window == carried;
                       });
        PushMoves(moves);
    }

    MinimizeMarkedApplications();
    if (leftBehind) desktop.lastForeground = front;
    // The carried window keeps the foreground, and follow-active has nothing to follow.
    if (carriedAlong) {
        desktop.lastForeground = carried;
        return true;
    }
    if (settings.enableTopmost && !desktop.edgeSwitching)
        ActivateTopWindowOnScreen(true);
    return true;
}

std::vector<plat::Hwnd> CarriedFamily(const std::vector<SwitchCandidate>& candidates,
                                      plat::Hwnd carried) {
    std::vector<plat::Hwnd> family;
    if (!carried) return family;
    family.push_back(carried);
    const plat::Hwnd root = RootOwner(carried);
    for (const SwitchCandidate& c : candidates)
        if (c.managed && c.window != carried && RootOwner(c.window) == root)
            family.push_back(c.window);
    return family;
}

plat::Hwnd CarriableWindow() {
    const plat::Hwnd f = plat::GetForegroundWindow();
    if (!f || f == settings.pagerWindow || !plat::IsWindowVisible(f) || plat::IsIconic(f) ||
        IsTaskbar(f) || IsCloaked(f) || !IsOnCurrentScreen(f))
        return nullptr;
    // The desktop behind the windows is never taken along.
    char cls[16] = "";
    const int n = plat::GetClassName(f, cls, sizeof cls);
    if (n > 0 && n < static_cast<int>(sizeof cls) && (std::strcmp(cls, "Progman") == 0 ||
                                                      std::strcmp(cls, "WorkerW") == 0))
        return nullptr;
    return f;
}

void MoveManagedWindows(
    const std::function<std::vector<PlannedMove>(const std::vector<SwitchCandidate>&)>& plan) {
    if (WindowMovesStopped()) return;
    const std::int64_t start = CounterNow();
    SwitchingScope batch;
    const std::vector<PlannedMove> moves = plan(ReadAndProbe(start));
    // The probe's wait served sent messages: one of them may have ended the run.
    if (WindowMovesStopped()) return;
    PushMoves(moves);
}

void ActivateTopWindowOnScreen(bool skipKept) {
    const std::vector<plat::Hwnd> all = TopLevelWindows();
    for (plat::Hwnd w : all) {
        // A window still waiting for its move is about to leave the screen. One that cannot be
        // moved stays on every desktop, like a kept one.
        if (w != settings.pagerWindow && !plat::IsIconic(w) && plat::IsWindowVisible(w) &&
            IsOnCurrentScreen(w) &&
            !(skipKept && (IsKeptInPlace(w) || IsUnmovable(w) || IsSticky(w))) &&
            !IsMovePending(w) && !IsCloaked(w)) {
            if (w == all.front()) return;
            // Our own activation, not the user's: follow-active leaves it alone even when it
            // lands after a later switch has taken the window away.
            desktop.lastForeground = w;
            plat::SetForegroundWindow(w);
            return;
        }
    }
}

bool MoveViewBy(int columnsRight, int rowsDown, plat::Hwnd carried) {
    return MoveViewByGrowing(columnsRight, rowsDown, nullptr, carried);
}

bool MoveViewByGrowing(int columnsRight, int rowsDown, const StepGrowth& grow, plat::Hwnd carried) {
    // A step that cannot be negated is refused like any other that is too long.
    if (columnsRight == INT32_MIN || rowsDown == INT32_MIN) return false;
    int dx = -columnsRight, dy = -rowsDown;
    StepGrowth windowsStep;
    if (grow)
        windowsStep = [&grow](int* x, int* y) {
            int right = -*x, down = -*y;
            grow(&right, &down);
            *x = -right;
            *y = -down;
        };
    if (!ShiftWindowsGrowing(&dx, &dy, windowsStep, carried)) return false;
    SetCurrentDesktop(desktop.currentColumn - dx, desktop.currentRow - dy);
    return true;
}
