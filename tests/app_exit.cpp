// Every way a run can end brings the windows home, exactly once, and a run that could not
// (killed) is recovered by the next start.
#include <cstring>

#include "core/compress.h"
#include "core/desktop.h"
#include "core/pending.h"
#include "core/session.h"
#include "platform/kernel.h"
#include "tests/app_harness.h"

using namespace apptest;

namespace {

constexpr const char* Parmena = "Software\\Orvanne\\Parmena\\Preferences";

bool SessionRecorded() { return sim::GetValue("HKCU", Parmena, "Session").exists; }

class ExitTest : public AppTest {
protected:
    static std::string SessionHex(int column, int row, int width, int height) {
        std::string s;
        char b[8];
        for (int v : {column, row, width, height}) {
            for (int i = 0; i < 4; ++i) {
                std::snprintf(b, sizeof b, "%s%02x", s.empty() ? "" : ",", (static_cast<unsigned>(v) >> (8 * i)) & 0xFF);
                s += b;
            }
        }
        return s;
    }
};

enum class Ending { Close, WmClose, Quit, EndSession, QueryThenEndSession, Crash };

// From desktop (1,0), with a plain window, a hung one and a topmost one that rose above the
// pager while off-screen: every ending brings all three home and clears the record.
TEST_F(ExitTest, EveryEndingBringsTheWindowsHome) {
    struct Case {
        Ending ending;
        int rescale;
    };
    const Case cases[] = {{Ending::Close, 1},      {Ending::Close, 0},
                          {Ending::WmClose, 0},    {Ending::Quit, 1},
                          {Ending::Quit, 0},       {Ending::EndSession, 0},
                          {Ending::QueryThenEndSession, 1}, {Ending::Crash, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.ending) * 10 + c.rescale);
        TearDown();
        SetUp();
        plat::Hwnd plain = AddWindow("Plain", {10, 10, 110, 110});
        plat::Hwnd hung = AddWindow("Hung", {20, 20, 120, 120});
        Run({{"Rescale On Exit", c.rescale}});
        Press(plat::VK_RIGHT);
        ASSERT_EQ(sim::WindowRect(plain).left, 10 - 1024);
        ASSERT_TRUE(SessionRecorded());
        sim::WindowSpec top;
        top.title = "Top";
        top.rect = {1024 + 30, 30, 1024 + 130, 130};
        top.topmost = true;
        plat::Hwnd topmost = sim::AddWindow(top);
        sim::SetHung(hung, true);

        switch (c.ending) {
            case Ending::Close: EXPECT_EQ(program.Close(), ExitRan); break;
            case Ending::WmClose:
                plat::PostMessage(Pager(), plat::WM_CLOSE, 0, 0);
                EXPECT_EQ(program.Join(), ExitRan);
                break;
            case Ending::Quit:
                plat::PostMessage(Pager(), plat::WM_QUIT, 0, 0);
                EXPECT_EQ(program.Join(), ExitRan);
                break;
            case Ending::EndSession:
                plat::SendMessage(Pager(), plat::WM_ENDSESSION, 1, 0);
                break;
            case Ending::QueryThenEndSession:
                EXPECT_EQ(plat::SendMessage(Pager(), plat::WM_QUERYENDSESSION, 0, 0), 1);
                EXPECT_EQ(sim::WindowRect(plain).left, 10);  // before the programs save
                plat::SendMessage(Pager(), plat::WM_ENDSESSION, 1, 0);
                break;
            case Ending::Crash:
                ASSERT_NE(sim::UnhandledExceptionFilter(), nullptr);
                EXPECT_EQ(sim::UnhandledExceptionFilter()(nullptr), plat::EXCEPTION_EXECUTE_HANDLER);
                break;
        }
        sim::SetHung(hung, false);  // what was posted to it lands now
        const int movesAtEnd = static_cast<int>(sim::Moves().size());
        EXPECT_EQ(sim::WindowRect(plain).left, 10);
        EXPECT_EQ(sim::WindowRect(hung).left, 20);
        EXPECT_EQ(sim::WindowRect(topmost).left, 30);
        EXPECT_EQ(sim::HungWindowBlocks(), 0);
        EXPECT_FALSE(SessionRecorded());
        if (!program.Done()) {
            EXPECT_EQ(program.Close(), ExitRan);
        }
        EXPECT_EQ(static_cast<int>(sim::Moves().size()), movesAtEnd);  // exactly once
    }
}

