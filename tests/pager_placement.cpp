// Pager placement: corners, saved position, display changes, collapse and expansion.
#include <cstdio>
#include "tests/pager_fixture.h"

namespace {

using pagertest::PagerTest;
using plat::Rect;

constexpr std::uint32_t QuietMove = plat::SWP_NOSIZE | plat::SWP_NOZORDER | plat::SWP_NOACTIVATE;

bool SameRect(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

class Placement : public PagerTest {
protected:
    // Unequal frame sizes so that a swapped axis shows.
    void UseFrame(int cx, int cy) {
        sim::Screen s = sim::GetScreen();
        s.cxFrame = cx;
        s.cyFrame = cy;
        sim::SetScreen(s);
    }
    static std::vector<sim::MoveRecord> PagerMoves() { return MovesOf(PagerWindow()); }
    static void MoveCursorOutside() { sim::SetCursor(500, 400); }
};

TEST_F(Placement, FullPositionOfEachCornerHidesTheOuterFrame) {
    UseFrame(3, 5);
    settings.xSize = 200;
    settings.ySize = 150;
    struct Case {
        int corner, x, y;
    } cases[] = {{1, -3, -5},   {2, 827, -5}, {3, -3, 623},
                 {4, 827, 623}, {0, -3, -5},  {5, -3, -5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.corner);
        settings.corner = c.corner;
        sim::ClearMoves();
        PlacePagerAtCorner();
        const auto moves = PagerMoves();
        ASSERT_EQ(moves.size(), 1u);
        EXPECT_EQ(moves[0].x, c.x);
        EXPECT_EQ(moves[0].y, c.y);
        EXPECT_EQ(moves[0].cx, 200);
        EXPECT_EQ(moves[0].cy, 150);
        EXPECT_EQ(moves[0].flags, plat::SWP_NOZORDER);
        EXPECT_TRUE(SameRect(sim::WindowRect(PagerWindow()), Rect{c.x, c.y, c.x + 200, c.y + 150}));
    }
}

TEST_F(Placement, CollapsedPositionLeavesEightPixelsOnScreen) {
    struct Case {
        int corner, x, y;
    } cases[] = {{1, -1, -1}, {2, 1016, -1}, {3, -1, 760}, {4, 1016, 760}, {7, -1, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.corner);
        settings.corner = c.corner;
        const plat::Point p = CollapsedPosition();
        EXPECT_EQ(p.x, c.x);
        EXPECT_EQ(p.y, c.y);
    }
}

TEST_F(Placement, StoredSizesOutsideTheUsableRangeAreBounded) {
    StartPager("\"XSize\"=dword:00000000\n\"YSize\"=dword:ffffffff\n");
    settings.corner = 4;
    PlacePagerAtCorner();
    auto moves = PagerMoves();
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].cx, CollapsedSize);
    EXPECT_EQ(moves[0].cy, CollapsedSize);
    EXPECT_EQ(moves[0].x, 1024 - CollapsedSize + 4);

    StartPager("\"XSize\"=dword:7fffffff\n\"YSize\"=dword:80000000\n");
    settings.corner = 4;
    PlacePagerAtCorner();
    moves = PagerMoves();
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].cx, 32767);
    EXPECT_EQ(moves[0].x, 1024 - 32767 + 4);
    EXPECT_EQ(moves[0].cy, CollapsedSize);
}

