// Switching: the shift of every managed window, the move-thread hand-over and activation.
#include <climits>
#include <string>
#include <vector>

#include "core/pending.h"
#include "core/switching.h"
#include "core/windows.h"
#include "core_fixture.h"
#include "platform/kernel.h"
#include "platform/window.h"

namespace {

using plat::Rect;

constexpr std::uint32_t MoveFlags = plat::SWP_NOSIZE | plat::SWP_NOZORDER | plat::SWP_NOACTIVATE;

class Switching : public MoveThreadTest {
protected:
    static std::vector<sim::PostRecord> MovePosts() {
        std::vector<sim::PostRecord> out;
        for (const sim::PostRecord& p : sim::Posts())
            if (p.threadId != 0 && p.message == MsgMoveWindow) out.push_back(p);
        return out;
    }
};

TEST_F(Switching, StepRangeIsTenDesktops) {
    plat::Hwnd w = Add("w", Rect{10, 20, 110, 120});
    EXPECT_FALSE(ShiftWindows(11, 0));
    EXPECT_FALSE(ShiftWindows(0, -11));
    EXPECT_FALSE(ShiftWindows(-11, 0));
    EXPECT_FALSE(ShiftWindows(0, 11));
    EXPECT_TRUE(sim::Moves().empty());
    EXPECT_EQ(sim::BatchCount(), 0);

    EXPECT_TRUE(ShiftWindows(10, -10));
    Rect r = sim::WindowRect(w);
    EXPECT_EQ(r.left, 10 + 10 * 1024);
    EXPECT_EQ(r.top, 20 - 10 * 768);
    EXPECT_EQ(r.right - r.left, 100);
}

TEST_F(Switching, ZeroStepRepositionsInPlace) {
    plat::Hwnd w = Add("w", Rect{10, 20, 110, 120});
    EXPECT_TRUE(ShiftWindows(0, 0));
    std::vector<sim::MoveRecord> m = MovesOf(w);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].x, 10);
    EXPECT_EQ(m[0].y, 20);
    EXPECT_EQ(m[0].batch, 1);
}

TEST_F(Switching, MoveViewByAppliesTheCallerRule) {
    desktop.currentColumn = 1;
    desktop.currentRow = 1;
    plat::Hwnd w = Add("w", Rect{10, 20, 110, 120});
    EXPECT_TRUE(MoveViewBy(1, 0));  // the desktop to the right: its windows come in from there
    EXPECT_EQ(desktop.currentColumn, 2);
    EXPECT_EQ(sim::WindowRect(w).left, 10 - 1024);
    EXPECT_TRUE(MoveViewBy(-2, -1));
    EXPECT_EQ(desktop.currentColumn, 0);
    EXPECT_EQ(desktop.currentRow, 0);
    EXPECT_FALSE(MoveViewBy(0, 11));
    EXPECT_FALSE(MoveViewBy(INT32_MIN, 0));
    EXPECT_EQ(desktop.currentRow, 0);
}

TEST_F(Switching, ManagedWindowsMoveInOneBatch) {
    plat::Hwnd a = Add("a", Rect{0, 0, 100, 100});
    plat::Hwnd b = Add("b", Rect{-1024, 5, -900, 50});
    plat::Hwnd c = Add("c", Rect{2000, 800, 2100, 900});
    sim::WindowSpec hidden;
    hidden.rect = Rect{50, 50, 60, 60};
    hidden.visible = false;
    plat::Hwnd h = sim::AddWindow(hidden);
    sim::WindowSpec iconic = hidden;
    iconic.visible = true;
    iconic.minimized = true;
    plat::Hwnd m = sim::AddWindow(iconic);
    sim::WindowSpec above;
    above.rect = Rect{300, 300, 400, 400};
    above.topmost = true;  // lands above the pager
    plat::Hwnd top = sim::AddWindow(above);
    ASSERT_EQ(sim::ZOrder().front(), top);

    EXPECT_TRUE(ShiftWindows(-1, 0));
    EXPECT_EQ(sim::BatchCount(), 1);
    EXPECT_EQ(desktop.switching, 0);
    for (plat::Hwnd w : {a, b, c}) {
        std::vector<sim::MoveRecord> moves = MovesOf(w);
        ASSERT_EQ(moves.size(), 1u);
        EXPECT_EQ(moves[0].via, "defer");
        EXPECT_EQ(moves[0].batch, 1);
        EXPECT_EQ(moves[0].flags, MoveFlags);
    }
    EXPECT_EQ(sim::WindowRect(a).left, -1024);
    EXPECT_EQ(sim::WindowRect(b).left, -2048);
    EXPECT_EQ(sim::WindowRect(c).left, 976);
    EXPECT_EQ(sim::WindowRect(c).top, 800);
    EXPECT_TRUE(MovesOf(h).empty());
    EXPECT_TRUE(MovesOf(m).empty());
    EXPECT_TRUE(MovesOf(top).empty());
    EXPECT_TRUE(MovesOf(PagerWindow()).empty());
}

