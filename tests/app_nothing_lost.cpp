// Ends of a run that race a switch, hung windows whose moves are still pending, a shrunk grid,
// and settings changed only for the run: nothing may be left off the screen or saved wrongly.
#include <atomic>
#include <functional>
#include <thread>

#include "core/compress.h"
#include "core/session.h"
#include "core/pending.h"
#include "core/switching.h"
#include "core/unmovable.h"
#include "platform/kernel.h"
#include "tests/app_harness.h"

using namespace apptest;

namespace {

// What the window below does when the switch's probe reaches it, on its own thread.
std::function<void()> onProbe;
std::atomic<bool> probed{false};

plat::LResult PLAT_CALLBACK ProbedProc(plat::Hwnd w, std::uint32_t msg, plat::WParam wp, plat::LParam lp) {
    if (msg == plat::WM_GETTEXTLENGTH && desktop.switching && !probed.exchange(true) && onProbe) onProbe();
    return plat::DefWindowProc(w, msg, wp, lp);
}

// A window of another thread of this test, answering with ProbedProc.
class ProbedWindow {
public:
    ProbedWindow() {
        owner_ = std::thread([this] {
            plat::WndClass wc{};
            wc.lpfnWndProc = ProbedProc;
            wc.lpszClassName = "NothingLostProbed";
            plat::RegisterClass(&wc);
            thread_ = plat::GetCurrentThreadId();
            window_ = plat::CreateWindowEx(0, "NothingLostProbed", "probed", plat::WS_POPUP | plat::WS_VISIBLE,
                                            200, 10, 300, 110, nullptr, nullptr, nullptr, nullptr);
            plat::Msg m;
            while (plat::GetMessage(&m, nullptr, 0, 0) > 0) plat::DispatchMessage(&m);
            plat::DestroyWindow(window_);
        });
        sim::WaitFor([this] { return window_.load() != nullptr; });
    }
    ~ProbedWindow() {
        plat::PostThreadMessage(thread_, plat::WM_QUIT, 0, 0);
        owner_.join();
    }
    plat::Hwnd Get() const { return window_; }

private:
    std::thread owner_;
    std::atomic<plat::Hwnd> window_{nullptr};
    std::atomic<std::uint32_t> thread_{0};
};

constexpr std::uint32_t CtrlAlt = plat::MOD_ALT | plat::MOD_CONTROL;

int MovesOf(plat::Hwnd w) {
    int n = 0;
    for (const sim::MoveRecord& m : sim::Moves()) n += m.window == w;
    return n;
}

// The end of the run arrives while a switch to the right waits for the windows' answers: a
// close sent by another program, a Close with a switch queued behind it, a logoff, or a crash
// on another thread. However it
// comes, every window is home afterwards and no switch takes it out again.
TEST_F(AppTest, EndOfRunDuringASwitchLeavesEveryWindowHome) {
    enum class End { SentClose, CloseThenHotkey, CloseThenHookSwitch, Logoff, LogoffThenEndSession, Crash };
    struct Case {
        End end;
        int rescale;
    };
    const Case cases[] = {{End::SentClose, 1},          {End::CloseThenHotkey, 1},
                          {End::CloseThenHotkey, 0},    {End::CloseThenHookSwitch, 1},
                          {End::Logoff, 1},             {End::LogoffThenEndSession, 0},
                          {End::Crash, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.end) * 10 + c.rescale);
        TearDown();
        SetUp();
        probed = false;
        onProbe = [&c] {
            switch (c.end) {
                case End::SentClose:  // waits for the switch to end, then closes
                    plat::SendMessage(Pager(), plat::WM_CLOSE, 0, 0);
                    break;
                case End::CloseThenHotkey:
                    plat::PostMessage(Pager(), plat::WM_COMMAND, CmdClose, 0);
                    sim::PressHotkey(CtrlAlt, plat::VK_RIGHT);
                    break;
                case End::CloseThenHookSwitch:
                    plat::PostMessage(Pager(), plat::WM_COMMAND, CmdClose, 0);
                    plat::PostMessage(Pager(), MsgHookSwitch, 1, 0);
                    break;
                case End::Logoff:
                case End::LogoffThenEndSession:
                    plat::SendMessage(Pager(), plat::WM_QUERYENDSESSION, 0, 0);
                    break;
                case End::Crash: sim::UnhandledExceptionFilter()(nullptr); break;
            }
        };
        plat::Hwnd a = AddWindow("A", {10, 10, 110, 110});
        ProbedWindow probedWindow;
        Run({{"Rescale On Exit", c.rescale}});
        ASSERT_TRUE(sim::PressHotkey(CtrlAlt, plat::VK_RIGHT));
        ASSERT_TRUE(sim::WaitFor([] { return probed.load(); }));
        if (c.end == End::SentClose || c.end == End::CloseThenHotkey || c.end == End::CloseThenHookSwitch) {
            EXPECT_EQ(program.Join(), ExitRan);
        } else {
            ASSERT_TRUE(program.Barrier());
            if (c.end == End::LogoffThenEndSession) plat::SendMessage(Pager(), plat::WM_ENDSESSION, 1, 0);
            EXPECT_EQ(sim::WindowRect(a).left, 10);
            ASSERT_TRUE(sim::PressHotkey(CtrlAlt, plat::VK_RIGHT));  // refused from now on
            EXPECT_EQ(program.Close(), ExitRan);
        }
        EXPECT_EQ(sim::WindowRect(a).left, 10);
        EXPECT_EQ(sim::WindowRect(probedWindow.Get()).left, 200);
        EXPECT_FALSE(sim::GetValue("HKCU", Pref, "Session").exists);
    }
    onProbe = nullptr;
}