TEST_F(Placement, SavedPositionIsUsedOnlyWhereThePagerCanBeSeen) {
    // 192 x 144 pager on a 1024 x 768 screen; at least 8 x 8 pixels must stay on it.
    const struct {
        int x, y;
        bool used;
    } cases[] = {
        {500, 300, true},       {2000, -40, false},     {-184, 10, true},
        {-185, 10, false},      {1016, 760, true},      {1017, 100, false},
        {100, -137, false},     {0x7fffffff, 0, false}, {-2147483647, -2147483647, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        char stored[80];
        std::snprintf(stored, sizeof stored, "\"XPos\"=dword:%08x\n\"YPos\"=dword:%08x\n",
                      static_cast<unsigned>(c.x), static_cast<unsigned>(c.y));
        StartPager(stored);
        RestorePagerPosition();
        const auto moves = PagerMoves();
        ASSERT_EQ(moves.size(), c.used ? 2u : 1u);
        EXPECT_EQ(moves[0].flags, plat::SWP_NOZORDER);  // the corner first, at full size
        if (c.used) {
            EXPECT_EQ(moves[1].x, c.x);
            EXPECT_EQ(moves[1].y, c.y);
            EXPECT_EQ(moves[1].flags, QuietMove);
        } else {
            EXPECT_TRUE(SameRect(sim::WindowRect(PagerWindow()), Rect{836, -4, 1028, 140}));
        }
    }
}

TEST_F(Placement, IncompleteSavedPositionLeavesThePagerAtItsCorner) {
    for (const char* stored : {"\"XPos\"=dword:00000064\n",
                               "\"XPos\"=dword:00000064\n\"YPos\"=dword:fffffc19\n",
                               "\"YPos\"=dword:00000064\n"}) {
        SCOPED_TRACE(stored);
        StartPager(stored);
        RestorePagerPosition();
        ASSERT_EQ(PagerMoves().size(), 1u);
        EXPECT_TRUE(SameRect(sim::WindowRect(PagerWindow()), Rect{836, -4, 1028, 140}));
    }
}

TEST_F(Placement, DisplayCheckWithUnchangedSizeStoresNothing) {
    sim::Screen s = sim::GetScreen();
    s.cyFullScreen = 600;  // the taskbar grew, the resolution did not change
    sim::SetScreen(s);
    CheckDisplaySize();
    EXPECT_EQ(desktop.workHeight, 740);
    EXPECT_TRUE(PagerMoves().empty());
}

// A failed measure (no screen device context, or a size of 0) must not collapse the grid.
TEST_F(Placement, FailedMeasureKeepsTheScreenSize) {
    const sim::Screen good = sim::GetScreen();
    for (bool failDc : {true, false}) {
        sim::Screen s = good;
        s.width = failDc ? 800 : 0;
        sim::SetScreen(s);
        sim::FailCall(sim::Call::GetDC, failDc);
        CheckDisplaySize(true);
        EXPECT_FALSE(MeasureScreen());
        sim::FailCall(sim::Call::GetDC, false);
        sim::SetScreen(good);
        EXPECT_EQ(desktop.screenWidth, 1024);
        EXPECT_EQ(desktop.screenHeight, 768);
    }
    EXPECT_TRUE(PagerMoves().empty());
}

TEST_F(Placement, DisplayChangeCollapsesIntoTheNewCorner) {
    settings.corner = 4;
    sim::Screen s = sim::GetScreen();
    s.width = 800;
    s.height = 600;
    s.cxFullScreen = 800;
    s.cyFullScreen = 560;
    sim::SetScreen(s);
    CheckDisplaySize();
    EXPECT_EQ(desktop.screenWidth, 800);
    EXPECT_EQ(desktop.screenHeight, 600);
    EXPECT_EQ(desktop.workWidth, 800);
    EXPECT_EQ(desktop.workHeight, 579);
    const auto moves = PagerMoves();
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].x, 792);
    EXPECT_EQ(moves[0].y, 592);
    EXPECT_EQ(moves[0].flags, QuietMove);
}

// A pager still showing 8 x 8 pixels on a monitor stays; one that does not is pulled onto
// the nearest monitor by the shortest way.
TEST_F(Placement, DisplayChangeKeepsThePagerOnAMonitor) {
    settings.collapsePager = 0;
    sim::Screen small = sim::GetScreen();
    small.width = 800;
    small.height = 600;
    struct Case {
        int left, top;
        bool moves;
        int x, y;
    } cases[] = {{900, 700, true, 792, 592},
                 {-50, 650, true, -50, 592},
                 {-50, -300, true, -50, -136},
                 {100, 100, false, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.left);
        StartPager();
        settings.collapsePager = 0;
        plat::SetWindowPos(PagerWindow(), nullptr, c.left, c.top, 192, 144, plat::SWP_NOZORDER);
        sim::ClearMoves();
        sim::SetScreen(small);
        CheckDisplaySize();
        const auto moves = PagerMoves();
        if (!c.moves) {
            EXPECT_TRUE(moves.empty());
            continue;
        }
        ASSERT_EQ(moves.size(), 1u);
        EXPECT_EQ(moves[0].x, c.x);
        EXPECT_EQ(moves[0].y, c.y);
        EXPECT_EQ(moves[0].flags, QuietMove);
    }
}

