// Mouse gestures in the pager: which press runs what, switching by click, window drags,
// the pager drag, the releases that end them, and the context menu.
#include <algorithm>

#include "app/app.h"
#include "core/sticky.h"
#include "core/switching.h"
#include "core/unmovable.h"
#include "tests/pager_fixture.h"

namespace {

using pagertest::PagerTest;
using plat::Rect;

constexpr std::uint32_t QuietMove = plat::SWP_NOSIZE | plat::SWP_NOZORDER | plat::SWP_NOACTIVATE;

// Expanded pager at the top-right corner after one full drawing: client and miniature
// 184 x 136 over a 3 x 3 grid of 1024 x 768 desktops; the click area without its 3-pixel
// margin is (3, 3, 181, 133).
class Mouse : public PagerTest {
protected:
    void SetUp() override {
        PagerTest::SetUp();
        Expand();
        Draw();
        sim::ClearMoves();
    }
    void TearDown() override {
        settingsDialogOpen = 0;
        aboutDialogOpen = 0;
        PagerTest::TearDown();
    }

    static plat::Hwnd Add(Rect r, bool maximized = false) {
        sim::WindowSpec desc;
        desc.title = "App";
        desc.rect = r;
        desc.maximized = maximized;
        return sim::AddWindow(desc);
    }

    static std::size_t InvalidationsOfPager() {
        const std::vector<sim::InvalidateRecord> all = sim::Invalidations();
        return static_cast<std::size_t>(std::count_if(
            all.begin(), all.end(),
            [](const sim::InvalidateRecord& r) { return r.window == PagerWindow(); }));
    }

    static void ExpectCurrent(int column, int row) {
        EXPECT_EQ(desktop.currentColumn, column);
        EXPECT_EQ(desktop.currentRow, row);
    }

