// Grid geometry and window identity.
#include <climits>
#include <cstdint>
#include <random>
#include <string>

#include "core/desktop.h"
#include "core/windows.h"
#include "core_fixture.h"
#include "platform/window.h"

namespace {

using plat::Rect;

class Geometry : public CoreTest {};

TEST_F(Geometry, MeasureScreenStoresSizeAndWorkArea) {
    sim::Screen s;
    s.width = 1280;
    s.height = 1024;
    s.cxFullScreen = 1276;
    s.cyFullScreen = 980;
    s.cyCaption = 20;
    sim::SetScreen(s);
    MeasureScreen();
    EXPECT_EQ(desktop.screenWidth, 1280);
    EXPECT_EQ(desktop.screenHeight, 1024);
    EXPECT_EQ(desktop.workWidth, 1276);
    EXPECT_EQ(desktop.workHeight, 1000);
}

TEST_F(Geometry, CellOfWindowWorkedExamples) {
    desktop.currentColumn = 1;
    plat::Hwnd left = Add("left", Rect{-1000, 10, -600, 300});
    plat::Hwnd far = Add("far", Rect{1030, 800, 1400, 1000});
    EXPECT_EQ(DesktopCellOfWindow(left), 0u);
    EXPECT_EQ(DesktopCellOfWindow(far), 258u);
    EXPECT_EQ(CellColumn(258), 2);
    EXPECT_EQ(CellRow(258), 1);
}

TEST_F(Geometry, CellOfPointFloorsAndClamps) {
    // x = -1 from column 0 is clamped, not column -1.
    EXPECT_EQ(DesktopCellOfPoint(-1, 0), 0u);
    // A boundary point belongs to the desktop to its right or below.
    EXPECT_EQ(DesktopCellOfPoint(1023, 767), 0u);
    EXPECT_EQ(DesktopCellOfPoint(1024, 768), 1u + 256u);
    // Left of the screen the division must act as a floor.
    desktop.currentColumn = 2;
    desktop.currentRow = 2;
    EXPECT_EQ(CellColumn(DesktopCellOfPoint(-1024, 0)), 1);
    EXPECT_EQ(CellColumn(DesktopCellOfPoint(-1025, 0)), 0);
    EXPECT_EQ(CellRow(DesktopCellOfPoint(0, -1)), 1);
    EXPECT_EQ(CellRow(DesktopCellOfPoint(0, -768)), 1);
    EXPECT_EQ(CellRow(DesktopCellOfPoint(0, -769)), 0);
    // Beyond the grid on the far side.
    EXPECT_EQ(DesktopCellOfPoint(5000, 5000), 2u + 2u * 256u);
    desktop.currentColumn = 0;
    desktop.currentRow = 0;
    EXPECT_EQ(DesktopCellOfPoint(-100000, -100000), 0u);
}

TEST_F(Geometry, CentreOnRightEdgeIsNextCellButNotFolded) {
    plat::Hwnd w = Add("edge", Rect{1000, 100, 1048, 200});  // centre x = 1024
    EXPECT_EQ(CellColumn(DesktopCellOfWindow(w)), 1);
    FoldResult f = FoldOntoScreen(sim::WindowRect(w));
    EXPECT_FALSE(f.moved);
    EXPECT_EQ(f.sx, 0);
    EXPECT_EQ(f.rect.left, 1000);
    // One pixel further and it folds back by one screen.
    f = FoldOntoScreen(Rect{1001, 100, 1048, 200});
    EXPECT_TRUE(f.moved);
    EXPECT_EQ(f.sx, -1);
    EXPECT_EQ(f.rect.left, 1001 - 1024);
    EXPECT_EQ(f.rect.right, 1048 - 1024);
}

TEST_F(Geometry, FoldCountsWholeScreens) {
    FoldResult f = FoldOntoScreen(Rect{-2000, -800, -1800, -700});
    EXPECT_TRUE(f.moved);
    EXPECT_EQ(f.sx, 2);
    EXPECT_EQ(f.sy, 1);
    EXPECT_EQ(f.rect.left, -2000 + 2048);
    EXPECT_EQ(f.rect.top, -800 + 768);
    f = FoldOntoScreen(Rect{3000, 1600, 3100, 1700});
    EXPECT_EQ(f.sx, -2);
    EXPECT_EQ(f.sy, -2);
    EXPECT_EQ(f.rect.right, 3100 - 2048);
    EXPECT_EQ(f.rect.bottom, 1700 - 1536);
    f = FoldOntoScreen(Rect{0, 0, 1024, 768});
    EXPECT_FALSE(f.moved);
}

// The closed form must give what shifting one screen at a time gives, and the cell of the
// folded centre must be the current one, wherever the virtual screen's corner lies.
TEST_F(Geometry, FoldMatchesStepwiseShifting) {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> pos(-40000, 40000), size(0, 3000), screen(1, 2000),
        origin(-3000, 3000);
    for (int i = 0; i < 4000; ++i) {
        desktop.screenWidth = screen(rng);
        desktop.screenHeight = screen(rng);
        desktop.originX = i % 2 ? origin(rng) : 0;
        desktop.originY = i % 2 ? origin(rng) : 0;
        Rect r{pos(rng), pos(rng), 0, 0};
        r.right = r.left + size(rng);
        r.bottom = r.top + size(rng);
        Rect e = r;
        const int w = desktop.screenWidth, h = desktop.screenHeight;
        const int ox = 2 * desktop.originX, oy = 2 * desktop.originY;
        int sx = 0, sy = 0;
        for (; e.left + e.right - ox < 0; ++sx) e.left += w, e.right += w;
        for (; e.left + e.right - ox > 2 * w; --sx) e.left -= w, e.right -= w;
        for (; e.top + e.bottom - oy < 0; ++sy) e.top += h, e.bottom += h;
        for (; e.top + e.bottom - oy > 2 * h; --sy) e.top -= h, e.bottom -= h;
        FoldResult f = FoldOntoScreen(r);
        ASSERT_EQ(f.sx, sx) << r.left << "," << r.right << " w=" << desktop.screenWidth;
        ASSERT_EQ(f.sy, sy);
        ASSERT_EQ(f.rect.left, e.left);
        ASSERT_EQ(f.rect.right, e.right);
        ASSERT_EQ(f.rect.top, e.top);
        ASSERT_EQ(f.rect.bottom, e.bottom);
        ASSERT_EQ(f.moved, sx != 0 || sy != 0);
        // A centre strictly inside the folded desktop is on the current cell.
        const int cx = e.left + (e.right - e.left) / 2, cy = e.top + (e.bottom - e.top) / 2;
        if (cx < desktop.originX + w && cy < desktop.originY + h) {
            ASSERT_EQ(DesktopCellOfPoint(cx, cy), 0u);
        }
    }
}

TEST_F(Geometry, OverlapWithVirtualScreen) {
    desktop.currentColumn = 1;  // virtual screen spans x -1024 .. 2048 on the screen
    EXPECT_TRUE(RectTouchesVirtualScreen(Rect{-1100, 0, -1024, 10}));
    EXPECT_FALSE(RectTouchesVirtualScreen(Rect{-1100, 0, -1025, 10}));
    EXPECT_TRUE(RectTouchesVirtualScreen(Rect{2047, 0, 2100, 10}));
    EXPECT_FALSE(RectTouchesVirtualScreen(Rect{2048, 0, 2100, 10}));
    EXPECT_FALSE(RectTouchesVirtualScreen(Rect{0, 2304, 10, 2400}));
    EXPECT_TRUE(RectTouchesVirtualScreen(Rect{0, 2303, 10, 2400}));
    EXPECT_FALSE(RectTouchesVirtualScreen(Rect{0, -20, 10, -1}));
    // Inverted rectangles never overlap, even when they straddle the screen.
    EXPECT_FALSE(RectTouchesVirtualScreen(Rect{500, 0, 100, 10}));
    EXPECT_FALSE(RectTouchesVirtualScreen(Rect{0, 500, 10, 100}));
}

TEST_F(Geometry, OnCurrentScreenUsesWorkArea) {
    plat::Hwnd onScreen = Add("a", Rect{0, 0, 200, 200});
    plat::Hwnd overTaskbar = Add("b", Rect{0, 700, 200, 790});  // centre y 745: work height 740
    plat::Hwnd lastRow = Add("c", Rect{0, 700, 200, 778});      // centre y 739
    plat::Hwnd leftOff = Add("d", Rect{-300, 0, 200, 100});     // centre x -50
    EXPECT_TRUE(IsOnCurrentScreen(onScreen));
    EXPECT_FALSE(IsOnCurrentScreen(overTaskbar));
    EXPECT_TRUE(IsOnCurrentScreen(lastRow));
    EXPECT_FALSE(IsOnCurrentScreen(leftOff));
    sim::RemoveWindow(onScreen);
    EXPECT_FALSE(IsOnCurrentScreen(onScreen));
}

TEST_F(Geometry, PagerConversions) {
    const Rect mini{5, 7, 197, 151};  // 192 x 144: 16 virtual pixels per pager pixel
    EXPECT_EQ(VirtualToPagerX(0, mini), 5);
    EXPECT_EQ(VirtualToPagerX(3072, mini), 197);
    EXPECT_EQ(VirtualToPagerY(0, mini), 7);
    EXPECT_EQ(VirtualToPagerY(2304, mini), 151);
    EXPECT_EQ(VirtualToPagerX(1024, mini), 5 + 64);
    EXPECT_EQ(VirtualToPagerX(-17, mini), 5 - 1);  // truncation toward zero, not floor
    EXPECT_EQ(PagerToVirtualX(5 + 96, mini), 1536);
    EXPECT_EQ(PagerToVirtualY(7 + 48, mini), 768);
    EXPECT_EQ(PagerToVirtualX(4, mini), -16);

    // There and back loses less than one pager pixel's worth of virtual pixels.
    const Rect odd{3, 2, 193, 141};  // 190 x 139
    for (int v = 0; v <= 3072; ++v) {
        int back = PagerToVirtualX(VirtualToPagerX(v, odd), odd);
        ASSERT_LE(back, v);
        ASSERT_LT(v - back, 3072 / 190 + 2) << v;
    }
    for (int p = 3; p <= 193; ++p) {
        int back = VirtualToPagerX(PagerToVirtualX(p, odd), odd);
        ASSERT_LE(back, p);
        ASSERT_GE(back, p - 1);
    }
}

TEST_F(Geometry, DegenerateSizesDoNotDivideByZero) {
    const Rect flat{10, 10, 10, 10};
    EXPECT_EQ(PagerToVirtualX(50, flat), 0);
    EXPECT_EQ(PagerToVirtualY(50, flat), 0);
    desktop.screenWidth = 0;
    desktop.screenHeight = 0;
    EXPECT_EQ(VirtualToPagerX(100, Rect{1, 2, 50, 60}), 1);
    EXPECT_EQ(VirtualToPagerY(100, Rect{1, 2, 50, 60}), 2);
    EXPECT_EQ(DesktopCellOfPoint(500, 500), 0u);
    FoldResult f = FoldOntoScreen(Rect{-5000, -5000, -4000, -4000});
    EXPECT_FALSE(f.moved);
    desktop.screenWidth = 1024;
    desktop.screenHeight = 768;
    desktop.columns = 0;
    desktop.rows = -4;
    EXPECT_EQ(DesktopCellOfPoint(5000, 5000), 0u);
}

// Hostile values: nothing may overflow (UBSan aborts the sanitizer build) or loop for long,
// and every cell stays inside the grid and inside its 8 bits.
TEST_F(Geometry, HostileValuesStayBounded) {
    std::mt19937 rng(99);
    const int extremes[] = {INT_MIN, INT_MIN + 1, -1000000000, -1, 0, 1, 1023, 1024, 1000000000,
                            INT_MAX - 1, INT_MAX};
    auto pick = [&](bool wide) {
        if (rng() % 2) return extremes[rng() % (sizeof extremes / sizeof extremes[0])];
        return wide ? static_cast<int>(rng()) : static_cast<int>(rng() % 20001) - 10000;
    };
    for (int i = 0; i < 20000; ++i) {
        const bool hostileGrid = i % 3 == 0;
        desktop.screenWidth = hostileGrid ? pick(true) : 1 + static_cast<int>(rng() % 3000);
        desktop.screenHeight = hostileGrid ? pick(true) : 1 + static_cast<int>(rng() % 3000);
        desktop.columns = hostileGrid ? pick(false) : 1 + static_cast<int>(rng() % 300);
        desktop.rows = hostileGrid ? pick(false) : 1 + static_cast<int>(rng() % 300);
        desktop.currentColumn = pick(false);
        desktop.currentRow = pick(false);
        const Rect r{pick(true), pick(true), pick(true), pick(true)};

        const DesktopCell c = DesktopCellOfPoint(r.left, r.top);
        ASSERT_LT(c, 65536u);
        if (!hostileGrid) {
            ASSERT_LT(CellColumn(c), desktop.columns);
            ASSERT_LT(CellRow(c), desktop.rows);
        }
        RectTouchesVirtualScreen(r);
        VirtualToPagerX(r.left, r);
        VirtualToPagerY(r.top, r);
        PagerToVirtualX(r.right, r);
        PagerToVirtualY(r.bottom, r);

        const FoldResult f = FoldOntoScreen(r);
        if (!hostileGrid && desktop.screenWidth > 0) {
            // Unless clamping at the 32-bit limits was needed, the centre lands on the screen.
            const long long sum = static_cast<long long>(r.left) + r.right +
                                  2LL * f.sx * desktop.screenWidth;
            const bool clamped = f.rect.left == INT_MIN || f.rect.left == INT_MAX ||
                                 f.rect.right == INT_MIN || f.rect.right == INT_MAX ||
                                 f.sx == INT_MIN || f.sx == INT_MAX;
            if (!clamped) {
                ASSERT_EQ(static_cast<long long>(f.rect.left) + f.rect.right, sum);
                ASSERT_GE(sum, 0);
                ASSERT_LE(sum, 2LL * desktop.screenWidth);
            }
        }
    }
}

// ---- Window identity ----

class Identity : public CoreTest {};

TEST_F(Identity, MatchingTable) {
    struct Row {
        const char *pattern, *title;
        bool match;
    } rows[] = {
        {"*abc", "xyzABC", true}, {"*abc", "bc", false},    {"abc*", "ABCdef", true},
        {"abc*", "ab", false},    {"abc", "ABC", true},     {"abc", "abcd", false},
        {"*abc*", "xabc*", true}, {"*abc*", "xabcd", false}, {"a*c", "abc", false},
        {"a*c", "A*C", true},     {"*", "", true},          {"*", "anything", true},
        {"", "", true},           {"", "x", false},         {"abc", "", false},
        {"*", nullptr, true},     {nullptr, "", true},      {"**", "x*", true},
        {"[", "[", true},         {"Z", "z", true},         {"@", "`", false},
        {"[", "{", false},        {"*]", "x}", false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(MatchWindowName(r.pattern, r.title), r.match)
            << (r.pattern ? r.pattern : "(null)") << " / " << (r.title ? r.title : "(null)");
}

TEST_F(Identity, OnlyAsciiLettersFold) {
    // Latin-1 capital and small E with acute accent.
    EXPECT_FALSE(MatchWindowName("caf\xC9", "caf\xE9"));
    EXPECT_TRUE(MatchWindowName("CAF\xC9", "caf\xC9"));
    EXPECT_FALSE(MatchWindowName("*\xC9t\xC9", "x\xE9t\xE9"));
}

TEST_F(Identity, RandomPatternsObeyTheRules) {
    std::mt19937 rng(7);
    const char alphabet[] = "aAbB*\xC9\xE9 ";
    auto randomText = [&](int maxLen) {
        std::string s;
        int n = static_cast<int>(rng() % (maxLen + 1));
        for (int i = 0; i < n; ++i) s += alphabet[rng() % (sizeof alphabet - 1)];
        return s;
    };
    auto flipCase = [&](std::string s) {
        for (char& c : s)
            if (rng() % 2 && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) c ^= 0x20;
        return s;
    };
    for (int i = 0; i < 20000; ++i) {
        const std::string s = randomText(12), head = randomText(6);
        ASSERT_TRUE(MatchWindowName(("*" + s).c_str(), (head + flipCase(s)).c_str()));
        if (s.empty() || s[0] != '*') {
            ASSERT_TRUE(MatchWindowName((s + "*").c_str(), (flipCase(s) + head).c_str()));
        }
        if (!s.empty() && s[0] != '*' && s.back() != '*') {
            ASSERT_TRUE(MatchWindowName(s.c_str(), flipCase(s).c_str()));
            ASSERT_FALSE(MatchWindowName(s.c_str(), (s + "x").c_str()));
        }
        const std::string t = randomText(12);
        ASSERT_TRUE(MatchWindowName("*", t.c_str()));
        MatchWindowName(randomText(20).c_str(), t.c_str());
    }
    const std::string huge(200000, 'q');
    EXPECT_TRUE(MatchWindowName("*qq", huge.c_str()));
    EXPECT_FALSE(MatchWindowName((huge + "x").c_str(), huge.c_str()));
}

TEST_F(Identity, EmptyListMatchesNothing) {
    plat::Hwnd w = Add("", Rect{0, 0, 10, 10});
    EXPECT_FALSE(IsKeptInPlace(w));
    EXPECT_FALSE(IsMinimizedOnSwitch(w));
}

TEST_F(Identity, KeptAndMinimizedFlagsAreSeparate) {
    Remember("Clock", KeepInPlace);
    Remember("Mail*", MinimizeOnSwitch);
    Remember("Notes", 2 + 256);  // a plain remembered desktop
    plat::Hwnd clock = Add("clock", Rect{0, 0, 10, 10});
    plat::Hwnd mail = Add("Mail - inbox", Rect{0, 0, 10, 10});
    plat::Hwnd notes = Add("Notes", Rect{0, 0, 10, 10});
    EXPECT_TRUE(IsKeptInPlace(clock));
    EXPECT_FALSE(IsMinimizedOnSwitch(clock));
    EXPECT_FALSE(IsKeptInPlace(mail));
    EXPECT_TRUE(IsMinimizedOnSwitch(mail));
    EXPECT_FALSE(IsKeptInPlace(notes));
    EXPECT_FALSE(IsMinimizedOnSwitch(notes));
}

TEST_F(Identity, MinimizeFollowsTheOwnerChain) {
    Remember("Editor", KeepInPlace | MinimizeOnSwitch);
    plat::Hwnd app = Add("Editor", Rect{0, 0, 10, 10});
    plat::Hwnd dialog = Add("Find", Rect{0, 0, 10, 10}, app);
    plat::Hwnd sub = Add("Options", Rect{0, 0, 10, 10}, dialog);
    // Both flags: kept itself, and its owned windows follow the minimize entry.
    EXPECT_TRUE(IsKeptInPlace(app));
    EXPECT_TRUE(IsMinimizedOnSwitch(dialog));
    EXPECT_TRUE(IsMinimizedOnSwitch(sub));
    EXPECT_FALSE(IsKeptInPlace(dialog));
}

TEST_F(Identity, OwnerCycleEnds) {
    Remember("*", MinimizeOnSwitch);  // whichever window the bounded walk stops on matches
    plat::Hwnd a = Add("a", Rect{0, 0, 10, 10});
    plat::Hwnd b = Add("b", Rect{0, 0, 10, 10}, a);
    sim::SetOwner(a, b);
    EXPECT_TRUE(IsMinimizedOnSwitch(a));
    EXPECT_TRUE(IsMinimizedOnSwitch(b));
}

TEST_F(Identity, LongTitlesAreCutBeforeMatching) {
    const std::string body(1100, 'a');
    plat::Hwnd w = Add(body + "TAIL", Rect{0, 0, 10, 10});
    Remember("*tail", KeepInPlace | MinimizeOnSwitch);
    EXPECT_FALSE(IsKeptInPlace(w));
    EXPECT_FALSE(IsMinimizedOnSwitch(w));
    FreePositionList();
    // Both read the same length: the owner's title is not cut shorter.
    Remember(std::string(MaxTitleLength, 'a').c_str(), KeepInPlace | MinimizeOnSwitch);
    EXPECT_TRUE(IsKeptInPlace(w));
    EXPECT_TRUE(IsMinimizedOnSwitch(w));
}

TEST_F(Identity, TaskbarByExactClassName) {
    sim::WindowSpec desc;
    desc.className = "Shell_TrayWnd";
    plat::Hwnd bar = sim::AddWindow(desc);
    desc.className = "shell_traywnd";
    plat::Hwnd lower = sim::AddWindow(desc);
    desc.className = "Shell_TrayWndX";
    plat::Hwnd longer = sim::AddWindow(desc);
    EXPECT_TRUE(IsTaskbar(bar));
    EXPECT_FALSE(IsTaskbar(lower));
    EXPECT_FALSE(IsTaskbar(longer));
    sim::RemoveWindow(bar);
    EXPECT_FALSE(IsTaskbar(bar));
}

}  // namespace