TEST_F(Placement, ExpansionRestoresFullSizeOnlyWhenCollapsing) {
    pager.windowDrag.window = sim::AddWindow({});
    ExpandPager(true);
    EXPECT_TRUE(pager.expanded);
    EXPECT_EQ(pager.windowDrag.window, nullptr);
    EXPECT_TRUE(SameRect(sim::WindowRect(PagerWindow()), Rect{836, -4, 1028, 140}));
    ASSERT_FALSE(sim::ForegroundRequests().empty());
    EXPECT_EQ(sim::ForegroundRequests().back(), PagerWindow());

    // A second entry while awake changes nothing.
    sim::ClearMoves();
    const std::size_t requests = sim::ForegroundRequests().size();
    ExpandPager(true);
    EXPECT_TRUE(PagerMoves().empty());
    EXPECT_EQ(sim::ForegroundRequests().size(), requests);

    // Without collapsing, entering over the border only wakes the pager.
    StartPager();
    settings.collapsePager = 0;
    ExpandPager(false);
    EXPECT_TRUE(pager.expanded);
    EXPECT_TRUE(PagerMoves().empty());
    EXPECT_TRUE(sim::ForegroundRequests().empty());
}

TEST_F(Placement, CursorOnTheWindowEdgeCountsAsInside) {
    ExpandPager(false);
    const Rect r = sim::WindowRect(PagerWindow());
    for (plat::Point p : {plat::Point{r.right, r.bottom}, plat::Point{r.left, r.top}}) {
        sim::SetCursor(p.x, p.y);
        CheckPagerLeave();
        EXPECT_TRUE(pager.expanded);
    }
    sim::SetCursor(r.left, r.bottom + 1);
    CheckPagerLeave();
    EXPECT_FALSE(pager.expanded);
}

TEST_F(Placement, LeavingCollapsesAndKeepsTheUsersSize) {
    ExpandPager(false);
    // The user drags the sizing border; the window procedure records it.
    plat::SetWindowPos(PagerWindow(), nullptr, 700, -4, 320, 200, plat::SWP_NOZORDER);
    EXPECT_EQ(Pref("XSize").AsDword(), 320u);
    EXPECT_EQ(Pref("YSize").AsDword(), 200u);
    EXPECT_FALSE(Pref("XPos").exists);  // position is not saved while collapsing is on

    sim::ClearMoves();
    MoveCursorOutside();
    CheckPagerLeave();
    EXPECT_FALSE(pager.expanded);
    EXPECT_EQ(settings.xSize, 320);
    EXPECT_EQ(settings.ySize, 200);
    const auto moves = PagerMoves();
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].x, 1016);
    EXPECT_EQ(moves[0].y, -1);
    EXPECT_EQ(moves[0].cx, CollapsedSize);
    EXPECT_EQ(moves[0].flags, plat::SWP_NOZORDER | plat::SWP_NOACTIVATE);
    // The program's own shrinking is not taken for a user's resize.
    EXPECT_EQ(Pref("XSize").AsDword(), 320u);

    ExpandPager(true);
    EXPECT_TRUE(SameRect(sim::WindowRect(PagerWindow()), Rect{708, -4, 1028, 196}));
}

// Also when its program hangs meanwhile: the main thread does not wait for it.
TEST_F(Placement, CollapseReturnsAWindowBeingDragged) {
    const plat::Hwnd w = sim::AddWindow({"Editor", "TestApp", {100, 50, 400, 300}});
    ExpandPager(false);
    pager.windowDrag = WindowDrag{w, 100, 50, 0, 10, 10, 0, 0, false};
    plat::SetWindowPos(w, nullptr, 1500, 900, 0, 0, QuietMove);
    sim::SetHung(w, true);
    MoveCursorOutside();
    CheckPagerLeave();
    EXPECT_EQ(sim::HungWindowBlocks(), 0);
    sim::SetHung(w, false);
    EXPECT_EQ(pager.windowDrag.window, nullptr);
    EXPECT_EQ(sim::WindowRect(w).left, 100);
    EXPECT_EQ(sim::WindowRect(w).top, 50);
    ASSERT_FALSE(MovesOf(w).empty());
    EXPECT_EQ(MovesOf(w).back().flags, QuietMove | plat::SWP_ASYNCWINDOWPOS);
}

