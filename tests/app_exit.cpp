// Every way a run can end brings the windows home, exactly once, and a run that could not
// (killed) is recovered by the next start.
#include <cstring>

#include "core/compress.h"
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
                plat::PostMessageA(Pager(), plat::WM_CLOSE, 0, 0);
                EXPECT_EQ(program.Join(), ExitRan);
                break;
            case Ending::Quit:
                plat::PostMessageA(Pager(), plat::WM_QUIT, 0, 0);
                EXPECT_EQ(program.Join(), ExitRan);
                break;
            case Ending::EndSession:
                plat::SendMessageA(Pager(), plat::WM_ENDSESSION, 1, 0);
                break;
            case Ending::QueryThenEndSession:
                EXPECT_EQ(plat::SendMessageA(Pager(), plat::WM_QUERYENDSESSION, 0, 0), 1);
                EXPECT_EQ(sim::WindowRect(plain).left, 10);  // before the programs save
                plat::SendMessageA(Pager(), plat::WM_ENDSESSION, 1, 0);
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
    plat::SendMessageA(Pager(), plat::WM_QUERYENDSESSION, 0, 0);
    EXPECT_FALSE(SessionRecorded());
    plat::SendMessageA(Pager(), plat::WM_ENDSESSION, 0, 0);
    EXPECT_TRUE(SessionRecorded());
    Press(plat::VK_LEFT);
    EXPECT_EQ(sim::WindowRect(a).left, 10 + 1024);  // folded onto (1,0), now one to the right
    EXPECT_EQ(program.Close(), ExitRan);
    EXPECT_EQ(sim::WindowRect(a).left, 10);
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

// The record a killed run left: the same screen adopts its desktop, anything else folds.
TEST(SessionRecovery, PlanFromTheStoredRecord) {
    auto rec = [](int c, int r, int w, int h) {
        std::vector<std::uint8_t> d(16);
        const int v[4] = {c, r, w, h};
        for (int i = 0; i < 16; ++i) d[i] = static_cast<std::uint8_t>(static_cast<unsigned>(v[i / 4]) >> (8 * (i % 4)));
        return d;
    };
    auto withFlags = [](std::vector<std::uint8_t> d, std::uint8_t flags) {
        d.resize(28, 0);
        d[24] = flags;
        return d;
    };
    struct Case {
        bool found;
        std::uint32_t type;
        std::vector<std::uint8_t> data;
        Recovery action;
        int column, row;
    };
    const Case cases[] = {
        {false, 0, {}, Recovery::None, 0, 0},
        {true, plat::REG_BINARY, rec(1, 1, 1024, 768), Recovery::Adopt, 1, 1},
        {true, plat::REG_BINARY, rec(0, 0, 1024, 768), Recovery::None, 0, 0},
        {true, plat::REG_BINARY, rec(1, 1, 800, 600), Recovery::Fold, 0, 0},   // another screen
        {true, plat::REG_BINARY, rec(3, 0, 1024, 768), Recovery::Fold, 0, 0},   // outside 3x3
        {true, plat::REG_BINARY, rec(-1, 0, 1024, 768), Recovery::Fold, 0, 0},
        {true, plat::REG_DWORD, {1, 0, 0, 0}, Recovery::Fold, 0, 0},             // unreadable
        {true, plat::REG_BINARY, std::vector<std::uint8_t>(15), Recovery::Fold, 0, 0},
        // The record with an origin and flags: hung windows still on their way fold.
        {true, plat::REG_BINARY, withFlags(rec(1, 1, 1024, 768), 0), Recovery::Adopt, 1, 1},
        {true, plat::REG_BINARY, withFlags(rec(1, 1, 1024, 768), 1), Recovery::Fold, 0, 0},
        {true, plat::REG_BINARY, std::vector<std::uint8_t>(27), Recovery::Fold, 0, 0},
    };
    for (const Case& c : cases) {
        const RecoveryPlan p = PlanRecovery(c.found, c.type, c.data.data(),
                                            static_cast<std::uint32_t>(c.data.size()), 1024, 768, 3, 3);
        EXPECT_EQ(p.action, c.action);
        EXPECT_EQ(p.column, c.column);
        EXPECT_EQ(p.row, c.row);
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

TEST_F(ExitTest, StartAfterAKillOnAnotherScreenFoldsEverything) {
    plat::Hwnd a = AddWindow("A", {10 - 1024, 10, 110 - 1024, 110});
    sim::LoadReg(RegHeader() + "[HKEY_CURRENT_USER\\" + Parmena + "]\n\"Session\"=hex:" + SessionHex(1, 0, 800, 600) + "\n");
    Run();
    EXPECT_EQ(sim::WindowRect(a).left, 10);
    EXPECT_EQ(desktop.currentColumn, 0);
    EXPECT_EQ(program.Close(), ExitRan);
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
    plat::PostMessageA(Pager(), plat::WM_QUIT, 0, 0);
    ASSERT_TRUE(sim::WaitFor([&] { return sim::WindowRect(a).left == 10; }));
    pref.Open();
    EXPECT_EQ(program.Join(), ExitRan);
}

}  // namespace