TEST_F(ExitTest, CancelledLogoffKeepsRunningWithTheRecordArmedAgain) {
    plat::Hwnd a = AddWindow("A", {10, 10, 110, 110});
    Run();
    Press(plat::VK_RIGHT);
    plat::SendMessage(Pager(), plat::WM_QUERYENDSESSION, 0, 0);
    EXPECT_FALSE(SessionRecorded());
    plat::SendMessage(Pager(), plat::WM_ENDSESSION, 0, 0);
    EXPECT_TRUE(SessionRecorded());
    // The move thread the fold ended runs again: a hung window's late move is tracked.
    plat::Hwnd hung = AddWindow("Hung", {20, 200, 120, 300});
    sim::SetHung(hung, true);
    Press(plat::VK_LEFT);
    EXPECT_EQ(sim::WindowRect(a).left, 10 + 1024);  // folded onto (1,0), now one to the right
    EXPECT_TRUE(IsMovePending(hung));
    sim::SetHung(hung, false);
    ASSERT_TRUE(sim::WaitFor([&] { return !IsMovePending(hung); }));
    EXPECT_EQ(sim::WindowRect(hung).left, 20 + 1024);
    EXPECT_EQ(program.Close(), ExitRan);
    EXPECT_EQ(sim::WindowRect(a).left, 10);
    EXPECT_EQ(sim::WindowRect(hung).left, 20);
}

// The timer fails, the loop ends at once, but the remembered windows had already moved.
TEST_F(ExitTest, FailedTimerAfterRememberedPositionsStillRestores) {
    sim::LoadReg(RegHeader() + "[HKEY_CURRENT_USER\\Software\\Orvanne\\Parmena\\Window Positions]\n"
                 "\"ResetAtStart\"=dword:00000001\n\"Count\"=dword:00000001\n"
                 "\"Pos0Name\"=\"Far away\"\n\"Pos0Pos\"=dword:00000001\n");
    plat::Hwnd far = AddWindow("Far away", {10, 10, 110, 110});
    sim::FailCall(sim::Call::SetTimer, true);
    program.Start();
    EXPECT_EQ(program.Join(), ExitStartRefused);
    bool moved = false;
    for (const sim::MoveRecord& m : sim::Moves()) moved = moved || (m.window == far && m.x == 1034);
    EXPECT_TRUE(moved);
    EXPECT_EQ(sim::WindowRect(far).left, 10);
}