TEST_F(Switching, HungWindowGoesToTheMoveThread) {
    plat::Hwnd ok = Add("ok", Rect{0, 0, 100, 100});
    plat::Hwnd hung = Add("hung", Rect{-1000, 30, -800, 130});
    sim::SetHung(hung, true);

    EXPECT_TRUE(ShiftWindows(1, -1));
    EXPECT_TRUE(MovesOf(hung).empty());
    EXPECT_EQ(MovesOf(ok).size(), 1u);
    EXPECT_EQ(sim::BatchCount(), 1);

    std::vector<sim::PostRecord> posts = MovePosts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].threadId, moveThreadId);
    EXPECT_EQ(posts[0].wParam, 0u);
    EXPECT_TRUE(posts[0].delivered);
    const MoveRequest* req = reinterpret_cast<const MoveRequest*>(posts[0].lParam);
    ASSERT_NE(req, nullptr);
    EXPECT_EQ(req->window, hung);
    // An absolute target, computed from the rectangle at the time of the switch.
    EXPECT_EQ(req->x, -1000 + 1024);
    EXPECT_EQ(req->y, 30 - 768);
}

// Without a move thread to take it (it has ended for the exit), the step is posted to the
// window itself: never dropped, never waited for.
TEST_F(Switching, FailedPostMovesTheWindowAsynchronouslyAndFreesTheRequest) {
    plat::Hwnd hung = Add("hung", Rect{0, 0, 100, 100});
    sim::SetHung(hung, true);
    sim::FailThreadPosts(moveThreadId, true);
    EXPECT_TRUE(ShiftWindows(-1, 0));
    std::vector<sim::PostRecord> posts = MovePosts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_FALSE(posts[0].delivered);  // the sanitizer build reports the record if it leaked
    sim::SetHung(hung, false);  // the move was posted to it
    EXPECT_EQ(sim::WindowRect(hung).left, -desktop.screenWidth);
    EXPECT_EQ(sim::HungWindowBlocks(), 0);
}

TEST_F(Switching, KeptAndMinimizedApplicationsStay) {
    Remember("Clock", KeepInPlace);
    Remember("Mail", MinimizeOnSwitch);
    Remember("Both", KeepInPlace | MinimizeOnSwitch);
    plat::Hwnd clock = Add("Clock", Rect{0, 0, 50, 50});
    plat::Hwnd mail = Add("Mail", Rect{0, 0, 50, 50});
    plat::Hwnd compose = Add("Compose", Rect{0, 0, 50, 50}, mail);
    plat::Hwnd both = Add("Both", Rect{0, 0, 50, 50});
    plat::Hwnd bothChild = Add("Child", Rect{0, 0, 50, 50}, both);
    plat::Hwnd plain = Add("Plain", Rect{0, 0, 50, 50});

    EXPECT_TRUE(ShiftWindows(0, -1));
    for (plat::Hwnd w : {clock, mail, compose, both, bothChild}) EXPECT_TRUE(MovesOf(w).empty());
    EXPECT_EQ(MovesOf(plain).size(), 1u);

    // Only the unowned root of a minimize-on-switch application is minimized.
    std::vector<int> mailShows;
    int others = 0;
    for (const sim::ShowRecord& s : sim::Shows()) {
        if (s.window == mail)
            mailShows.push_back(s.cmd);
        else
            ++others;
    }
    EXPECT_EQ(mailShows, (std::vector<int>{plat::SW_HIDE, -1, plat::SW_SHOW}));
    EXPECT_EQ(others, 0);
    EXPECT_TRUE(sim::IsMinimized(mail));
    EXPECT_FALSE(sim::IsMinimized(both));
    EXPECT_FALSE(sim::IsMinimized(compose));
}

