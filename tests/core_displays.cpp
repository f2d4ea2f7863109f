// Several monitors and display changes: the geometry with an origin, edges, follow-active,
// folds, the re-layout after a change, and the pager's monitors and DPI.
#include <algorithm>
#include <string>
#include <vector>

#include "app/app.h"
#include "core/compress.h"
#include "core/display.h"
#include "core/poll.h"
#include "core/switching.h"
#include "core_fixture.h"
#include "platform/gdi.h"
#include "platform/window.h"

namespace {

using plat::Rect;

sim::Monitor Mon(Rect r, bool primary = false, int dpi = 96) {
    sim::Monitor m;
    m.rect = r;
    m.work = r;
    m.primary = primary;
    m.dpi = dpi;
    return m;
}

// The layouts of the tests: one monitor, a second to the right (taller), a second below,
// and a second left of the primary (the virtual screen starts at a negative x).
const std::vector<sim::Monitor> One = {Mon({0, 0, 1024, 768}, true)};
const std::vector<sim::Monitor> SideBySide = {Mon({0, 0, 1024, 768}, true),
                                              Mon({1024, 0, 2304, 1024})};
const std::vector<sim::Monitor> Stacked = {Mon({0, 0, 1024, 768}, true),
                                           Mon({0, 768, 1024, 1536})};
const std::vector<sim::Monitor> LeftOfPrimary = {Mon({0, 0, 1024, 768}, true),
                                                 Mon({-1280, 0, 0, 1024})};

class Displays : public CoreTest {
protected:
    void Use(const std::vector<sim::Monitor>& monitors) {
        sim::SetMonitors(monitors);
        ASSERT_TRUE(MeasureScreen());
    }
    void TearDown() override {
        FreeWindowSnapshot();
        CoreTest::TearDown();
    }
};

TEST_F(Displays, GeometryWithAnOrigin) {
    struct Row {
        const char* name;
        const std::vector<sim::Monitor>* monitors;
        int originX, originY, width, height;
        plat::Point onSecond;  // a point on the second monitor (on the first with one)
    };
    const Row rows[] = {
        {"one", &One, 0, 0, 1024, 768, {500, 400}},
        {"side by side", &SideBySide, 0, 0, 2304, 1024, {2000, 900}},
        {"stacked", &Stacked, 0, 0, 1024, 1536, {500, 1500}},
        {"left of primary", &LeftOfPrimary, -1280, 0, 2304, 1024, {-1270, 10}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Use(*r.monitors);
        desktop.currentColumn = desktop.currentRow = 1;
        EXPECT_EQ(desktop.originX, r.originX);
        EXPECT_EQ(desktop.originY, r.originY);
        EXPECT_EQ(desktop.screenWidth, r.width);
        EXPECT_EQ(desktop.screenHeight, r.height);
        const plat::Point p = r.onSecond;
        // Every monitor belongs to the current desktop; whole virtual screens further on, the next.
        EXPECT_EQ(DesktopCellOfPoint(p.x, p.y), 1u + 256u);
        EXPECT_EQ(DesktopCellOfPoint(p.x + r.width, p.y), 2u + 256u);
        EXPECT_EQ(DesktopCellOfPoint(p.x, p.y - r.height), 1u);
        EXPECT_EQ(CellColumn(DesktopCellOfPoint(r.originX - 1, p.y)), 0);
        EXPECT_EQ(CellColumn(DesktopCellOfPoint(r.originX, p.y)), 1);
        const Rect win{p.x - 5, p.y - 5, p.x + 5, p.y + 5};
        EXPECT_FALSE(FoldOntoScreen(win).moved);
        const FoldResult f = FoldOntoScreen(Rect{win.left - 2 * r.width, win.top + r.height,
                                                 win.right - 2 * r.width, win.bottom + r.height});
        EXPECT_EQ(f.sx, 2);
        EXPECT_EQ(f.sy, -1);
        EXPECT_EQ(f.rect.left, win.left);
        EXPECT_TRUE(RectTouchesVirtualScreen(Rect{r.originX - r.width, 0, r.originX - r.width, 1}));
        EXPECT_FALSE(RectTouchesVirtualScreen(Rect{r.originX - r.width - 2, 0, r.originX - r.width - 1, 1}));
        EXPECT_FALSE(RectTouchesVirtualScreen(Rect{r.originX + 2 * r.width, 0, r.originX + 2 * r.width + 5, 1}));
        // Screen and virtual coordinates meet at the virtual screen's corner.
        EXPECT_EQ(ScreenToVirtualX(r.originX), r.width);
        EXPECT_EQ(VirtualToScreenY(r.height), r.originY);
    }
}

TEST_F(Displays, OnScreenMeansOnSomeMonitorsWorkArea) {
    std::vector<sim::Monitor> ms = SideBySide;
    ms[1].work.bottom = 990;  // a taskbar on the second monitor
    Use(ms);
    EXPECT_TRUE(IsOnCurrentScreen(Add("second", Rect{1500, 100, 1700, 300})));
    EXPECT_FALSE(IsOnCurrentScreen(Add("below the primary", Rect{100, 800, 300, 900})));
    EXPECT_FALSE(IsOnCurrentScreen(Add("over the taskbar", Rect{1500, 980, 1700, 1010})));
}

class DisplayEdges : public Displays {
protected:
    void SetUp() override {
        Displays::SetUp();
        settings.switchAtBorders = 1;
        settings.onlyWhenButtonDown = 0;
        settings.followActive = 0;
        settings.collapsePager = 1;
    }
    bool EdgeFires(int x, int y) {
        desktop.currentColumn = desktop.currentRow = 1;
        sim::SetCursor(x, y);
        PollTick();
        return desktop.currentColumn != 1 || desktop.currentRow != 1;
    }
};

TEST_F(DisplayEdges, OnlyTheVirtualScreensOuterEdgesSwitch) {
    struct Row {
        const std::vector<sim::Monitor>* monitors;
        int x, y;
        bool fires;
        int reenterX, reenterY;  // where the cursor is put when it fires
    };
    const Row rows[] = {
        {&SideBySide, 1023, 400, false, 0, 0},   // the border between the monitors
        {&SideBySide, 1024, 400, false, 0, 0},
        {&SideBySide, 500, 767, false, 0, 0},    // the primary's bottom is not an outer edge
        {&SideBySide, 0, 400, true, 2296, 400},
        {&SideBySide, 2303, 400, true, 8, 400},
        {&SideBySide, 2303, 900, true, 8, 759},  // below the primary: onto it
        {&SideBySide, 1500, 1023, true, 1500, 8},
        {&SideBySide, 500, 0, true, 500, 759},   // the far side is the shorter primary
        {&Stacked, 500, 767, false, 0, 0},
        {&Stacked, 500, 768, false, 0, 0},
        {&Stacked, 500, 1535, true, 500, 8},
        {&LeftOfPrimary, 0, 400, false, 0, 0},
        {&LeftOfPrimary, -1, 400, false, 0, 0},
        {&LeftOfPrimary, -1280, 400, true, 1016, 400},
        {&LeftOfPrimary, 1023, 400, true, -1272, 400},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.x << "," << r.y);
        Use(*r.monitors);
        EXPECT_EQ(EdgeFires(r.x, r.y), r.fires);
        if (r.fires) {
            EXPECT_EQ(sim::Cursor().x, r.reenterX);
            EXPECT_EQ(sim::Cursor().y, r.reenterY);
        }
    }
}

TEST_F(Displays, FollowActiveAcrossMonitors) {
    Use(SideBySide);
    desktop.currentColumn = 1;
    settings.followActive = 1;
    plat::Hwnd second = Add("second", Rect{1500, 100, 1700, 300});
    plat::Hwnd nextDesktop = Add("next", Rect{1500 + 2304, 100, 1700 + 2304, 300});
    plat::Hwnd onPrimary = Add("primary", Rect{100, 100, 300, 300});
    FollowWindow(second);
    EXPECT_EQ(desktop.currentColumn, 1);
    EXPECT_EQ(sim::WindowRect(onPrimary).left, 100);
    FollowWindow(nextDesktop);
    EXPECT_EQ(desktop.currentColumn, 2);
    EXPECT_EQ(sim::WindowRect(nextDesktop).left, 1500);
    EXPECT_EQ(sim::WindowRect(second).left, 1500 - 2304);
}

TEST_F(Displays, FoldKeepsEachWindowOnItsMonitor) {
    std::vector<sim::Monitor> ms = LeftOfPrimary;
    ms[1].work.top = 30;  // a taskbar at the top of the left monitor
    Use(ms);
    plat::Hwnd left = Add("left", Rect{-1200, 100, -1000, 300});
    plat::Hwnd leftAway = Add("left, next desktop", Rect{-1200 + 2304, 100 + 1024, -1000 + 2304, 1324});
    sim::WindowSpec max;
    max.title = "maximized away";
    max.rect = Rect{-1284 + 2 * 2304, 26, 4 + 2 * 2304, 1028};
    max.maximized = true;
    plat::Hwnd zoomed = sim::AddWindow(max);
    CompressDesktop(false);
    EXPECT_EQ(sim::WindowRect(left).left, -1200);
    EXPECT_EQ(sim::WindowRect(leftAway).left, -1200);
    EXPECT_EQ(sim::WindowRect(leftAway).top, 100);
    EXPECT_EQ(sim::WindowRect(zoomed).left, -1284);
    EXPECT_EQ(sim::WindowRect(zoomed).top, 26);
}

// The pure plan: each window keeps its desktop and its place; clamped where it would leave
// the title bar out of reach.
TEST(Relayout, PlanTable) {
    auto geo = [](std::vector<sim::Monitor> ms) {
        ScreenGeometry g{};
        Rect b = ms[0].rect;
        for (const sim::Monitor& m : ms) {
            b.left = std::min(b.left, m.rect.left);
            b.top = std::min(b.top, m.rect.top);
            b.right = std::max(b.right, m.rect.right);
            b.bottom = std::max(b.bottom, m.rect.bottom);
            g.monitors[g.monitorCount++] = MonitorArea{m.rect, m.work, m.dpi, m.primary};
        }
        g.originX = b.left;
        g.originY = b.top;
        g.width = b.right - b.left;
        g.height = b.bottom - b.top;
        return g;
    };
    const ScreenGeometry big = geo(One), small = geo({Mon({0, 0, 800, 600}, true)});
    const ScreenGeometry two = geo(SideBySide), left = geo(LeftOfPrimary);
    struct Row {
        const char* name;
        const ScreenGeometry *before, *now;
        Rect rect;
        bool moves;
        int x, y;
    };
    const Row rows[] = {
        {"current desktop, fits", &big, &small, {100, 100, 300, 300}, false, 0, 0},
        {"current desktop, past the new edge", &big, &small, {900, 650, 1000, 700}, true, 700, 573},
        {"desktop right, below", &big, &small, {1124, 868, 1324, 1068}, true, 900, 700},
        {"no edge shows on the neighbour", &big, &small, {1024 + 600, 380, 1024 + 980, 640}, true, 800 + 420, 380},
        {"desktop two left, one up", &big, &small, {-2048 + 10, -768 + 10, -2048 + 110, -758 + 100}, true, -1600 + 10, -600 + 10},
        {"maximized frame outside the monitor", &big, &small, {1020, -4, 2052, 772}, true, 800 - 4, -4},
        {"wider than the new desktop", &big, &small, {1024 + 50, 0, 1024 + 1000, 500}, true, 800, 0},
        {"grows: place kept", &small, &big, {800 + 700, 500, 800 + 790, 590}, true, 1024 + 700, 500},
        {"monitor added on the left: current stays", &big, &left, {100, 100, 300, 300}, false, 0, 0},
        {"monitor added on the left: next desktop", &big, &left, {1024 + 100, 100, 1024 + 300, 300}, true, 2304 + 100, 100},
        {"second monitor removed: next desktop", &two, &big, {2304 + 1500, 100, 2304 + 1700, 300}, true, 1024 + 824, 100},
        {"second monitor removed: the system moved it", &two, &big, {500, 100, 700, 300}, false, 0, 0},
        {"below the shorter primary", &big, &two, {1024 + 100, 700, 1024 + 300, 760}, true, 2304 + 100, 700},
        {"off every monitor after the change", &two, &two, {2304 + 100, 900, 2304 + 300, 1000}, true, 2304 + 100, 768 - 27},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::vector<PlannedMove> plan =
            PlanRelayout({SwitchCandidate{nullptr, r.rect, true, true, false}}, *r.before, *r.now, 27);
        ASSERT_EQ(plan.size(), r.moves ? 1u : 0u);
        if (!r.moves) continue;
        EXPECT_EQ(plan[0].x, r.x);
        EXPECT_EQ(plan[0].y, r.y);
        EXPECT_FALSE(plan[0].viaMoveThread);
    }
    // Unmanaged candidates are never moved; an unanswered one, and one whose earlier move is
    // still pending, goes to the move thread.
    EXPECT_TRUE(PlanRelayout({SwitchCandidate{nullptr, {1124, 868, 1324, 1068}, false, true, false}},
                             big, small, 27).empty());
    EXPECT_TRUE(PlanRelayout({SwitchCandidate{nullptr, {1124, 868, 1324, 1068}, true, false, false}},
                             big, small, 27)[0].viaMoveThread);
    EXPECT_TRUE(PlanRelayout({SwitchCandidate{nullptr, {1124, 868, 1324, 1068}, true, true, true}},
                             big, small, 27)[0].viaMoveThread);
}

// 1024 x 768 -> 800 x 600 -> 1280 x 1024 with a window on every desktop: each stays on its
// desktop, with its title bar on the screen when that desktop is shown.
TEST_F(Displays, ChangesKeepEveryWindowOnItsDesktop) {
    desktop.currentColumn = desktop.currentRow = 1;
    struct Placed {
        plat::Hwnd w;
        int column, row;
    };
    std::vector<Placed> placed;
    const Rect shapes[] = {{10, 10, 210, 160}, {900, 650, 1020, 760}, {-4, -4, 1028, 772},
                           {500, 300, 700, 500}};
    int n = 0;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c, ++n) {
            const Rect s = shapes[n % 4];
            const int dx = (c - 1) * 1024, dy = (r - 1) * 768;
            placed.push_back({Add("w" + std::to_string(n),
                                  Rect{s.left + dx, s.top + dy, s.right + dx, s.bottom + dy}),
                              c, r});
        }
    for (const std::vector<sim::Monitor>& ms :
         {std::vector<sim::Monitor>{Mon({0, 0, 800, 600}, true)},
          std::vector<sim::Monitor>{Mon({0, 0, 1280, 1024}, true)}}) {
        sim::SetMonitors(ms);
        ASSERT_TRUE(FollowDisplayChange());
        const int width = ms[0].rect.right, height = ms[0].rect.bottom;
        ASSERT_EQ(desktop.screenWidth, width);
        for (const Placed& p : placed) {
            SCOPED_TRACE(sim::Title(p.w));
            const Rect r = sim::WindowRect(p.w);
            EXPECT_EQ(DesktopCellOfWindow(p.w), static_cast<DesktopCell>(p.column + 256 * p.row));
            // As seen with its desktop shown.
            const int left = r.left - (p.column - 1) * width, top = r.top - (p.row - 1) * height;
            EXPECT_GE(left, -8);
            EXPECT_LE(left, width - 16);
            EXPECT_GE(top, -8);
            EXPECT_LE(top + 23, height);
        }
    }
    EXPECT_EQ(desktop.currentColumn, 1);
    EXPECT_EQ(desktop.currentRow, 1);
}