// The dialog's OK comes while a switch waits for a window's answer: the main thread applies
// it after the switch, never inside it.
TEST_F(AppTest, SettingsAppliedDuringASwitchWaitForIt) {
    Gate ok;
    sim::OnShowPref([&](void* record, int, void*) {
        ok.Wait();
        static_cast<Settings*>(record)->disableShell = 1;
        return 1;
    });
    std::atomic<int> switchingThen{0}, shellThen{-1};
    probed = false;
    onProbe = [&] {
        ok.Open();
        sim::WaitFor([] {
            for (const sim::PostRecord& p : sim::Posts())
                if (p.message == MsgSettingsApplied) return true;
            return false;
        });
        plat::Sleep(5);  // room for an apply that would not wait
        switchingThen = desktop.switching;
        shellThen = settings.disableShell;
    };
    ProbedWindow probedWindow;
    Run();
    program.Command(CmdSettings);
    ASSERT_TRUE(sim::WaitFor([] { return settingsDialogOpen.load(); }));
    Press(plat::VK_RIGHT);
    ASSERT_TRUE(sim::WaitFor([] { return !settingsDialogOpen; }));
    ASSERT_TRUE(program.Barrier());
    EXPECT_NE(switchingThen, 0);
    EXPECT_EQ(shellThen, 0);
    EXPECT_EQ(settings.disableShell, 1);
    EXPECT_EQ(desktop.currentColumn, 1);
    onProbe = nullptr;
}

// The dialog shrinks the grid to 2 x 2 while a window lies on desktop (2, 0): it comes to the
// nearest desktop left, (1, 0), at once. A window put outside the grid later (by its program)
// is brought in at the exit. "Rescale On Exit" is off, so nothing else folds them.
TEST_F(AppTest, WindowsOutsideTheGridAreBroughtIntoIt) {
    sim::OnShowPref([](void* record, int, void*) {
        static_cast<Settings*>(record)->xResolution = 2;
        static_cast<Settings*>(record)->yResolution = 2;
        return 1;
    });
    plat::Hwnd far = AddWindow("Far", {2058, 10, 2158, 110});
    plat::Hwnd later = AddWindow("Later", {10, 10, 110, 110});
    Run({{"Rescale On Exit", 0}});
    program.Command(CmdSettings);
    ASSERT_TRUE(sim::WaitFor([] { return desktop.columns == 2; }));
    ASSERT_TRUE(program.Barrier());
    EXPECT_EQ(sim::WindowRect(far).left, 1034);
    sim::SetRect(later, {10, 5000, 110, 5100});
    EXPECT_EQ(program.Close(), ExitRan);
    EXPECT_EQ(sim::WindowRect(far).left, 1034);
    EXPECT_EQ(sim::WindowRect(later).top, 5000 - 5 * 768);  // row 1, the last of the grid
}