TEST_F(Switching, HungApplicationIsNotMinimized) {
    // Hiding or minimizing a window waits for its program: a hung one would freeze every switch.
    // They are asked together: one time-out however many hang.
    Remember("Mail*", MinimizeOnSwitch);
    std::vector<plat::Hwnd> hung;
    for (int i = 0; i < 3; ++i) {
        hung.push_back(Add("Mail", Rect{0, 0, 50, 50}));
        sim::SetHung(hung.back(), true);
    }
    plat::Hwnd fine = Add("Mail fine", Rect{0, 0, 50, 50});
    const std::int64_t before = sim::ClockMs();
    EXPECT_TRUE(ShiftWindows(-1, 0));
    EXPECT_EQ(sim::ClockMs() - before, ProbeTimeoutMs);
    EXPECT_EQ(sim::HungWindowBlocks(), 0);
    EXPECT_TRUE(sim::IsMinimized(fine));
    for (plat::Hwnd w : hung) EXPECT_FALSE(sim::IsMinimized(w));
    for (const sim::ShowRecord& r : sim::Shows()) EXPECT_EQ(r.window, fine);
}

TEST_F(Switching, ActivatesTopWindowOnTheNewScreen) {
    Remember("Kept", KeepInPlace);
    plat::Hwnd target = Add("target", Rect{1100, 100, 1300, 300});  // on desktop (1, 0)
    sim::WindowSpec iconic;
    iconic.title = "iconic";
    iconic.rect = Rect{1100, 100, 1300, 300};
    iconic.minimized = true;
    sim::AddWindow(iconic);
    Add("Kept", Rect{10, 10, 100, 100});            // stays on screen but is passed over
    Add("leaving", Rect{0, 0, 300, 300});           // uppermost, but leaves the screen
    EXPECT_TRUE(ShiftWindows(-1, 0));
    EXPECT_EQ(sim::ForegroundRequests(), std::vector<plat::Hwnd>{target});
}

TEST_F(Switching, NoActivationDuringEdgeSwitchOrWithTopmostOff) {
    Add("target", Rect{1100, 100, 1300, 300});
    desktop.edgeSwitching = 1;
    EXPECT_TRUE(ShiftWindows(-1, 0));
    EXPECT_TRUE(sim::ForegroundRequests().empty());
    desktop.edgeSwitching = 0;
    settings.enableTopmost = 0;
    EXPECT_TRUE(ShiftWindows(1, 0));
    EXPECT_TRUE(sim::ForegroundRequests().empty());
}

TEST_F(Switching, UppermostQualifyingWindowIsLeftAlone) {
    sim::WindowSpec desc;
    desc.rect = Rect{100, 100, 200, 200};
    desc.topmost = true;
    plat::Hwnd first = sim::AddWindow(desc);  // above the pager, on the screen
    ASSERT_EQ(sim::ZOrder().front(), first);
    ActivateTopWindowOnScreen(true);
    EXPECT_TRUE(sim::ForegroundRequests().empty());
}