    static std::uint32_t Dword(const char* name) { return Pref(name).AsDword(); }
};

// ---- Switching by click ----

TEST_F(Mouse, ClickSwitchesToTheDesktopUnderIt) {
    const plat::Hwnd w = Add({10, 10, 110, 110});
    SwitchToDesktopAt(150, 100);
    ExpectCurrent(2, 2);
    EXPECT_EQ(sim::WindowRect(w).left, 10 - 2 * 1024);
    EXPECT_EQ(sim::WindowRect(w).top, 10 - 2 * 768);
    ASSERT_FALSE(sim::Invalidations().empty());
    const sim::InvalidateRecord last = sim::Invalidations().back();
    EXPECT_EQ(last.window, PagerWindow());
    EXPECT_FALSE(last.erase);
    EXPECT_TRUE(last.wholeClient);
}

TEST_F(Mouse, ClickOnTheCurrentDesktopDoesNothing) {
    desktop.currentColumn = 1;
    desktop.currentRow = 1;
    const std::size_t before = InvalidationsOfPager();
    const int batches = sim::BatchCount();
    SwitchToDesktopAt(91, 67);
    ExpectCurrent(1, 1);
    EXPECT_EQ(sim::BatchCount(), batches);
    EXPECT_EQ(InvalidationsOfPager(), before);
}

TEST_F(Mouse, MarginClicksAreClampedAfterTheComparison) {
    desktop.currentColumn = 1;
    desktop.currentRow = 1;
    SwitchToDesktopAt(0, 135);  // bottom-left margin: row 3 clamps to 2
    ExpectCurrent(0, 2);

    // Beside the current cell on the right border: compared as column 3, clamped back to
    // the current column, so a zero step still goes through and redraws.
    desktop.currentColumn = 2;
    desktop.currentRow = 1;
    const int batches = sim::BatchCount();
    const std::size_t before = InvalidationsOfPager();
    SwitchToDesktopAt(182, 70);
    ExpectCurrent(2, 1);
    EXPECT_EQ(sim::BatchCount(), batches + 1);
    EXPECT_EQ(InvalidationsOfPager(), before + 1);
}

TEST_F(Mouse, RefusedSwitchKeepsTheDesktopButRedraws) {
    desktop.columns = 20;
    const std::size_t before = InvalidationsOfPager();
    SwitchToDesktopAt(180, 10);  // column 19: a step of 19 desktops is out of range
    ExpectCurrent(0, 0);
    EXPECT_EQ(InvalidationsOfPager(), before + 1);
}

TEST_F(Mouse, PagerTooSmallForTheMarginMapsNoClick) {
    const plat::Hwnd w = Add({10, 10, 110, 110});
    for (int size : {14, 9}) {  // client 6 x 6 and 1 x 1
        plat::SetWindowPos(PagerWindow(), nullptr, 0, 0, size, size, plat::SWP_NOZORDER);
        const std::size_t before = InvalidationsOfPager();
        SwitchToDesktopAt(5, 5);
        SwitchToDesktopAt(-3, 100);
        ExpectCurrent(0, 0);
        EXPECT_EQ(sim::WindowRect(w).left, 10);
        EXPECT_EQ(InvalidationsOfPager(), before);
    }
}

// ---- Window drags ----

TEST_F(Mouse, PressHitsTheUppermostShownWindowBelowThePager) {
    // Pager point (30, 20) is screen point (500, 338).
    const plat::Hwnd target = Add({0, 0, 500, 338});  // edges count as inside
    sim::WindowSpec hidden;
    hidden.rect = {0, 0, 1024, 768};
    hidden.visible = false;
    sim::AddWindow(hidden);
    sim::WindowSpec minimized;
    minimized.rect = {0, 0, 1024, 768};
    minimized.minimized = true;
    sim::AddWindow(minimized);
    sim::WindowSpec above;
    above.rect = {0, 0, 1024, 768};
    above.topmost = true;
    sim::AddWindow(above);
    Add({501, 339, 900, 700});  // just beyond the point

    BeginWindowDrag(30, 20);
    const WindowDrag& d = pager.windowDrag;
    EXPECT_EQ(d.window, target);
    EXPECT_EQ(d.startLeft, 0);
    EXPECT_EQ(d.startTop, 0);
    EXPECT_EQ(d.startCell, 0u);
    EXPECT_EQ(d.pressX, 30);
    EXPECT_EQ(d.pressY, 20);
    EXPECT_FALSE(d.snap);
}

TEST_F(Mouse, PressOnEmptySpaceStartsNoDragButSnappingSticks) {
    const plat::Hwnd w = Add({0, 0, 100, 100});
    BeginWindowDrag(5, 5);
    ASSERT_EQ(pager.windowDrag.window, w);
    BeginSnappingWindowDrag(150, 120);  // nothing there: the running drag goes on, snapping
    EXPECT_EQ(pager.windowDrag.window, w);
    EXPECT_TRUE(pager.windowDrag.snap);
}

TEST_F(Mouse, PressBeforeTheFirstDrawingDoesNothing) {
    Add({0, 0, 1024, 768});
    pager.miniatureRect = Rect{0, 0, 0, 0};
    DispatchPagerButton(0, 30, 20);
    DispatchPagerButton(4, 30, 20);
    EXPECT_EQ(pager.windowDrag.window, nullptr);
    TrackPagerMouse(40, 30);
    EXPECT_TRUE(sim::Moves().empty());
}

TEST_F(Mouse, FreeDragMapsBothPointsSeparately) {
    const plat::Hwnd w = Add({0, 0, 500, 338});
    BeginWindowDrag(30, 20);
    ASSERT_EQ(pager.windowDrag.window, w);
    const std::size_t before = InvalidationsOfPager();
    TrackPagerMouse(40, 25);
    // 3072 * 40 / 184 - 3072 * 30 / 184 = 667 - 500; a mapped difference would give 166.
    EXPECT_EQ(sim::WindowRect(w).left, 167);
    EXPECT_EQ(sim::WindowRect(w).top, 423 - 338);
    ASSERT_EQ(MovesOf(w).size(), 1u);
    EXPECT_EQ(MovesOf(w)[0].flags, QuietMove | plat::SWP_ASYNCWINDOWPOS);
    ASSERT_EQ(InvalidationsOfPager(), before + 1);
    EXPECT_FALSE(sim::Invalidations().back().erase);

    TrackPagerMouse(40, 25);  // every move repositions, even without a change
    EXPECT_EQ(MovesOf(w).size(), 2u);

    // A hung program's window follows when it runs again; the main thread never waits for it.
    sim::SetHung(w, true);
    TrackPagerMouse(50, 25);
    EXPECT_EQ(sim::HungWindowBlocks(), 0);
    sim::SetHung(w, false);
    EXPECT_EQ(sim::WindowRect(w).left, 3072 * 50 / 184 - 500);
}

// A window whose moves the system refuses (a program with higher rights) is marked by the drag
// that found out, and the next press does not pick it up.
TEST_F(Mouse, RefusedDragMarksTheWindow) {
    const plat::Hwnd w = Add({0, 0, 500, 338});
    sim::SetMoveDenied(w, true);
    BeginWindowDrag(30, 20);
    ASSERT_EQ(pager.windowDrag.window, w);
    TrackPagerMouse(40, 25);
    EXPECT_EQ(sim::WindowRect(w).left, 0);
    EXPECT_TRUE(IsUnmovable(w));
    EndWindowDrag();
    BeginWindowDrag(30, 20);
    EXPECT_EQ(pager.windowDrag.window, nullptr);
    ResetUnmovable();
}

TEST_F(Mouse, MaximizedWindowMovesByWholeDesktopsInAFreeDrag) {
    const plat::Hwnd w = Add({0, 0, 1024, 768}, true);
    BeginWindowDrag(30, 20);
    ASSERT_EQ(pager.windowDrag.window, w);
    TrackPagerMouse(40, 25);  // still over desktop (0, 0)
    EXPECT_EQ(sim::WindowRect(w).left, 0);
    EXPECT_EQ(sim::WindowRect(w).top, 0);
    TrackPagerMouse(70, 50);  // over desktop (1, 1)
    EXPECT_EQ(sim::WindowRect(w).left, 1024);
    EXPECT_EQ(sim::WindowRect(w).top, 768);
    TrackPagerMouse(400, -50);  // beyond the grid: clamped to its edge cells
    EXPECT_EQ(sim::WindowRect(w).left, 2048);
    EXPECT_EQ(sim::WindowRect(w).top, 0);
}

TEST_F(Mouse, SnappingDragFollowsTheWindowsCentreDesktop) {
    // Centre at x 1100 (desktop 1), pressed on its part over desktop 0.
    const plat::Hwnd w = Add({900, 100, 1300, 400});
    BeginSnappingWindowDrag(55, 10);
    ASSERT_EQ(pager.windowDrag.window, w);
    EXPECT_EQ(CellColumn(pager.windowDrag.startCell), 1);
    TrackPagerMouse(56, 10);
    EXPECT_EQ(sim::WindowRect(w).left, 900 - 1024);
    EXPECT_EQ(sim::WindowRect(w).top, 100);
}

TEST_F(Mouse, DragPressedBeforeASwitchNoLongerMovesItsWindow) {
    // A double-click is a press, a release and a second press; when the first release never
    // reaches the pager, the drag begun by the press outlives the switch of the second.
    settings.navMouseDragDD = 0;
    settings.navMouseSwitch = 1;
    for (bool byHotkey : {false, true}) {
        desktop.currentColumn = 0;
        const plat::Hwnd w = Add({1300, 200, 1800, 600});  // desktop (1, 0), under (92, 25)
        DispatchPagerButton(0, 92, 25);
        ASSERT_EQ(pager.windowDrag.window, w);
        if (byHotkey)
            EXPECT_TRUE(MoveViewBy(1, 0));
        else
            DispatchPagerButton(1, 92, 25);
        ExpectCurrent(1, 0);
        TrackPagerMouse(93, 26);
        EXPECT_EQ(sim::WindowRect(w).left, 1300 - 1024) << byHotkey;
        EXPECT_EQ(pager.windowDrag.window, nullptr);
        plat::DestroyWindow(w);
    }
}

TEST_F(Mouse, EnteringTheAsleepPagerForgetsTheDrag) {
    const plat::Hwnd w = Add({0, 0, 500, 338});
    BeginWindowDrag(30, 20);
    pager.expanded = false;
    settings.collapsePager = 0;
    TrackPagerMouse(40, 25);
    EXPECT_TRUE(pager.expanded);
    EXPECT_EQ(pager.windowDrag.window, nullptr);
    EXPECT_TRUE(MovesOf(w).empty());
    ASSERT_FALSE(sim::ForegroundRequests().empty());
    EXPECT_EQ(sim::ForegroundRequests().back(), PagerWindow());
}

// ---- Pager drag ----

TEST_F(Mouse, PagerCannotBeDraggedWhileItCollapses) {
    DispatchPagerButton(6, 10, 10);
    EXPECT_FALSE(pager.pagerDrag.active);
    EXPECT_TRUE(sim::Moves().empty());
}

TEST_F(Mouse, PagerDragMovesWithTheMouseAndSavesWhereItEnds) {
    settings.collapsePager = 0;
    RestorePagerPosition();  // (836, -4), client origin (840, 0)
    const plat::Hwnd holder = Add({0, 0, 10, 10});
    plat::SetCapture(holder);

    DispatchPagerButton(6, 10, 10);
    ASSERT_TRUE(pager.pagerDrag.active);
    EXPECT_EQ(pager.pagerDrag.previousCapture, holder);
    EXPECT_EQ(pager.pagerDrag.pressX, 850);
    EXPECT_EQ(pager.pagerDrag.pressY, 10);

    TrackPagerMouse(30, 25);
    EXPECT_EQ(sim::WindowRect(PagerWindow()).left, 856);
    EXPECT_EQ(sim::WindowRect(PagerWindow()).top, 11);
    ASSERT_FALSE(MovesOf(PagerWindow()).empty());
    EXPECT_EQ(MovesOf(PagerWindow()).back().flags, QuietMove);

    PagerRightButtonUp();
    EXPECT_FALSE(pager.pagerDrag.active);
    EXPECT_EQ(Dword("XPos"), 856u);
    EXPECT_EQ(Dword("YPos"), 11u);
    EXPECT_EQ(plat::SetCapture(nullptr), holder);  // capture handed back

    // A later release without a drag releases the capture instead of reviving the old one.
    plat::SetCapture(PagerWindow());
    PagerRightButtonUp();
    EXPECT_EQ(plat::SetCapture(nullptr), nullptr);
}

// Activating another window mid-drag (a hotkey switch, Alt+Tab) takes the capture away and
// the release with it; the pager must not go on following the pointer.
TEST_F(Mouse, PagerDragEndsWhenItsCaptureIsTakenAway) {
    settings.collapsePager = 0;
    RestorePagerPosition();  // (836, -4), client origin (840, 0)
    DispatchPagerButton(6, 10, 10);
    TrackPagerMouse(30, 25);
    ASSERT_EQ(sim::WindowRect(PagerWindow()).left, 856);

    plat::ReleaseCapture();
    sim::ClearMoves();
    TrackPagerMouse(60, 40);
    EXPECT_TRUE(MovesOf(PagerWindow()).empty());
    EXPECT_FALSE(pager.pagerDrag.active);
    EXPECT_EQ(Dword("XPos"), 856u);
    EXPECT_EQ(Dword("YPos"), 11u);
}

// ---- Gesture codes ----

TEST(PagerGesture, EachPressHasItsCodeAndShiftAddsFour) {
    const struct {
        std::uint32_t msg;
        std::int32_t code;
    } presses[] = {{plat::WM_LBUTTONDOWN, 0},
                   {plat::WM_LBUTTONDBLCLK, 1},
                   {plat::WM_RBUTTONDOWN, 2},
                   {plat::WM_RBUTTONDBLCLK, 3}};
    for (const auto& p : presses) {
        SCOPED_TRACE(p.code);
        EXPECT_EQ(PressGesture(p.msg, 0), p.code);
        EXPECT_EQ(PressGesture(p.msg, plat::MK_SHIFT), p.code + 4);
        // Other keys held change nothing.
        EXPECT_EQ(PressGesture(p.msg, plat::MK_CONTROL | plat::MK_LBUTTON), p.code);
    }
}

// ---- Releases ----

TEST_F(Mouse, ReleasesArePairedByTheRightButtonBitOnly) {
    const plat::Hwnd w = Add({0, 0, 500, 338});
    // Defaults: the snapping drag is on the left, the pager move (6) on the right.
    BeginWindowDrag(30, 20);
    PagerLeftButtonUp();
    EXPECT_EQ(pager.windowDrag.window, nullptr);
    EXPECT_FALSE(Pref("XPos").exists);
    PagerRightButtonUp();  // no pager drag, but the position is written all the same
    EXPECT_TRUE(Pref("XPos").exists);
    EXPECT_EQ(Dword("XPos"), 836u);

    settings.navMouseDrag = 7;    // right double-click with Shift
    settings.navMouseDragDD = 3;  // right double-click
    settings.navMouseMove = 1;    // left double-click
    BeginWindowDrag(30, 20);
    plat::SetWindowPos(PagerWindow(), nullptr, 700, 5, 0, 0, QuietMove);
    PagerLeftButtonUp();
    EXPECT_EQ(pager.windowDrag.window, w);
    EXPECT_EQ(Dword("XPos"), 700u);
    PagerRightButtonUp();
    EXPECT_EQ(pager.windowDrag.window, nullptr);
}

TEST_F(Mouse, DisabledGesturesNeitherRunNorEndOnRelease) {
    const plat::Hwnd w = Add({0, 0, 500, 338});
    settings.navMouseSwitch = 9;  // 9 & 7 would be 1: must not be masked
    settings.navMouseMenu = -1;
    settings.navMouseDrag = 12;     // right-button bit clear, but no code
    settings.navMouseDragDD = -2;   // right-button bit set, but no code
    settings.navMouseMove = 8;
    DispatchPagerButton(1, 150, 100);
    ExpectCurrent(0, 0);
    DispatchPagerButton(2, 30, 20);
    EXPECT_TRUE(sim::MenusShown().empty());

    BeginWindowDrag(30, 20);
    PagerLeftButtonUp();
    PagerRightButtonUp();
    EXPECT_EQ(pager.windowDrag.window, w);
    EXPECT_FALSE(Pref("XPos").exists);
}

TEST_F(Mouse, OneGestureRunsEveryActionThatNamesIt) {
    settings.collapsePager = 0;
    const plat::Hwnd w = Add({0, 0, 500, 338});
    settings.navMouseSwitch = 5;
    settings.navMouseDrag = 5;
    settings.navMouseDragDD = 5;
    settings.navMouseMenu = 5;
    settings.navMouseMove = 5;
    DispatchPagerButton(5, 30, 20);  // over desktop (0, 0): no switch
    EXPECT_EQ(pager.windowDrag.window, w);
    EXPECT_TRUE(pager.windowDrag.snap);
    EXPECT_EQ(sim::MenusShown().size(), 1u);
    EXPECT_TRUE(pager.pagerDrag.active);
}

// ---- Menu ----

TEST_F(Mouse, MenuOpensAtThePressPointOnTheScreen) {
    DispatchPagerButton(2, 10, 20);
    const auto menus = sim::MenusShown();
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0].x, 850);
    EXPECT_EQ(menus[0].y, 20);
    EXPECT_EQ(menus[0].owner, PagerWindow());
    EXPECT_EQ(menus[0].flags, plat::TPM_RIGHTBUTTON);
    EXPECT_TRUE(menus[0].grayed.empty());

    settings.navMouseMenu = 4;  // Shift + left press tracks the left button
    ShowPagerMenu(0, 0);
    ASSERT_EQ(sim::MenusShown().size(), 2u);
    EXPECT_EQ(sim::MenusShown()[1].flags, plat::TPM_LEFTBUTTON);
}