TEST_F(Placement, LeavingWithoutCollapseKeepsSizeAndDrag) {
    settings.collapsePager = 0;
    const plat::Hwnd w = sim::AddWindow({"Editor", "TestApp", {100, 50, 400, 300}});
    RestorePagerPosition();
    ExpandPager(false);
    pager.windowDrag = WindowDrag{w, 100, 50, 0, 10, 10, 0, 0, false};
    sim::ClearMoves();
    MoveCursorOutside();
    CheckPagerLeave();
    EXPECT_FALSE(pager.expanded);
    EXPECT_TRUE(PagerMoves().empty());
    EXPECT_EQ(pager.windowDrag.window, w);
    EXPECT_EQ(settings.xSize, 192);
}

TEST_F(Placement, LeavingHandsTheForegroundToTheTopWindowOnScreen) {
    const plat::Hwnd onScreen = sim::AddWindow({"Mail", "TestApp", {10, 10, 300, 300}});
    sim::AddWindow({"Hidden", "TestApp", {10, 10, 300, 300}, false});
    sim::AddWindow({"Far", "TestApp", {2000, 10, 2300, 300}});
    ExpandPager(true);  // the pager is now the foreground and the top window
    MoveCursorOutside();
    CheckPagerLeave();
    const auto requests = sim::ForegroundRequests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back(), onScreen);
}

TEST_F(Placement, NoLeaveCheckDuringAPagerDrag) {
    ExpandPager(false);
    pager.pagerDrag.active = true;
    sim::ClearMoves();
    MoveCursorOutside();
    CheckPagerLeave();
    EXPECT_TRUE(pager.expanded);
    EXPECT_TRUE(PagerMoves().empty());
}

// The system's sizing loop (and the menu loop) hold the capture for the pager's thread while
// timers still run; the pointer may then lie outside the pager without having left it.
TEST_F(Placement, NoLeaveCheckWhileThisThreadHoldsTheCapture) {
    ExpandPager(false);
    plat::SetCapture(PagerWindow());
    sim::ClearMoves();
    MoveCursorOutside();
    CheckPagerLeave();
    EXPECT_TRUE(pager.expanded);
    EXPECT_TRUE(PagerMoves().empty());
    EXPECT_TRUE(sim::ForegroundRequests().empty());

    // The user releases the border outside: the size is recorded, then the pager collapses.
    plat::SetWindowPos(PagerWindow(), nullptr, 600, -4, 428, 300, plat::SWP_NOZORDER);
    plat::ReleaseCapture();
    CheckPagerLeave();
    EXPECT_FALSE(pager.expanded);
    EXPECT_EQ(Pref("XSize").AsDword(), 428u);
    ExpandPager(false);
    EXPECT_EQ(sim::WindowRect(PagerWindow()).right - sim::WindowRect(PagerWindow()).left, 428);
}

TEST_F(Placement, ResizeRecordsPositionOnlyWithoutCollapsing) {
    settings.collapsePager = 0;
    plat::SetWindowPos(PagerWindow(), nullptr, 300, 200, 250, 170, plat::SWP_NOZORDER);
    RememberPagerSize();
    EXPECT_EQ(settings.xSize, 250);
    EXPECT_EQ(settings.ySize, 170);
    EXPECT_EQ(Pref("XSize").AsDword(), 250u);
    EXPECT_EQ(Pref("YSize").AsDword(), 170u);
    EXPECT_EQ(Pref("XPos").AsDword(), 300u);
    EXPECT_EQ(Pref("YPos").AsDword(), 200u);
    EXPECT_EQ(Pref("XPos").type, plat::REG_DWORD);
    EXPECT_EQ(Pref("XPos").data.size(), 4u);
}

}  // namespace