TEST_F(Switching, HugeOffsetsSaturate) {
    desktop.screenWidth = INT_MAX / 4;
    desktop.screenHeight = INT_MAX / 4;
    plat::Hwnd w = Add("w", Rect{1000, -1000, 1100, -900});
    sim::SetHung(w, true);  // the target is read from the request, not applied
    EXPECT_TRUE(ShiftWindows(10, -10));
    std::vector<sim::PostRecord> posts = MovePosts();
    ASSERT_EQ(posts.size(), 1u);
    const MoveRequest* req = reinterpret_cast<const MoveRequest*>(posts[0].lParam);
    EXPECT_EQ(req->x, INT_MAX);
    EXPECT_EQ(req->y, INT_MIN);
}

TEST(PlanMoves, TargetsAndRoutes) {
    const plat::Hwnd a = reinterpret_cast<plat::Hwnd>(0x100), b = reinterpret_cast<plat::Hwnd>(0x200),
                     c = reinterpret_cast<plat::Hwnd>(0x300);
    struct Case {
        SwitchCandidate in;
        bool planned;
        int x, y;
        bool viaMoveThread;
    };
    const Case cases[] = {
        {{a, {10, 20, 110, 120}, true, true, false}, true, 10 - 1024, 20 + 768, false},
        {{b, {-5, 0, 5, 10}, true, false, false}, true, -5 - 1024, 768, true},  // no answer in time
        {{c, {0, 0, 10, 10}, false, true, false}, false, 0, 0, false},          // not managed
        {{a, {INT_MIN + 5, INT_MAX - 5, 0, 0}, true, true, false}, true, INT_MIN, INT_MAX, false},
        {{c, {10, 20, 110, 120}, true, true, true}, true, 10 - 1024, 20 + 768, true},  // after its pending move
    };
    for (const Case& k : cases) {
        const std::vector<PlannedMove> out = PlanMoves({k.in}, -1024, 768);
        ASSERT_EQ(out.size(), k.planned ? 1u : 0u);
        if (!k.planned) continue;
        EXPECT_EQ(out[0].window, k.in.window);
        EXPECT_EQ(out[0].x, k.x);
        EXPECT_EQ(out[0].y, k.y);
        EXPECT_EQ(out[0].fromX, k.in.rect.left);
        EXPECT_EQ(out[0].viaMoveThread, k.viaMoveThread);
    }
}

// The probe's wait in simulated time: one time-out from the switch's start however many windows
// hang, nothing for windows that answer or that the system already reports hung. When reading
// the windows takes time, that time counts against the wait, and a thread asked at the end of a
// long walk still gets 10 ms.
TEST_F(Switching, ProbeWaitIsBoundedWhateverNumberOfWindowsHang) {
    struct Case {
        int responsive, freshlyHung, reportedHung, msPerRead;
        std::int64_t switchMs;
    };
    const Case cases[] = {
        {100, 0, 0, 0, 0}, {100, 1, 0, 0, 40}, {100, 5, 0, 0, 40}, {10, 0, 5, 0, 0}, {10, 5, 5, 0, 40},
        {20, 1, 0, 1, 40},  // 21 reads inside the wait
        {60, 1, 0, 1, 71},  // the last thread is asked at 61 ms
        {60, 0, 0, 1, 60},  // nothing to wait for
    };
    for (const Case& k : cases) {
        sim::Reset();
        SetUp();
        settings.enableTopmost = false;  // its reads after the batch are not the switch's
        std::vector<plat::Hwnd> hung;
        for (int i = 0; i < k.responsive; ++i) Add("ok", Rect{i, 0, i + 50, 50});
        for (int i = 0; i < k.freshlyHung + k.reportedHung; ++i) {
            plat::Hwnd w = Add("hung", Rect{i, 100, i + 50, 150});
            if (i < k.freshlyHung)
                sim::SetHung(w, true);
            else
                sim::SetHungReported(w);
            hung.push_back(w);
        }
        sim::SetRectReadCostMs(k.msPerRead);
        const std::int64_t before = sim::ClockMs();
        EXPECT_TRUE(ShiftWindows(-1, 0));
        EXPECT_EQ(sim::ClockMs() - before, k.switchMs) << k.responsive << " " << k.freshlyHung << " "
                                                      << k.reportedHung << " " << k.msPerRead;
        EXPECT_EQ(sim::BatchCount(), 1);
        EXPECT_EQ(MovePosts().size(), hung.size());
        for (plat::Hwnd w : hung) {
            EXPECT_TRUE(MovesOf(w).empty());
            EXPECT_TRUE(IsMovePending(w));
        }
        TearDown();
    }
}