// A change seen while a batch of moves runs (inside a switch's wait for its probe) waits for it.
plat::LResult PLAT_CALLBACK PlainProc(plat::Hwnd w, std::uint32_t m, plat::WParam wp, plat::LParam lp) {
    return plat::DefWindowProc(w, m, wp, lp);
}

TEST_F(Displays, ChangeDuringABatchIsFollowedAfterIt) {
    // The pager of this thread, as the main thread's is: a change is followed here, not posted.
    plat::WndClass wc{};
    wc.lpfnWndProc = PlainProc;
    wc.lpszClassName = "ThisThreadsPager";
    plat::RegisterClass(&wc);
    settings.pagerWindow = plat::CreateWindowEx(plat::WS_EX_TOPMOST, "ThisThreadsPager", "Parmena",
                                                 plat::WS_POPUP, 1016, -1, 9, 9, nullptr, nullptr,
                                                 nullptr, nullptr);
    plat::Hwnd w = Add("right", Rect{1024 + 900, 100, 1024 + 1000, 200});
    plat::SetWindowPos(settings.pagerWindow, plat::HWND_TOPMOST, 0, 0, 0, 0,
                       plat::SWP_NOMOVE | plat::SWP_NOSIZE);
    desktop.switching = 1;
    sim::SetMonitors({Mon({0, 0, 800, 600}, true)});
    CheckDisplaySize();
    EXPECT_EQ(desktop.screenWidth, 1024);
    EXPECT_EQ(sim::WindowRect(w).left, 1024 + 900);
    desktop.switching = 0;
    ASSERT_TRUE(TakeDeferredDisplayChange());
    EXPECT_FALSE(TakeDeferredDisplayChange());
    CheckDisplaySize();
    EXPECT_EQ(desktop.screenWidth, 800);
    EXPECT_EQ(sim::WindowRect(w).left, 800 + 700);
    plat::DestroyWindow(settings.pagerWindow);
}

