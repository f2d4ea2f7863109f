// The poll tick: edge switching, follow-active and the conditional repaint.
#include <string>
#include <utility>
#include <vector>

#include "app/app.h"
#include "core/pending.h"
#include "core/poll.h"
#include "core/switching.h"
#include "core_fixture.h"
#include "platform/window.h"

namespace {

using plat::Rect;

class Poll : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        settings.switchAtBorders = 1;
        settings.onlyWhenButtonDown = 1;
        settings.followActive = 0;
        settings.collapsePager = 1;
        sim::SetKeyDown(plat::VK_LBUTTON, true);
        sim::SetKeyDown(plat::VK_RBUTTON, true);
        sim::SetCursor(500, 400);
    }
    void TearDown() override {
        FreeWindowSnapshot();
        CoreTest::TearDown();
    }
    // One tick from desktop (c, r) with the cursor at (x, y); true when the desktop changed.
    bool EdgeFires(int c, int r, int x, int y) {
        desktop.currentColumn = c;
        desktop.currentRow = r;
        sim::SetCursor(x, y);
        PollTick();
        return desktop.currentColumn != c || desktop.currentRow != r;
    }
};

TEST_F(Poll, LeftEdgeSwitchesAndPutsTheCursorBack) {
    plat::Hwnd w = Add("w", Rect{100, 100, 200, 200});
    desktop.currentColumn = 1;
    sim::SetCursor(1, 333);
    PollTick();
    EXPECT_EQ(desktop.currentColumn, 0);
    EXPECT_EQ(sim::WindowRect(w).left, 100 + 1024);
    EXPECT_EQ(sim::Cursor().x, 1024 - 8);
    EXPECT_EQ(sim::Cursor().y, 333);
    EXPECT_EQ(desktop.edgeSwitching, 0);
    // An edge switch never activates a window.
    EXPECT_TRUE(sim::ForegroundRequests().empty());
}

TEST_F(Poll, EachEdgeMovesTheCursorToItsReentryPoint) {
    EXPECT_TRUE(EdgeFires(1, 1, 1023, 300));
    EXPECT_EQ(desktop.currentColumn, 2);
    EXPECT_EQ(sim::Cursor().x, 8);
    EXPECT_EQ(sim::Cursor().y, 300);
    EXPECT_TRUE(EdgeFires(1, 1, 300, 0));
    EXPECT_EQ(desktop.currentRow, 0);
    EXPECT_EQ(sim::Cursor().y, 740 - 8);
    EXPECT_TRUE(EdgeFires(1, 1, 300, 767));
    EXPECT_EQ(desktop.currentRow, 2);
    EXPECT_EQ(sim::Cursor().x, 300);
    EXPECT_EQ(sim::Cursor().y, 8);
}

TEST_F(Poll, NoSwitchPastTheGridAndTheCursorStays) {
    plat::Hwnd w = Add("w", Rect{100, 100, 200, 200});
    EXPECT_FALSE(EdgeFires(0, 0, 0, 400));
    EXPECT_EQ(sim::Cursor().x, 0);
    EXPECT_FALSE(EdgeFires(2, 2, 1023, 767));
    EXPECT_EQ(sim::Cursor().x, 1023);
    EXPECT_EQ(sim::Cursor().y, 767);
    EXPECT_TRUE(MovesOf(w).empty());
    // In the top-left corner of column 0 the top edge still applies.
    EXPECT_TRUE(EdgeFires(0, 1, 0, 0));
    EXPECT_EQ(desktop.currentRow, 0);
    EXPECT_EQ(desktop.currentColumn, 0);
}

TEST_F(Poll, EdgeZonesFollowScreenAndWorkArea) {
    // Screen 1024 x 768, work area 1024 x 740, from the middle desktop.
    const std::pair<int, int> fire[] = {{0, 400}, {1, 400}, {1023, 400}, {500, 0}, {500, 1},
                                        {500, 739}, {500, 767}};
    const std::pair<int, int> quiet[] = {{2, 400}, {1022, 400}, {500, 2}, {500, 738},
                                         {500, 740}, {500, 766}};
    for (auto p : fire) EXPECT_TRUE(EdgeFires(1, 1, p.first, p.second)) << p.first << "," << p.second;
    for (auto p : quiet) EXPECT_FALSE(EdgeFires(1, 1, p.first, p.second)) << p.first << "," << p.second;

    // A work area narrower than the screen adds its last column as a right edge.
    desktop.workWidth = 1000;
    EXPECT_TRUE(EdgeFires(1, 1, 999, 400));
    EXPECT_FALSE(EdgeFires(1, 1, 998, 400));
    EXPECT_FALSE(EdgeFires(1, 1, 1000, 400));
    EXPECT_TRUE(EdgeFires(1, 1, 1023, 400));
}