// With a clock that does not move, only the wait running out can end the probe.
TEST_F(Switching, ProbeEndsWhenTheClockCannotBeRead) {
    plat::Hwnd w = Add("hung", Rect{0, 0, 50, 50});
    sim::SetHung(w, true);
    sim::FailCall(sim::Call::QueryPerformanceCounter, true);
    EXPECT_TRUE(ShiftWindows(-1, 0));
    sim::FailCall(sim::Call::QueryPerformanceCounter, false);
    EXPECT_EQ(MovePosts().size(), 1u);
    EXPECT_TRUE(IsMovePending(w));
}

TEST_F(Switching, WindowWaitingForItsMoveIsNotActivated) {
    plat::Hwnd target = Add("target", Rect{1100, 100, 1300, 300});  // on desktop (1, 0)
    plat::Hwnd hung = Add("hung", Rect{0, 0, 300, 300});           // uppermost, stays for now
    sim::SetHung(hung, true);
    EXPECT_TRUE(ShiftWindows(-1, 0));
    EXPECT_EQ(sim::WindowRect(hung).left, 0);
    EXPECT_EQ(sim::ForegroundRequests(), std::vector<plat::Hwnd>{target});
}

// However many windows hang, none of them is given the foreground on its way out.
TEST_F(Switching, NoHungWindowIsActivatedHoweverManyHang) {
    plat::Hwnd target = Add("target", Rect{1100, 100, 1300, 300});  // on desktop (1, 0)
    for (int i = 0; i < 200; ++i) sim::SetHung(Add("hung", Rect{i, 0, i + 300, 300}), true);
    EXPECT_TRUE(ShiftWindows(-1, 0));
    EXPECT_EQ(sim::ForegroundRequests(), std::vector<plat::Hwnd>{target});
}

TEST_F(Switching, PendingMovesChainGrowAndEndWithTheirWindow) {
    ResetPendingMoves();
    const plat::Hwnd w = Add("w", Rect{10, 10, 20, 20});
    // Hung through two switches: each request was computed from the same unmoved corner.
    NotePendingMove(w, 10 - 1024, 10, 10, 10);
    NotePendingMove(w, 10 - 1024, 10 - 768, 10, 10);
    int x = 0, y = 0;
    ASSERT_TRUE(PendingMoveTarget(w, &x, &y));
    EXPECT_EQ(x, 10 - 2048);
    EXPECT_EQ(y, 10 - 768);
    EndPendingMove(w, true);
    EXPECT_TRUE(IsMovePending(w));
    EndPendingMove(w, true);
    EXPECT_FALSE(IsMovePending(w));
    EXPECT_TRUE(ArrivedLate(w));

    // Every hand-over is recorded however many windows hang; a window that is gone ends.
    std::vector<plat::Hwnd> many;
    for (int i = 0; i < 300; ++i) {
        many.push_back(Add("hung", Rect{i, 0, i + 10, 10}));
        NotePendingMove(many.back(), 0, 0, 0, 0);
    }
    EXPECT_TRUE(IsMovePending(many.front()));
    EXPECT_TRUE(IsMovePending(many.back()));
    for (plat::Hwnd h : many) sim::RemoveWindow(h);
    EXPECT_FALSE(IsMovePending(many.back()));
    EXPECT_FALSE(AnyMovePending());
    ResetPendingMoves();
}

// ---- One window asked for each thread ----

int probesSeen = 0;
plat::LResult PLAT_CALLBACK CountingProc(plat::Hwnd w, std::uint32_t msg, plat::WParam wp, plat::LParam lp) {
    if (msg == plat::WM_GETTEXTLENGTH && desktop.switching) ++probesSeen;
    return plat::DefWindowProc(w, msg, wp, lp);
}