// The record a killed run left: the same virtual screen adopts its desktop, another one adopts
// it and lays the windows out again, anything unreadable or outside the grid, or
// written while moves were pending, folds.
TEST(SessionRecovery, PlanFromTheStoredRecord) {
    auto rec = [](std::vector<int> v) {
        std::vector<std::uint8_t> d(4 * v.size());
        for (std::size_t i = 0; i < d.size(); ++i)
            d[i] = static_cast<std::uint8_t>(static_cast<unsigned>(v[i / 4]) >> (8 * (i % 4)));
        return d;
    };
    struct Case {
        bool found;
        std::uint32_t type;
        std::vector<std::uint8_t> data;
        Recovery action;
        int column, row, originX, width;
    };
    const Case cases[] = {
        {false, 0, {}, Recovery::None, 0, 0, 0, 0},
        {true, plat::REG_BINARY, rec({1, 1, 1024, 768}), Recovery::Adopt, 1, 1, 0, 1024},
        {true, plat::REG_BINARY, rec({0, 0, 1024, 768}), Recovery::None, 0, 0, 0, 1024},
        {true, plat::REG_BINARY, rec({1, 1, 800, 600}), Recovery::Relayout, 1, 1, 0, 800},
        {true, plat::REG_BINARY, rec({0, 0, 800, 600}), Recovery::Relayout, 0, 0, 0, 800},
        {true, plat::REG_BINARY, rec({1, 1, 1024, 768, 0, 0, 0}), Recovery::Adopt, 1, 1, 0, 1024},
        {true, plat::REG_BINARY, rec({2, 0, 2048, 768, -1024, 0, 0}), Recovery::Relayout, 2, 0, -1024, 2048},
        {true, plat::REG_BINARY, rec({1, 0, 0, 768, 0, 0, 0}), Recovery::Fold, 0, 0, 0, 0},
        {true, plat::REG_BINARY, rec({1, 0, 1, 768, 0, 0, 0}), Recovery::Fold, 0, 0, 0, 0},
        {true, plat::REG_BINARY, rec({1, 0, 1024, 768, INT32_MIN, 0, 0}), Recovery::Fold, 0, 0, 0, 0},
        {true, plat::REG_BINARY, rec({3, 0, 1024, 768}), Recovery::Fold, 0, 0, 0, 1024},   // outside 3x3
        {true, plat::REG_BINARY, rec({-1, 0, 1024, 768}), Recovery::Fold, 0, 0, 0, 1024},
        {true, plat::REG_DWORD, {1, 0, 0, 0}, Recovery::Fold, 0, 0, 0, 0},             // unreadable
        {true, plat::REG_BINARY, std::vector<std::uint8_t>(15), Recovery::Fold, 0, 0, 0, 0},
        {true, plat::REG_BINARY, std::vector<std::uint8_t>(24), Recovery::Fold, 0, 0, 0, 0},
        // Hung windows still on their way when it was written: fold.
        {true, plat::REG_BINARY, rec({1, 1, 1024, 768, 0, 0, 1}), Recovery::Fold, 0, 0, 0, 0},
        {true, plat::REG_BINARY, rec({1, 1, 800, 600, 0, 0, 1}), Recovery::Fold, 0, 0, 0, 0},
        {true, plat::REG_BINARY, std::vector<std::uint8_t>(27), Recovery::Fold, 0, 0, 0, 0},
    };
    ScreenGeometry now{};
    now.width = 1024;
    now.height = 768;
    for (const Case& c : cases) {
        const RecoveryPlan p = PlanRecovery(c.found, c.type, c.data.data(),
                                            static_cast<std::uint32_t>(c.data.size()), now, 3, 3);
        EXPECT_EQ(p.action, c.action);
        EXPECT_EQ(p.column, c.column);
        EXPECT_EQ(p.row, c.row);
        if (c.action == Recovery::Relayout) {
            EXPECT_EQ(p.originX, c.originX);
            EXPECT_EQ(p.width, c.width);
        }
    }
}

TEST_F(ExitTest, StartAfterAKillAdoptsTheRecordedDesktop) {
    // What a run killed on desktop (1,1) left: its windows one desktop up and left.
    plat::Hwnd a = AddWindow("A", {10 - 1024, 10 - 768, 110 - 1024, 110 - 768});
    sim::LoadReg(RegHeader() + "[HKEY_CURRENT_USER\\" + Parmena + "]\n\"Session\"=hex:" + SessionHex(1, 1, 1024, 768) + "\n");
    Run();
    EXPECT_EQ(desktop.currentColumn, 1);
    EXPECT_EQ(desktop.currentRow, 1);
    Press(plat::VK_LEFT);
    Press(plat::VK_UP);
    EXPECT_EQ(sim::WindowRect(a).left, 10);
    EXPECT_EQ(sim::WindowRect(a).top, 10);
    // Each switch rewrote the record: back on (0,0) now.
    const std::vector<std::uint8_t> data = sim::GetValue("HKCU", Parmena, "Session").data;
    ASSERT_EQ(data.size(), 28u);
    EXPECT_EQ(data[0] | data[4], 0);
    EXPECT_EQ(data[8] | data[9] << 8, 1024);
    EXPECT_EQ(program.Close(), ExitRan);
    EXPECT_FALSE(SessionRecorded());
}