TEST_F(Mouse, MenuFromTheTrayUsesTheScreenPointAsItIs) {
    plat::ShowWindow(PagerWindow(), plat::SW_HIDE);
    ShowPagerMenu(300, 500);
    ASSERT_EQ(sim::MenusShown().size(), 1u);
    EXPECT_EQ(sim::MenusShown()[0].x, 300);
    EXPECT_EQ(sim::MenusShown()[0].y, 500);
}

TEST_F(Mouse, OpenDialogsGreyAboutAndSettings) {
    for (int which = 0; which < 2; ++which) {
        settingsDialogOpen = which == 0;
        aboutDialogOpen = which == 1;
        ShowPagerMenu(0, 0);
        ASSERT_EQ(sim::MenusShown().size(), static_cast<std::size_t>(which + 1));
        std::vector<int> grayed = sim::MenusShown().back().grayed;
        std::sort(grayed.begin(), grayed.end());
        EXPECT_EQ(grayed, (std::vector<int>{CmdAbout, CmdSettings}));
    }
    settingsDialogOpen = 0;
    aboutDialogOpen = 0;
    ShowPagerMenu(0, 0);
    ASSERT_EQ(sim::MenusShown().size(), 3u);
    EXPECT_TRUE(sim::MenusShown().back().grayed.empty());
}