TEST_F(Poll, ButtonsRequiredOnlyWhenAskedFor) {
    sim::SetKeyDown(plat::VK_RBUTTON, false);
    EXPECT_FALSE(EdgeFires(1, 1, 0, 400));
    sim::SetKeyDown(plat::VK_LBUTTON, false);
    sim::SetKeyDown(plat::VK_RBUTTON, true);
    EXPECT_FALSE(EdgeFires(1, 1, 0, 400));
    sim::SetKeyDown(plat::VK_LBUTTON, true);
    EXPECT_TRUE(EdgeFires(1, 1, 0, 400));

    settings.onlyWhenButtonDown = 0;
    sim::SetKeyDown(plat::VK_LBUTTON, false);
    sim::SetKeyDown(plat::VK_RBUTTON, false);
    EXPECT_TRUE(EdgeFires(1, 1, 0, 400));
    settings.switchAtBorders = 0;
    EXPECT_FALSE(EdgeFires(1, 1, 0, 400));
}

TEST_F(Poll, ExpandedPagerBlocksEdges) {
    // The cursor sits on the pager in the top-right corner: also the top and right edges.
    pager.expanded = true;
    EXPECT_FALSE(EdgeFires(1, 1, 1020, 0));
    EXPECT_TRUE(pager.expanded);
    // During a pager drag the leave check does not run, so the pager stays awake.
    pager.pagerDrag.active = true;
    EXPECT_FALSE(EdgeFires(1, 1, 0, 400));
    EXPECT_TRUE(pager.expanded);
}

TEST_F(Poll, LeavingThePagerLetsTheSameTickSwitch) {
    settings.collapsePager = 0;  // the pager keeps its size; nothing but the state changes
    pager.expanded = true;
    EXPECT_TRUE(EdgeFires(1, 1, 0, 400));
    EXPECT_FALSE(pager.expanded);
}

TEST_F(Poll, TickDoesNothingWhileSwitching) {
    plat::Hwnd w = Add("w", Rect{100, 100, 200, 200});
    settings.collapsePager = 0;
    desktop.switching = 1;
    pager.expanded = true;  // cursor is outside the pager
    EXPECT_FALSE(EdgeFires(1, 1, 0, 400));
    EXPECT_TRUE(pager.expanded);
    EXPECT_EQ(sim::Cursor().x, 0);
    EXPECT_TRUE(MovesOf(w).empty());
    EXPECT_TRUE(sim::DrawCalls().empty());
}

TEST_F(Poll, RepaintOnlyWhenThePagerIsShown) {
    Add("w", Rect{100, 100, 200, 200});
    PollTick();  // collapsed with MinimizeTolvo: nothing to draw
    EXPECT_TRUE(sim::DrawCalls().empty());
    settings.collapsePager = 0;
    PollTick();
    EXPECT_FALSE(sim::DrawCalls().empty());
    EXPECT_EQ(sim::LiveDCs(), 0);
}

TEST_F(Poll, EdgeSwitchEndsTheTick) {
    settings.collapsePager = 0;
    settings.followActive = 1;
    plat::Hwnd other = Add("other", Rect{1100, 100, 1200, 200});  // desktop (2, 0) from (1, 0)
    sim::SetForeground(other);
    EXPECT_TRUE(EdgeFires(1, 0, 0, 400));
    EXPECT_EQ(desktop.currentColumn, 0);
    EXPECT_EQ(desktop.lastForeground, nullptr);  // no follow-active check
    EXPECT_TRUE(sim::DrawCalls().empty());       // no repaint
    // The cursor was put back inside the screen; the next tick follows and repaints.
    PollTick();
    EXPECT_EQ(desktop.lastForeground, other);
    EXPECT_EQ(desktop.currentColumn, 2);
    EXPECT_FALSE(sim::DrawCalls().empty());
}

