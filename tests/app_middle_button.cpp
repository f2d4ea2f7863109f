// The pager's answers to the middle-button library: desktop steps, a window carried by whole
// desktops, and the pager menu at a screen point.
#include "tests/app_harness.h"

using namespace apptest;

namespace {

class MiddleButtonTest : public AppTest {
protected:
    void Run() {
        program.Start();
        ASSERT_TRUE(program.WaitRunning());
    }
    static plat::LParam Steps(int dx, int dy) {
        return static_cast<plat::LParam>((static_cast<std::uint32_t>(static_cast<std::uint16_t>(dx))) |
                                         (static_cast<std::uint32_t>(static_cast<std::uint16_t>(dy)) << 16));
    }
};

TEST_F(MiddleButtonTest, DesktopStepsStayInsideTheGrid) {
    plat::Hwnd a = AddWindow("A", {10, 10, 110, 110});
    Run();
    const struct {
        int dx, dy, column, row;
    } steps[] = {{1, 0, 1, 0}, {5, 5, 2, 2}, {0, 1, 2, 2}, {-1, -1, 1, 1}, {-9, 0, 0, 1}, {0, -1, 0, 0}};
    for (const auto& s : steps) {
        plat::PostMessage(Pager(), MsgHookSwitch, static_cast<plat::WParam>(static_cast<plat::LParam>(s.dx)), s.dy);
        ASSERT_TRUE(program.Barrier());
        EXPECT_EQ(desktop.currentColumn, s.column) << s.dx << "," << s.dy;
        EXPECT_EQ(desktop.currentRow, s.row) << s.dx << "," << s.dy;
        EXPECT_EQ(sim::WindowRect(a).left, 10 - 1024 * s.column);
        EXPECT_EQ(sim::WindowRect(a).top, 10 - 768 * s.row);
    }
    EXPECT_EQ(program.Close(), ExitRan);
}

TEST_F(MiddleButtonTest, WindowCarriedByWholeDesktopsStopsAtTheGridEdge) {
    plat::Hwnd w = AddWindow("W", {100, 50, 300, 250});
    Run();
    const struct {
        int dx, dy, left, top;
    } steps[] = {
        {1, 0, 100 + 1024, 50}, {5, 0, 100 + 2048, 50}, {-1, 1, 100 + 1024, 50 + 768},
        {0, -3, 100 + 1024, 50}, {-1, 0, 100, 50},      {-1, -1, 100, 50},
    };
    for (const auto& s : steps) {
        plat::PostMessage(Pager(), MsgHookMoveWindow, reinterpret_cast<plat::WParam>(w), Steps(s.dx, s.dy));
        ASSERT_TRUE(program.Barrier());
        EXPECT_EQ(sim::WindowRect(w).left, s.left) << s.dx << "," << s.dy;
        EXPECT_EQ(sim::WindowRect(w).top, s.top) << s.dx << "," << s.dy;
        EXPECT_EQ(sim::WindowRect(w).right - sim::WindowRect(w).left, 200);
    }
    // Neither the pager nor something that is no window is carried anywhere.
    const plat::Rect pagerBefore = sim::WindowRect(Pager());
    plat::PostMessage(Pager(), MsgHookMoveWindow, reinterpret_cast<plat::WParam>(Pager()), Steps(-1, 1));
    plat::PostMessage(Pager(), MsgHookMoveWindow, 0x7777, Steps(1, 0));
    ASSERT_TRUE(program.Barrier());
    EXPECT_EQ(sim::WindowRect(Pager()).left, pagerBefore.left);
    EXPECT_EQ(sim::WindowRect(Pager()).top, pagerBefore.top);
    EXPECT_EQ(desktop.currentColumn, 0);
    EXPECT_EQ(program.Close(), ExitRan);
}

TEST_F(MiddleButtonTest, MenuOpensAtTheScreenPointAndGivesTheForegroundBack) {
    plat::Hwnd other = AddWindow("Other", {10, 10, 110, 110});
    sim::SetForeground(other);
    Run();
    plat::PostMessage(Pager(), MsgHookMenu, 512, 700);
    ASSERT_TRUE(program.Barrier());
    ExpectPagerMenuAt(512, 700, other);
    EXPECT_EQ(program.Close(), ExitRan);
}

}  // namespace