// A window answers the move thread's question, then hangs again before its move: the move
// thread must not wait for it (the exit could not end it), and the window still comes home.
TEST_F(AppTest, MoveThreadNeverWaitsForAWindowThatHangsAgain) {
    for (int rescale : {1, 0}) {
        SCOPED_TRACE(rescale);
        TearDown();
        SetUp();
        plat::Hwnd hung = AddWindow("Hung", {20, 20, 120, 120});
        sim::SetHung(hung, true);
        Run({{"Rescale On Exit", rescale}});
        Press(plat::VK_RIGHT);
        sim::AnswerHeldAndHangAgain(hung);
        ASSERT_TRUE(program.Barrier());
        EXPECT_EQ(sim::HungWindowBlocks(), 0);
        EXPECT_EQ(program.Close(), ExitRan);
        sim::SetHung(hung, false);  // what was posted to it lands, the way home last
        EXPECT_EQ(sim::WindowRect(hung).left, 20);
        EXPECT_EQ(sim::HungWindowBlocks(), 0);
    }
}

// A hung window of a program with higher rights: once it answers, the move thread's move is
// refused; the window is marked and no longer waited for.
TEST_F(AppTest, MoveThreadMarksARefusedWindowAndLetsItGo) {
    plat::Hwnd admin = AddWindow("Admin", {20, 20, 120, 120});
    sim::SetHung(admin, true);
    sim::SetMoveDenied(admin, true);
    Run();
    Press(plat::VK_RIGHT);
    EXPECT_TRUE(IsMovePending(admin));
    sim::SetHung(admin, false);
    ASSERT_TRUE(sim::WaitFor([&] { return !IsMovePending(admin); }));
    EXPECT_TRUE(IsUnmovable(admin));
    EXPECT_EQ(sim::WindowRect(admin).left, 20);
    EXPECT_EQ(program.Close(), ExitRan);
}

// The window recovers before the next switch, but the move thread has not yet made its first
// move: the switch plans from where that move puts it, and the window moves once, there.
TEST_F(AppTest, WindowRecoveringBeforeItsLateMoveEndsOnItsDesktop) {
    plat::Hwnd hung = AddWindow("Hung", {20, 20, 120, 120});
    sim::SetHung(hung, true);
    Run();
    Press(plat::VK_RIGHT);
    sim::HoldCallbacks(moveThreadId, true);
    sim::SetHung(hung, false);
    Press(plat::VK_RIGHT);
    sim::HoldCallbacks(moveThreadId, false);
    ASSERT_TRUE(sim::WaitFor([&] { return MovesOf(hung) >= 1; }));
    ASSERT_TRUE(program.Barrier());
    EXPECT_EQ(sim::WindowRect(hung).left, 20 - 2048);
    EXPECT_EQ(MovesOf(hung), 1);
    EXPECT_EQ(program.Close(), ExitRan);
    EXPECT_EQ(sim::WindowRect(hung).left, 20);
}

// The recovery record says when hung windows were still on their way, and stops saying so once
// they have arrived.
TEST_F(AppTest, RecoveryRecordTellsWhenMovesArePending) {
    plat::Hwnd hung = AddWindow("Hung", {20, 20, 120, 120});
    sim::SetHung(hung, true);
    Run();
    Press(plat::VK_RIGHT);
    auto pendingFlag = [] {
        const std::vector<std::uint8_t> d = sim::GetValue("HKCU", Pref, "Session").data;
        return d.size() == 28 ? d[24] & 1 : -1;
    };
    EXPECT_EQ(pendingFlag(), 1);
    sim::SetHung(hung, false);
    ASSERT_TRUE(program.Barrier());
    sim::FireTimers();
    ASSERT_TRUE(program.Barrier());
    EXPECT_EQ(pendingFlag(), 0);
    EXPECT_EQ(program.Close(), ExitRan);
}

// Switch hotkeys that another program holds are off for this run; an OK without changes, and
// one that turns them on, each save what the user meant.
TEST_F(AppTest, HotkeysOffForTheRunAreNotSaved) {
    for (int turnOn : {0, 1}) {
        SCOPED_TRACE(turnOn);
        TearDown();
        SetUp();
        sim::HoldHotkey(CtrlAlt, plat::VK_LEFT);
        std::atomic<bool> shown{false};
        sim::OnShowPref([turnOn, &shown](void* record, int, void*) {
            if (turnOn) static_cast<Settings*>(record)->switchHotkeys = 1;
            shown = true;
            return 1;
        });
        Run({{"Switch hotkeys", 1}});
        EXPECT_EQ(settings.switchHotkeys, 0);
        program.Command(CmdSettings);
        ASSERT_TRUE(sim::WaitFor([&] { return shown && !settingsDialogOpen; }));
        ASSERT_TRUE(program.Barrier());
        EXPECT_EQ(sim::GetValue("HKCU", Pref, "Switch hotkeys").AsDword(), 1u);
        EXPECT_EQ(program.Close(), ExitRan);
    }
}

}  // namespace