class PagerDisplays : public Displays {
protected:
    void SetUp() override {
        Displays::SetUp();
        settings.xSize = 192;
        settings.ySize = 144;
        settings.collapsePager = 1;
    }
};

TEST_F(PagerDisplays, CornerIsOnTheMonitorHoldingTheVirtualScreensCorner) {
    std::vector<sim::Monitor> lower = SideBySide;
    lower[1].rect.top = lower[1].work.top = 200;
    lower[1].rect.bottom = lower[1].work.bottom = 1224;
    struct Row {
        std::vector<sim::Monitor> monitors;
        int corner, x, y;
    } rows[] = {
        {SideBySide, 2, 2304 - 8, -1},
        {SideBySide, 4, 2304 - 8, 1024 - 8},
        {SideBySide, 3, -1, 1224 - 1224 + 768 - 8},  // bottom-left of the virtual screen: no monitor
        {lower, 2, 1024 - 8, -1},                    // top-right: no monitor, so the primary's
        {LeftOfPrimary, 1, -1281, -1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.corner);
        Use(r.monitors);
        settings.corner = r.corner;
        const plat::Point p = CollapsedPosition();
        EXPECT_EQ(p.x, r.x);
        EXPECT_EQ(p.y, r.y);
    }
}

TEST_F(PagerDisplays, MonitorOutlinesInEveryCell) {
    for (const auto* ms : {&One, &SideBySide}) {
        Use(*ms);
        SetPagerExpanded(true);
        plat::SetWindowPos(PagerWindow(), nullptr, 0, 0, 192, 144, plat::SWP_NOZORDER);
        sim::ClearDrawCalls();
        plat::Hdc dc = plat::GetDC(PagerWindow());
        PaintPager(dc, false);
        plat::ReleaseDC(PagerWindow(), dc);
        int outlines = 0;
        for (const sim::DrawCall& d : sim::DrawCalls())
            if (d.op == "Rectangle" && d.penColor == settings.grid && d.penStyle == plat::PS_SOLID)
                ++outlines;
        EXPECT_EQ(outlines, ms->size() == 1 ? 0 : 18);
    }
    EXPECT_EQ(sim::LiveGdiObjects(), 0);
}