TEST_F(Switching, OneWindowOfEachThreadIsAskedForAll) {
    plat::WndClass wc{};
    wc.lpfnWndProc = CountingProc;
    wc.lpszClassName = "CoreCounting";
    plat::RegisterClass(&wc);
    std::vector<plat::Hwnd> ws;
    for (int i = 0; i < 3; ++i)  // one thread's windows
        ws.push_back(plat::CreateWindowEx(0, "CoreCounting", "own", plat::WS_POPUP | plat::WS_VISIBLE,
                                           100 * i, 0, 50, 50, nullptr, nullptr, nullptr, nullptr));
    ws.push_back(Add("other", Rect{400, 0, 450, 50}));
    probesSeen = 0;
    EXPECT_TRUE(ShiftWindows(-1, 0));
    EXPECT_EQ(probesSeen, 1);
    EXPECT_EQ(sim::BatchCount(), 1);
    for (std::size_t i = 0; i < ws.size(); ++i) EXPECT_EQ(MovesOf(ws[i]).size(), 1u) << i;
    // The threads kept from the first walk group the windows alike, without reading them again;
    // a window that comes later is read once.
    const int reads = sim::WindowThreadReads();
    ws.push_back(Add("later", Rect{500, 0, 550, 50}));
    probesSeen = 0;
    EXPECT_TRUE(ShiftWindows(1, 0));
    EXPECT_EQ(probesSeen, 1);
    EXPECT_EQ(sim::WindowThreadReads() - reads, 1);
    for (std::size_t i = 0; i < ws.size(); ++i) EXPECT_EQ(MovesOf(ws[i]).size(), i < 4 ? 2u : 1u) << i;
}

// ---- Windows that change their place in the Z-order during the switch ----

// A window of this class sinks to the bottom of the Z-order when its title is read during a
// switch, as a program activating another of its windows would reorder them.
plat::LResult PLAT_CALLBACK SinkingProc(plat::Hwnd w, std::uint32_t msg, plat::WParam wp, plat::LParam lp) {
    if (msg == plat::WM_GETTEXT && desktop.switching)
        plat::SetWindowPos(w, plat::HWND_BOTTOM, 0, 0, 0, 0,
                           plat::SWP_NOMOVE | plat::SWP_NOSIZE | plat::SWP_NOACTIVATE);
    return plat::DefWindowProc(w, msg, wp, lp);
}

TEST_F(Switching, WindowReorderedDuringTheSwitchLosesNoneAndMovesEachOnce) {
    Remember("Clock", KeepInPlace);  // makes the switch read every title
    plat::WndClass wc{};
    wc.lpfnWndProc = SinkingProc;
    wc.lpszClassName = "CoreSinking";
    plat::RegisterClass(&wc);
    std::vector<plat::Hwnd> ws;
    for (int i = 0; i < 6; ++i) {
        ws.push_back(i == 3 ? plat::CreateWindowEx(0, "CoreSinking", "sinking", plat::WS_POPUP | plat::WS_VISIBLE,
                                                    10 * i, 0, 50, 50, nullptr, nullptr, nullptr, nullptr)
                            : Add("w", Rect{10 * i, 0, 10 * i + 50, 50}));
        ASSERT_NE(ws.back(), nullptr);
    }
    EXPECT_TRUE(ShiftWindows(-1, 0));
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(MovesOf(ws[i]).size(), 1u) << i;
        EXPECT_EQ(sim::WindowRect(ws[i]).left, 10 * i - desktop.screenWidth) << i;
    }
}

// ---- Windows that vanish while the batch is built ----

// A window of this class closes itself while it answers the switch's probe, so its handle is
// stale when it would be deferred.
bool failBatchesAfterClose = false;
plat::LResult PLAT_CALLBACK VanishingProc(plat::Hwnd w, std::uint32_t msg, plat::WParam wp,
                                          plat::LParam lp) {
    if (msg == plat::WM_GETTEXTLENGTH && desktop.switching) {
        plat::DestroyWindow(w);
        if (failBatchesAfterClose) sim::FailCall(sim::Call::BeginDeferWindowPos, true);
        return 0;
    }
    return plat::DefWindowProc(w, msg, wp, lp);
}