// The plan alone, with the virtual screen's corner left of and above the primary monitor's.
TEST_F(Poll, EdgePlanCountsFromTheVirtualScreensCorner) {
    desktop.originX = -1024;
    desktop.originY = -768;
    desktop.monitors[0].rect = desktop.monitors[0].work = Rect{-1024, -768, 0, 0};
    desktop.currentColumn = desktop.currentRow = 1;
    const struct {
        int x, y;
        bool fires;
        int right, down, toX, toY;
    } cases[] = {
        {-1024, -400, true, -1, 0, -8, -400},  {-1, -400, true, 1, 0, -1016, -400},
        {-500, -768, true, 0, -1, -500, -36},  {-500, -1, true, 0, 1, -500, -760},
        {-2, -400, false, 0, 0, 0, 0},         {-1022, -2, false, 0, 0, 0, 0},
    };
    for (const auto& k : cases) {
        ViewStep step{};
        ASSERT_EQ(PlanEdgeSwitch({k.x, k.y}, &step), k.fires) << k.x << "," << k.y;
        if (!k.fires) continue;
        EXPECT_EQ(step.columnsRight, k.right) << k.x << "," << k.y;
        EXPECT_EQ(step.rowsDown, k.down) << k.x << "," << k.y;
        EXPECT_EQ(step.cursor.x, k.toX) << k.x << "," << k.y;
        EXPECT_EQ(step.cursor.y, k.toY) << k.x << "," << k.y;
    }
}

// One switch reaches ten desktops: a window farther away, or off the grid, is not followed.
TEST_F(Poll, FollowPlanTable) {
    desktop.columns = 12;
    desktop.rows = 2;
    desktop.currentColumn = 1;
    const struct {
        Rect r;
        bool follows;
        int right, down;
    } cases[] = {
        {{100, 100, 300, 300}, false, 0, 0},             {{1100, 900, 1300, 1000}, true, 1, 1},
        {{-900, 100, -700, 300}, true, -1, 0},           {{10 * 1024 + 100, 0, 10 * 1024 + 300, 50}, true, 10, 0},
        {{-1200, 0, -1100, 50}, false, 0, 0},            {{11 * 1024 - 100, 0, 11 * 1024 + 900, 50}, false, 0, 0},
        {{300, 100, 100, 300}, false, 0, 0},
    };
    for (const auto& k : cases) {
        ViewStep step{};
        ASSERT_EQ(PlanFollow(k.r, &step), k.follows) << k.r.left << "," << k.r.top;
        if (!k.follows) continue;
        EXPECT_EQ(step.columnsRight, k.right) << k.r.left;
        EXPECT_EQ(step.rowsDown, k.down) << k.r.left;
    }
}

class Follow : public Poll {
protected:
    void SetUp() override {
        Poll::SetUp();
        settings.followActive = 1;
        settings.switchAtBorders = 0;
    }
    // Makes `from` the previous foreground window, then activates `to` and ticks.
    static void Activate(plat::Hwnd from, plat::Hwnd to) {
        desktop.lastForeground = from;
        sim::SetForeground(to);
        PollTick();
    }
};

TEST_F(Follow, ActivatingAWindowElsewhereFollowsIt) {
    plat::Hwnd here = Add("here", Rect{100, 100, 300, 300});
    plat::Hwnd there = Add("there", Rect{1100, 900, 1300, 1000});  // desktop (1, 1)
    Activate(here, there);
    EXPECT_EQ(desktop.currentColumn, 1);
    EXPECT_EQ(desktop.currentRow, 1);
    EXPECT_EQ(sim::WindowRect(there).left, 1100 - 1024);
    EXPECT_EQ(sim::WindowRect(there).top, 900 - 768);
    EXPECT_EQ(desktop.lastForeground, there);
}

TEST_F(Follow, NotAWindowThatMovesLateWithASwitch) {
    plat::Hwnd here = Add("here", Rect{100, 100, 300, 300});
    plat::Hwnd late = Add("late", Rect{1100, 100, 1300, 300});
    plat::Hwnd arrived = Add("arrived", Rect{-900, 100, -700, 300});
    NotePendingMove(late, 76, 100, 1100, 100);
    NotePendingMove(arrived, -900, 100, 124, 100);
    EndPendingMove(arrived, true);
    for (plat::Hwnd w : {late, arrived}) {
        Activate(here, w);
        EXPECT_EQ(desktop.currentColumn, 0);
        EXPECT_EQ(desktop.lastForeground, w);
    }
    ResetPendingMoves();
}

TEST_F(Follow, NotTheWindowASwitchLeftNorOneWeActivated) {
    settings.enableTopmost = 0;
    plat::Hwnd here = Add("here", Rect{100, 100, 300, 300});
    plat::Hwnd there = Add("there", Rect{1100, 100, 1300, 300});
    // In front when the user switched away, before any tick saw it.
    sim::SetForeground(here);
    desktop.lastForeground = nullptr;
    ASSERT_TRUE(MoveViewBy(1, 0));
    PollTick();
    EXPECT_EQ(desktop.currentColumn, 1);

    // Activated by us while the pager was in front, landing only after the next switch.
    ActivateTopWindowOnScreen(false);
    ASSERT_EQ(sim::ForegroundRequests().back(), there);
    sim::SetForeground(settings.pagerWindow);
    ASSERT_TRUE(MoveViewBy(-1, 0));
    sim::SetForeground(there);
    PollTick();
    EXPECT_EQ(desktop.currentColumn, 0);
    EXPECT_EQ(sim::WindowRect(here).left, 100);
}