// Killed on desktop (1,0) of an 800 x 600 screen, started again at 1024 x 768: each window
// stays on its desktop, at its place there.
TEST_F(ExitTest, StartAfterAKillOnAnotherScreenLaysWindowsOutAgain) {
    plat::Hwnd home = AddWindow("Home", {10 - 800, 10, 110 - 800, 110});
    plat::Hwnd here = AddWindow("Here", {700, 500, 790, 590});
    sim::LoadReg(RegHeader() + "[HKEY_CURRENT_USER\\" + Parmena + "]\n\"Session\"=hex:" + SessionHex(1, 0, 800, 600) + "\n");
    Run();
    EXPECT_EQ(desktop.currentColumn, 1);
    EXPECT_EQ(sim::WindowRect(home).left, 10 - 1024);
    EXPECT_EQ(sim::WindowRect(here).left, 700);
    Press(plat::VK_LEFT);
    EXPECT_EQ(sim::WindowRect(home).left, 10);
    EXPECT_EQ(sim::WindowRect(home).top, 10);
    EXPECT_EQ(program.Close(), ExitRan);
}

// The story of a change of resolution: the view on (2,1), the screen shrinks, the user comes
// back to (0,0) and closes. Every window is where it belongs, its title bar on the screen.
TEST_F(ExitTest, DisplayChangeKeepsWindowsOnTheirDesktops) {
    plat::Hwnd home = AddWindow("Home", {100, 80, 700, 580});
    plat::Hwnd far = AddWindow("Far", {2048 + 900, 768 + 600, 2048 + 1020, 768 + 700});
    Run();
    Press(plat::VK_RIGHT);
    Press(plat::VK_RIGHT);
    Press(plat::VK_DOWN);
    sim::Monitor small;
    small.rect = small.work = {0, 0, 800, 600};
    sim::ChangeDisplay({small});
    ASSERT_TRUE(program.Barrier());
    EXPECT_EQ(desktop.screenWidth, 800);
    EXPECT_EQ(sim::WindowRect(home).left, 100 - 1600);
    EXPECT_EQ(sim::WindowRect(home).top, 80 - 600);
    // Far's place on (2,1) is clamped so that its title bar stays on the smaller screen.
    const plat::Rect f = sim::WindowRect(far);
    EXPECT_GE(f.left, 0);
    EXPECT_LE(f.right, 808);
    EXPECT_LE(f.top + 30, 600);
    const std::vector<std::uint8_t> data = sim::GetValue("HKCU", Parmena, "Session").data;
    ASSERT_EQ(data.size(), 28u);
    EXPECT_EQ(data[8] | data[9] << 8, 800);
    Press(plat::VK_LEFT);
    Press(plat::VK_LEFT);
    Press(plat::VK_UP);
    EXPECT_EQ(sim::WindowRect(home).left, 100);
    EXPECT_EQ(sim::WindowRect(home).top, 80);
    EXPECT_EQ(program.Close(), ExitRan);
    for (plat::Hwnd w : {home, far}) {
        const plat::Rect r = sim::WindowRect(w);
        EXPECT_GE(r.left, -8);
        EXPECT_LT(r.left, 800);
        EXPECT_GE(r.top, -8);
        EXPECT_LE(r.top + 30, 600);
    }
}

// The apply of a dialog that closes at the end repaints the pager: the main thread must keep
// answering while it waits for the dialog thread.
TEST_F(ExitTest, QuitWhileTheSettingsDialogAppliesDoesNotDeadlock) {
    Gate pref;
    sim::OnShowPref([&](void*, int, void*) {
        pref.Wait();
        return 1;  // OK: apply, which updates the pager window
    });
    plat::Hwnd a = AddWindow("A", {10, 10, 110, 110});
    Run();
    Press(plat::VK_RIGHT);
    program.Command(CmdSettings);
    ASSERT_TRUE(sim::WaitFor([] { return settingsDialogOpen != 0; }));
    plat::PostMessage(Pager(), plat::WM_QUIT, 0, 0);
    ASSERT_TRUE(sim::WaitFor([&] { return sim::WindowRect(a).left == 10; }));
    pref.Open();
    EXPECT_EQ(program.Join(), ExitRan);
}

}  // namespace