// ---- The window section ----

// The menu's items as "text" at depth 0 and "  text" inside a submenu, with [x] when checked
// and (grey) when greyed.
std::vector<std::string> Lines(const sim::MenuRecord& m) {
    std::vector<std::string> out;
    for (const sim::MenuRecord::Item& i : m.items)
        out.push_back(std::string(static_cast<std::size_t>(2 * i.depth), ' ') +
                      (i.separator ? "-" : i.text) + (i.checked ? " [x]" : "") +
                      (i.grayed ? " (grey)" : ""));
    return out;
}
int IdOf(const sim::MenuRecord& m, const std::string& text) {
    for (const sim::MenuRecord::Item& i : m.items)
        if (i.text == text) return i.id;
    return 0;
}
const std::vector<std::string> TodaysItems = {
    "&About...", "&Settings...", "&Compress Desktop", "&Reset Window Positions",
    "-",         "&Help\tF1",    "&Close\tAlt+F4"};

TEST_F(Mouse, RightClickOnAWindowAddsItsSectionAndCarriesOutItsChoices) {
    sim::WindowSpec desc;
    desc.title = "Notes & more";
    desc.rect = {0, 0, 500, 338};
    const plat::Hwnd w = sim::AddWindow(desc);
    DispatchPagerButton(2, 30, 20);
    ASSERT_EQ(sim::MenusShown().size(), 1u);
    sim::MenuRecord m = sim::MenusShown()[0];
    EXPECT_EQ(m.flags, plat::TPM_RIGHTBUTTON | plat::TPM_RETURNCMD | plat::TPM_NONOTIFY);
    std::vector<std::string> expected = {
        "Notes && more (grey)", "&Move to desktop",  "  Column 1, row 1 [x]", "  Column 1, row 2",
        "  Column 1, row 3",     "  Column 2, row 1", "  Column 2, row 2",     "  Column 2, row 3",
        "  Column 3, row 1",     "  Column 3, row 2", "  Column 3, row 3",     "Show on &every desktop",
        "-"};
    expected.insert(expected.end(), TodaysItems.begin(), TodaysItems.end());
    EXPECT_EQ(Lines(m), expected);

    // Sent to desktop (3, 2) at the same place within it; the view stays.
    sim::SetMenuChoice(IdOf(m, "Column 3, row 2"));
    DispatchPagerButton(2, 30, 20);
    EXPECT_EQ(sim::WindowRect(w).left, 2048);
    EXPECT_EQ(sim::WindowRect(w).top, 768);
    ExpectCurrent(0, 0);
    // Pinned from over there: it comes to the screen, and the next menu shows the mark.
    sim::SetMenuChoice(IdOf(m, "Show on &every desktop"));
    ShowPagerMenu(30 + 2 * 61, 20 + 45);
    ASSERT_TRUE(IsSticky(w));
    EXPECT_EQ(sim::WindowRect(w).left, 0);
    DispatchPagerButton(2, 30, 20);
    EXPECT_EQ(Lines(sim::MenusShown().back())[11], "Show on &every desktop [x]");
    // Today's commands reach the pager window as the menu itself would send them.
    sim::SetMenuChoice(CmdCompress);
    DispatchPagerButton(2, 30, 20);
    const std::vector<sim::PostRecord> posts = sim::Posts();
    EXPECT_TRUE(std::any_of(posts.begin(), posts.end(), [](const sim::PostRecord& p) {
        return p.message == plat::WM_COMMAND && p.wParam == static_cast<plat::WParam>(CmdCompress);
    }));
    ResetSticky();
}