class VanishingWindows : public Switching {
protected:
    plat::Hwnd AddVanishing(Rect r) {
        plat::WndClass wc{};
        wc.lpfnWndProc = VanishingProc;
        wc.lpszClassName = "CoreVanishing";
        plat::RegisterClass(&wc);  // fails harmlessly when already registered
        return plat::CreateWindowEx(0, "CoreVanishing", "vanishing", plat::WS_POPUP | plat::WS_VISIBLE,
                                     r.left, r.top, r.right - r.left, r.bottom - r.top, nullptr,
                                     nullptr, nullptr, nullptr);
    }
    void TearDown() override {
        failBatchesAfterClose = false;
        sim::FailCall(sim::Call::BeginDeferWindowPos, false);
        Switching::TearDown();
    }
};

TEST_F(VanishingWindows, WindowsDeferredEarlierStillMove) {
    plat::Hwnd low = Add("low", Rect{0, 0, 100, 100});
    plat::Hwnd v = AddVanishing(Rect{0, 0, 50, 50});
    ASSERT_NE(v, nullptr);
    plat::Hwnd high1 = Add("high1", Rect{200, 0, 300, 100});
    plat::Hwnd high2 = Add("high2", Rect{400, 0, 500, 100});
    // Below the pager: high2, high1, the vanishing window, low.

    EXPECT_TRUE(ShiftWindows(-1, 0));
    EXPECT_FALSE(sim::Exists(v));
    EXPECT_EQ(sim::WindowRect(high2).left, 400 - 1024);
    EXPECT_EQ(sim::WindowRect(high1).left, 200 - 1024);
    // The walk went on below the closed window.
    EXPECT_EQ(sim::WindowRect(low).left, -1024);
    EXPECT_EQ(sim::BatchCount(), 1);
    for (plat::Hwnd w : {high1, high2, low}) {
        std::vector<sim::MoveRecord> m = MovesOf(w);
        ASSERT_EQ(m.size(), 1u);
        EXPECT_EQ(m[0].batch, 1);
    }
}

TEST_F(VanishingWindows, NoNewBatchMeansDirectMoves) {
    failBatchesAfterClose = true;
    plat::Hwnd low = Add("low", Rect{0, 0, 100, 100});
    ASSERT_NE(AddVanishing(Rect{0, 0, 50, 50}), nullptr);
    plat::Hwnd high = Add("high", Rect{200, 0, 300, 100});

    EXPECT_TRUE(ShiftWindows(0, 1));
    EXPECT_EQ(sim::WindowRect(high).top, 768);
    EXPECT_EQ(sim::WindowRect(low).top, 768);
    for (plat::Hwnd w : {high, low}) {
        std::vector<sim::MoveRecord> m = MovesOf(w);
        ASSERT_EQ(m.size(), 1u);
        EXPECT_EQ(m[0].via, "SetWindowPos");
        EXPECT_EQ(m[0].flags, MoveFlags);
    }
}

TEST_F(Switching, WithoutAnyBatchEachWindowMovesDirectly) {
    sim::FailCall(sim::Call::BeginDeferWindowPos, true);
    plat::Hwnd a = Add("a", Rect{0, 0, 100, 100});
    plat::Hwnd b = Add("b", Rect{10, 10, 100, 100});
    EXPECT_TRUE(ShiftWindows(1, 0));
    sim::FailCall(sim::Call::BeginDeferWindowPos, false);
    EXPECT_EQ(sim::BatchCount(), 0);
    EXPECT_EQ(sim::WindowRect(a).left, 1024);
    EXPECT_EQ(sim::WindowRect(b).left, 1034);
    EXPECT_EQ(MovesOf(a).at(0).flags, MoveFlags);
    EXPECT_EQ(desktop.switching, 0);
}

}  // namespace