TEST_F(PagerDisplays, SizesFollowTheCornerMonitorsDpi) {
    Use({Mon({0, 0, 1536, 1152}, true, 144)});
    settings.corner = 2;
    EXPECT_EQ(CollapsedPixels(), 14);
    EXPECT_EQ(CollapsedPosition().x, 1536 - 13);
    ExpandPager(false);
    const Rect full = sim::WindowRect(PagerWindow());
    EXPECT_EQ(full.right - full.left, 288);
    EXPECT_EQ(full.bottom - full.top, 216);
    // The user's size is kept at 96 DPI.
    plat::SetWindowPos(PagerWindow(), nullptr, full.left, full.top, 300, 240, plat::SWP_NOZORDER);
    RememberPagerSize();
    EXPECT_EQ(settings.xSize, 200);
    EXPECT_EQ(settings.ySize, 160);
    // The scale changes to 200 %: the collapsed pager is re-placed at its new size.
    sim::SetMonitors({Mon({0, 0, 1536, 1152}, true, 192)});
    SetPagerExpanded(false);
    PagerDpiChanged(nullptr);
    const Rect collapsed = sim::WindowRect(PagerWindow());
    EXPECT_EQ(collapsed.right - collapsed.left, 18);
    EXPECT_EQ(collapsed.left, 1536 - 17);
}

}  // namespace