TEST_F(Mouse, RightClickOnEmptySpaceGivesTodaysMenu) {
    Add({0, 0, 100, 100});
    DispatchPagerButton(2, 150, 120);
    ASSERT_EQ(sim::MenusShown().size(), 1u);
    EXPECT_EQ(sim::MenusShown()[0].flags, plat::TPM_RIGHTBUTTON);
    EXPECT_EQ(Lines(sim::MenusShown()[0]), TodaysItems);
}

// 256 x 256 desktops: the submenu lists the 8 x 8 around the window's desktop, checked there.
TEST_F(Mouse, LargeGridListsTheDesktopsAroundTheWindows) {
    desktop.columns = desktop.rows = 256;
    desktop.currentColumn = 200;
    desktop.currentRow = 100;
    Add({-1024, -768, 2048, 1536});  // wider than a pager pixel; its centre on the screen
    Draw();
    DispatchPagerButton(2, VirtualToPagerX(static_cast<int>(ScreenToVirtualX(512)), pager.miniatureRect),
                        VirtualToPagerY(static_cast<int>(ScreenToVirtualY(384)), pager.miniatureRect));
    ASSERT_EQ(sim::MenusShown().size(), 1u);
    const std::vector<std::string> lines = Lines(sim::MenusShown()[0]);
    ASSERT_EQ(lines.size(), 2 + 64 + 2 + TodaysItems.size());
    EXPECT_EQ(lines[2], "  Column 197, row 97");
    EXPECT_EQ(lines[2 + 4 * 8 + 4], "  Column 201, row 101 [x]");
    EXPECT_EQ(lines[65], "  Column 204, row 104");
}

}  // namespace