TEST_F(Follow, NotAfterAWindowThatWasItselfOffScreen) {
    plat::Hwnd away = Add("away", Rect{-900, 100, -700, 300});
    plat::Hwnd there = Add("there", Rect{1100, 100, 1300, 300});
    desktop.currentColumn = 1;
    Activate(away, there);
    EXPECT_EQ(desktop.currentColumn, 1);
    EXPECT_TRUE(sim::Moves().empty());
    // It is still remembered, so the next tick does not reconsider it.
    EXPECT_EQ(desktop.lastForeground, there);
}

TEST_F(Follow, PreviousWindowReasonsToFollow) {
    // Minimized, closed, none at all, or the taskbar: each lets the new window be followed.
    sim::WindowSpec desc;
    desc.rect = Rect{-900, 100, -700, 300};
    desc.minimized = true;
    plat::Hwnd iconic = sim::AddWindow(desc);
    plat::Hwnd gone = Add("gone", Rect{-900, 100, -700, 300});
    sim::RemoveWindow(gone);
    desc.minimized = false;
    desc.className = "Shell_TrayWnd";
    plat::Hwnd taskbar = sim::AddWindow(desc);
    for (plat::Hwnd prev : {iconic, gone, static_cast<plat::Hwnd>(nullptr), taskbar}) {
        plat::Hwnd there = Add("there", Rect{1100, 100, 1300, 300});
        desktop.currentColumn = 0;
        Activate(prev, there);
        EXPECT_EQ(desktop.currentColumn, 1);
        sim::RemoveWindow(there);
    }
}

TEST_F(Follow, NewWindowReasonsNotToFollow) {
    plat::Hwnd here = Add("here", Rect{100, 100, 300, 300});
    sim::WindowSpec desc;
    desc.rect = Rect{1100, 100, 1300, 300};
    desc.minimized = true;
    plat::Hwnd iconic = sim::AddWindow(desc);
    desc.minimized = false;
    desc.visible = false;
    plat::Hwnd hidden = sim::AddWindow(desc);
    desc.visible = true;
    desc.className = "Shell_TrayWnd";
    plat::Hwnd taskbar = sim::AddWindow(desc);
    for (plat::Hwnd w : {iconic, hidden, taskbar}) {
        Activate(here, w);
        EXPECT_EQ(desktop.currentColumn, 0);
        EXPECT_EQ(desktop.lastForeground, w);
    }
    EXPECT_TRUE(sim::Moves().empty());
}

TEST_F(Follow, SameWindowOrThePagerIsIgnored) {
    plat::Hwnd there = Add("there", Rect{1100, 100, 1300, 300});
    Activate(there, there);
    EXPECT_EQ(desktop.currentColumn, 0);
    plat::Hwnd here = Add("here", Rect{100, 100, 300, 300});
    Activate(here, PagerWindow());
    EXPECT_EQ(desktop.lastForeground, here);
    EXPECT_TRUE(sim::Moves().empty());
}

TEST_F(Follow, WindowsOutsideTheVirtualScreenOrTooFarAreNotFollowed) {
    plat::Hwnd here = Add("here", Rect{100, 100, 300, 300});
    plat::Hwnd outside = Add("outside", Rect{3072, 100, 3300, 300});
    Activate(here, outside);
    EXPECT_EQ(desktop.currentColumn, 0);
    // Touches the virtual screen but its centre is 14 screens away.
    plat::Hwnd huge = Add("huge", Rect{-100, 100, 30000, 300});
    Activate(here, huge);
    EXPECT_EQ(desktop.currentColumn, 0);
    EXPECT_TRUE(sim::Moves().empty());
}

TEST_F(Follow, CentreBeyondTheGridMovesPastTheEdge) {
    plat::Hwnd here = Add("here", Rect{100, 100, 300, 300});
    plat::Hwnd wide = Add("wide", Rect{2500, 100, 4000, 300});  // centre x 3250: column 3
    Activate(here, wide);
    EXPECT_EQ(desktop.currentColumn, 3);
    EXPECT_EQ(sim::WindowRect(wide).left, 2500 - 3 * 1024);
}

}  // namespace
