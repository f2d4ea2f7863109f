// Pager drawing: the miniature's mapping and layers, the GDI hygiene of every drawing,
// and the timer refresh that draws only after a change.
#include <cstring>
#include <functional>
#include <string>

#include "core/pending.h"
#include "core/sticky.h"
#include "core/windows.h"
#include "core/unmovable.h"
#include "tests/pager_fixture.h"

namespace {

using pagertest::PagerTest;
using plat::Rect;

constexpr std::uint32_t Background = 0x101010, GridColor = 0x202020, WindowColor = 0x303030,
                        FrameColor = 0x404040, CaptionColor = 0x505050, TextColor = 0x606060,
                        ButtonFace = 0x707070;

struct Segment {
    int x0, y0, x1, y1;
    int style, width;
    bool operator==(const Segment& o) const {
        return x0 == o.x0 && y0 == o.y0 && x1 == o.x1 && y1 == o.y1 && style == o.style &&
               width == o.width;
    }
};

std::ostream& operator<<(std::ostream& os, const Segment& s) {
    return os << "(" << s.x0 << "," << s.y0 << ")-(" << s.x1 << "," << s.y1 << ") style "
              << s.style << " width " << s.width;
}

// Expanded pager at the top-right corner: client area 184 x 136 over a 3 x 3 grid of
// 1024 x 768 desktops, so x' = vx * 184 / 3072 and y' = vy * 136 / 2304.
class Render : public PagerTest {
protected:
    void SetUp() override {
        PagerTest::SetUp();
        sim::SetSysColor(plat::COLOR_BTNFACE, ButtonFace);
        settings.background = Background;
        settings.grid = GridColor;
        settings.window = WindowColor;
        settings.windowFrame = FrameColor;
        settings.windowCaption = CaptionColor;
        settings.windowText = TextColor;
        Expand();
        sim::ClearDrawCalls();
    }

    static plat::Hwnd Add(const std::string& title, Rect r) {
        sim::WindowSpec desc;
        desc.title = title;
        desc.rect = r;
        return sim::AddWindow(desc);
    }

    static std::vector<Segment> Lines() {
        std::vector<Segment> out;
        int x = 0, y = 0;
        for (const sim::DrawCall& c : sim::DrawCalls()) {
            if (c.op == "MoveToEx" && c.args.size() >= 2) {
                x = c.args[0];
                y = c.args[1];
            } else if (c.op == "LineTo" && c.args.size() >= 2) {
                out.push_back({x, y, c.args[0], c.args[1], c.penStyle, c.penWidth});
                x = c.args[0];
                y = c.args[1];
            }
        }
        return out;
    }

    static std::vector<Segment> LinesOfWidth(int width) {
        std::vector<Segment> out;
        for (const Segment& s : Lines())
            if (s.width == width) out.push_back(s);
        return out;
    }

    static std::vector<std::string> Titles() {
        std::vector<std::string> out;
        for (const sim::DrawCall& c : Calls("TextOut")) out.push_back(c.text);
        return out;
    }

    static std::vector<int> Args(const sim::DrawCall& c) { return c.args; }
};

TEST_F(Render, WindowsAreMappedFromVirtualCoordinatesTruncatingTowardZero) {
    desktop.currentColumn = 1;
    Add("Here", {0, 0, 512, 384});                 // on the current desktop (1, 0)
    Add("Below right", {1124, 1636, 1624, 2036});  // on desktop (2, 2)
    Add("Straddling", {-1100, 10, -900, 300});     // partly left of the virtual screen
    Draw();
    const auto rects = Calls("Rectangle");
    ASSERT_EQ(rects.size(), 3u);
    // Bottom of the Z-order first: the window added first is drawn first.
    EXPECT_EQ(Args(rects[0]), (std::vector<int>{61, 0, 92, 22}));
    EXPECT_EQ(Args(rects[1]), (std::vector<int>{128, 96, 158, 120}));
    EXPECT_EQ(Args(rects[2]), (std::vector<int>{-4, 0, 7, 17}));  // not clipped
    for (const sim::DrawCall& c : rects) {
        EXPECT_EQ(c.penColor, FrameColor);
        EXPECT_EQ(c.penWidth, 0);
        EXPECT_EQ(c.brushColor, WindowColor);
    }
}

// Until the move thread has moved it, a hung window is drawn as an outline where it is heading.
TEST_F(Render, PendingWindowIsOutlinedAtItsTarget) {
    plat::Hwnd w = Add("Hung", {0, 0, 512, 384});
    NotePendingMove(w, 1024, 768, 0, 0);
    Draw();
    auto rects = Calls("Rectangle");
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(Args(rects[0]), (std::vector<int>{61, 45, 92, 68}));
    EXPECT_EQ(rects[0].penStyle, plat::PS_DOT);
    EXPECT_EQ(rects[0].penColor, FrameColor);
    for (const sim::DrawCall& c : Calls("FillRect")) EXPECT_NE(c.brushColor, CaptionColor);
    EXPECT_EQ(Titles(), std::vector<std::string>{"Hung"});

    EndPendingMove(w, true);
    sim::SetRect(w, {1024, 768, 1536, 1152});
    sim::ClearDrawCalls();
    Draw();
    rects = Calls("Rectangle");
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(Args(rects[0]), (std::vector<int>{61, 45, 92, 68}));
    EXPECT_EQ(rects[0].penStyle, plat::PS_SOLID);
    EXPECT_EQ(rects[0].brushColor, WindowColor);
    ResetPendingMoves();
}

// Win9x GDI keeps 16-bit coordinates: a window millions of pixels away must not wrap
// around into view.
TEST_F(Render, FarAwayWindowsStayFarOutsideThePager) {
    Add("Far right", {3000000, 0, 3000100, 100});
    Add("Far left", {-3000100, 0, -3000000, 100});
    Draw();
    const auto rects = Calls("Rectangle");
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0].args[0], 16000);
    EXPECT_EQ(rects[0].args[2], 16000);
    EXPECT_EQ(rects[1].args[0], -16000);
    EXPECT_EQ(rects[1].args[2], -16000);
}

TEST_F(Render, CaptionStripFollowsTheSystemFontHeight) {
    Add("Tall", {0, 0, 512, 384});  // Rectangle(0, 0, 30, 22): inner height 20
    Draw();
    std::vector<sim::DrawCall> captions;
    for (const sim::DrawCall& c : Calls("FillRect"))
        if (c.brushColor == CaptionColor) captions.push_back(c);
    ASSERT_EQ(captions.size(), 1u);
    EXPECT_EQ(Args(captions[0]), (std::vector<int>{1, 1, 29, 18}));  // 16 high plus 1
    const auto texts = Calls("TextOut");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "Tall");
    EXPECT_EQ(Args(texts[0]), (std::vector<int>{2, 2}));
    EXPECT_EQ(texts[0].textColor, TextColor);
    ASSERT_TRUE(texts[0].hasClip);
    EXPECT_EQ(texts[0].clip.left, 2);
    EXPECT_EQ(texts[0].clip.top, 2);
    EXPECT_EQ(texts[0].clip.right, 28);
    EXPECT_EQ(texts[0].clip.bottom, 17);

    // A font taller than the inner rectangle less two: the whole inside is the strip.
    sim::SetTextExtentHeight(19);
    sim::ClearDrawCalls();
    Draw();
    captions.clear();
    for (const sim::DrawCall& c : Calls("FillRect"))
        if (c.brushColor == CaptionColor) captions.push_back(c);
    ASSERT_EQ(captions.size(), 1u);
    EXPECT_EQ(Args(captions[0]), (std::vector<int>{1, 1, 29, 21}));
    ASSERT_EQ(Calls("TextOut").size(), 1u);
    EXPECT_EQ(Calls("TextOut")[0].clip.bottom, 20);
}

TEST_F(Render, TitleIsNotLeftInTheClipOrColourOfLaterDrawing) {
    Add("First", {0, 0, 512, 384});
    Add("Second", {600, 400, 1000, 700});
    Draw();
    for (const sim::DrawCall& c : sim::DrawCalls()) {
        if (c.op == "Rectangle" || c.op == "LineTo") {
            EXPECT_FALSE(c.hasClip) << c.op;
        }
        if (c.op == "FillRect" && c.brushColor == CaptionColor) {
            EXPECT_FALSE(c.hasClip);
        }
    }
}

TEST_F(Render, OnlyVisibleRestoredWindowsOtherThanThePagerAppear) {
    Add("Shown", {0, 0, 300, 300});
    sim::WindowSpec hidden;
    hidden.title = "Hidden";
    hidden.visible = false;
    sim::AddWindow(hidden);
    sim::WindowSpec minimized;
    minimized.title = "Minimized";
    minimized.minimized = true;
    sim::AddWindow(minimized);
    sim::WindowSpec topmost;
    topmost.title = "Always on top";
    topmost.topmost = true;
    sim::AddWindow(topmost);
    Draw();
    EXPECT_EQ(Titles(), (std::vector<std::string>{"Shown", "Always on top"}));
}

TEST_F(Render, CloakedWindowsAreLeftOutAndUnmovableOnesHatched) {
    ResetUnmovable();
    Add("Plain", {0, 0, 300, 300});
    plat::Hwnd admin = Add("Admin", {400, 0, 700, 300});
    sim::SetCloaked(Add("Cloaked", {0, 400, 300, 700}), true);
    sim::SetMoveDenied(admin, true);
    ASSERT_FALSE(plat::SetWindowPos(admin, nullptr, 1, 1, 0, 0, plat::SWP_NOSIZE));
    ASSERT_TRUE(NoteFailedMove(admin));
    Draw();
    EXPECT_EQ(Titles(), (std::vector<std::string>{"Plain", "Admin"}));
    std::vector<sim::DrawCall> hatched;
    for (const sim::DrawCall& c : Calls("FillRect"))
        if (c.brushHatch >= 0) hatched.push_back(c);
    ASSERT_EQ(hatched.size(), 1u);
    EXPECT_EQ(hatched[0].brushHatch, plat::HS_BDIAGONAL);
    EXPECT_EQ(hatched[0].brushColor, FrameColor);
    // Inside the admin window's frame, under its caption strip.
    const sim::DrawCall frame = Calls("Rectangle").at(1);
    EXPECT_EQ(hatched[0].args, (std::vector<int>{frame.args[0] + 1, frame.args[1] + 1,
                                                 frame.args[2] - 1, frame.args[3] - 1}));
    ResetUnmovable();
}

// A pin (head and needle, in the title colour) at the right of the strip, where there is room.
TEST_F(Render, WindowShownOnEveryDesktopCarriesAPin) {
    ResetSticky();
    const plat::Hwnd pinned = Add("Pinned", {0, 0, 600, 400});
    ASSERT_TRUE(SetSticky(Add("Too small", {700, 0, 760, 40}), true));
    Add("Plain", {0, 500, 600, 700});
    ASSERT_TRUE(SetSticky(pinned, true));
    Draw();
    std::vector<sim::DrawCall> pins;
    for (const sim::DrawCall& c : Calls("FillRect"))
        if (c.brushColor == TextColor) pins.push_back(c);
    ASSERT_EQ(pins.size(), 2u);
    const sim::DrawCall frame = Calls("Rectangle").at(0);
    EXPECT_LT(pins[0].args[2], frame.args[2]);   // inside the window's right edge
    EXPECT_GT(pins[0].args[0], frame.args[0] + (frame.args[2] - frame.args[0]) / 2);
    EXPECT_EQ(pins[1].args[1], pins[0].args[3]);  // the needle hangs from the head
    ResetSticky();
}

TEST_F(Render, ProgramManagerIsLeftOutByExactTitleOnly) {
    Add("Program Manager", {0, 0, 1024, 768});
    Add("program manager", {0, 0, 100, 100});
    Add("Program Manager ", {0, 0, 100, 100});
    Draw();
    EXPECT_EQ(Titles(), (std::vector<std::string>{"program manager", "Program Manager "}));

    settings.hideProgramManager = 0;
    sim::ClearDrawCalls();
    Draw();
    ASSERT_EQ(Titles().size(), 3u);
    EXPECT_EQ(Titles()[0], "Program Manager");
    // The shell's desktop window covers the current desktop's cell.
    EXPECT_EQ(Args(Calls("Rectangle")[0]), (std::vector<int>{0, 0, 61, 45}));
}

TEST_F(Render, LongTitlesAreCutAsMatchingCutsThem) {
    const std::string longTitle = "Program Manager" + std::string(MaxTitleLength, 'x');
    Add(longTitle, {0, 0, 300, 300});
    Draw();
    ASSERT_EQ(Titles().size(), 1u);
    EXPECT_EQ(Titles()[0], longTitle.substr(0, MaxTitleLength));
}

TEST_F(Render, TitlesInAnyScriptAreDrawnWholeAndCutBeforeACharacter) {
    // CJK, Greek, an emoji and a combining accent; then a title whose last character would
    // straddle the cut.
    const std::string title = "日本語 – Ωmega 🎉 e\xCC\x81";
    const std::string straddling = std::string(MaxTitleLength - 1, 'x') + "語";
    Add(title, {0, 0, 300, 300});
    Add(straddling, {0, 300, 300, 600});
    Draw();
    EXPECT_EQ(Titles(), (std::vector<std::string>{title, std::string(MaxTitleLength - 1, 'x')}));
}

TEST_F(Render, DottedGridLinesSeparateTheDesktops) {
    Draw();
    const std::vector<Segment> expected = {
        {0, 45, 184, 45, plat::PS_DOT, 0},
        {0, 90, 184, 90, plat::PS_DOT, 0},
        {61, 0, 61, 136, plat::PS_DOT, 0},
        {122, 0, 122, 136, plat::PS_DOT, 0},
    };
    std::vector<Segment> dotted;
    for (const Segment& s : Lines())
        if (s.style == plat::PS_DOT) dotted.push_back(s);
    EXPECT_EQ(dotted, expected);
    for (const sim::DrawCall& c : Calls("LineTo")) EXPECT_EQ(c.penColor, GridColor);
}

TEST_F(Render, CurrentDesktopIsOutlinedOnItsInnerSidesOnly) {
    constexpr int S = plat::PS_SOLID;
    const struct {
        int column, row;
        std::vector<Segment> outline;
    } cases[] = {
        {1, 1, {{61, 45, 61, 90, S, 2}, {122, 45, 122, 90, S, 2}, {61, 45, 122, 45, S, 2},
                {61, 90, 122, 90, S, 2}}},
        {0, 0, {{61, 0, 61, 45, S, 2}, {0, 45, 61, 45, S, 2}}},
        {2, 2, {{122, 90, 122, 136, S, 2}, {122, 90, 184, 90, S, 2}}},
    };
    for (const auto& c : cases) {
        desktop.currentColumn = c.column;
        desktop.currentRow = c.row;
        sim::ClearDrawCalls();
        Draw();
        EXPECT_EQ(LinesOfWidth(2), c.outline) << c.column << "," << c.row;
    }
}

TEST_F(Render, EveryDrawingIsOneTransferOfTheWholeClientArea) {
    Add("Editor", {0, 0, 512, 384});
    plat::Hdc dc = plat::GetDC(PagerWindow());
    PaintPager(dc, false);
    plat::ReleaseDC(PagerWindow(), dc);

    const auto blits = Calls("BitBlt");
    ASSERT_EQ(blits.size(), 1u);
    EXPECT_EQ(blits[0].dc, dc);
    EXPECT_EQ(Args(blits[0]),
              (std::vector<int>{0, 0, 184, 136, 0, 0, static_cast<int>(plat::SRCCOPY)}));
    for (const sim::DrawCall& c : sim::DrawCalls()) {
        if (c.op != "BitBlt") {
            EXPECT_NE(c.dc, dc) << c.op << " drawn straight on the window";
        }
    }
    const auto fills = Calls("FillRect");
    ASSERT_FALSE(fills.empty());
    EXPECT_EQ(fills[0].brushColor, Background);
    EXPECT_EQ(Args(fills[0]), (std::vector<int>{0, 0, 184, 136}));
    const Rect m = pager.miniatureRect;
    EXPECT_EQ(m.right - m.left, 184);
    EXPECT_EQ(m.bottom - m.top, 136);
}

TEST_F(Render, DrawingReturnsEveryObjectAndContext) {
    Add("Editor", {0, 0, 512, 384});
    Add("Tiny", {600, 600, 610, 610});
    const int objects = sim::LiveGdiObjects(), dcs = sim::LiveDCs(),
              violations = sim::GdiViolations();
    struct Case {
        const char* name;
        bool expanded;
        int columns;
    } cases[] = {{"full", true, 3}, {"collapsed", false, 3}, {"no grid", true, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pager.expanded = c.expanded;
        desktop.columns = c.columns;
        Draw();
        EXPECT_EQ(sim::LiveGdiObjects(), objects);
        EXPECT_EQ(sim::LiveDCs(), dcs);
        EXPECT_EQ(sim::GdiViolations(), violations);
    }
}

// What one drawing shows in each state of the pager and the grid, over one window at
// (0, 0, 512, 384); every drawing is still one transfer.
TEST_F(Render, EachStateDrawsItsLayersOnly) {
    Rect drawn{};
    const auto collapse = [&] {
        Draw();
        drawn = pager.miniatureRect;
        sim::SetCursor(500, 400);
        CheckPagerLeave();  // cursor is elsewhere: collapse to 9 x 9
        ASSERT_FALSE(pager.expanded);
    };
    const std::vector<int> any;  // a window drawn, wherever
    struct Case {
        const char* what;
        std::function<void()> setup;
        int fills;                     // -1: not checked
        std::uint32_t fillColor;       // of the first fill
        std::vector<int> fillArgs;     // of the first fill; empty: not checked
        int rectangles;
        std::vector<int> rectangleArgs;  // empty: not checked
        bool lines;
        std::function<void()> check;   // what else holds afterwards
    };
    const Case cases[] = {
        {"collapsed shows only the button face", collapse, 1, ButtonFace, {0, 0, 1, 1}, 0, any,
         false, [&] { EXPECT_EQ(pager.miniatureRect.right, drawn.right); }},  // kept from the last full drawing
        {"without collapsing a sleeping pager is still drawn in full",
         [&] { collapse(); settings.collapsePager = 0; }, -1, 0, any, 1, any, true, nullptr},
        {"zero rows show only the background", [] { desktop.rows = 0; }, 1, Background, any, 0,
         any, false, nullptr},
        // The settings apply zeroes the width just before it re-measures.
        {"zero screen width draws no window", [] { desktop.screenWidth = 0; }, -1, 0, any, 0, any,
         false, nullptr},
        {"asleep, the drawing measures the screen first",
         [] {
             desktop.screenWidth = 0;
             pager.expanded = false;
             settings.collapsePager = 0;
         },
         -1, 0, any, 1, any, true, [] { EXPECT_EQ(desktop.screenWidth, 1024); }},
        {"a single desktop has no grid lines",
         [] { desktop.columns = desktop.rows = 1; }, -1, 0, any, 1, {0, 0, 92, 68}, false,
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        Add("Editor", {0, 0, 512, 384});
        ASSERT_NO_FATAL_FAILURE(c.setup());
        sim::ClearDrawCalls();
        Draw();
        const auto fills = Calls("FillRect");
        if (c.fills >= 0) {
            ASSERT_EQ(fills.size(), static_cast<std::size_t>(c.fills));
            EXPECT_EQ(fills[0].brushColor, c.fillColor);
            if (!c.fillArgs.empty()) {
                EXPECT_EQ(Args(fills[0]), c.fillArgs);
            }
        }
        const auto rects = Calls("Rectangle");
        ASSERT_EQ(rects.size(), static_cast<std::size_t>(c.rectangles));
        if (!c.rectangleArgs.empty()) {
            EXPECT_EQ(Args(rects[0]), c.rectangleArgs);
        }
        EXPECT_EQ(!Lines().empty(), c.lines);
        EXPECT_EQ(Calls("BitBlt").size(), 1u);
        if (c.check) c.check();
    }
}

TEST_F(Render, SnapshotHoldsEveryTopLevelWindowInZOrder) {
    const plat::Hwnd a = Add("A", {1, 2, 3, 4});
    sim::WindowSpec hidden;
    hidden.rect = {5, 6, 7, 8};
    hidden.visible = false;
    sim::AddWindow(hidden);
    EXPECT_TRUE(TakeWindowSnapshot(false));
    std::vector<plat::Hwnd> listed;
    for (const SnapshotEntry& e : pager.snapshot) {
        listed.push_back(e.window);
        const Rect r = sim::WindowRect(e.window);
        EXPECT_EQ(std::memcmp(&r, &e.rect, sizeof r), 0);
    }
    EXPECT_EQ(listed, sim::ZOrder());
    EXPECT_TRUE(TakeWindowSnapshot(false));  // without comparing it always rebuilds
    EXPECT_FALSE(TakeWindowSnapshot(true));

    sim::RemoveWindow(a);
    EXPECT_TRUE(TakeWindowSnapshot(true));
    listed.clear();
    for (const SnapshotEntry& e : pager.snapshot) listed.push_back(e.window);
    EXPECT_EQ(listed, sim::ZOrder());
}

TEST_F(Render, TimerRefreshDrawsOnlyAfterAWindowChanged) {
    const plat::Hwnd editor = Add("Editor", {0, 0, 512, 384});
    sim::WindowSpec desc;
    desc.title = "Hidden";
    desc.visible = false;
    const plat::Hwnd hidden = sim::AddWindow(desc);
    Draw();
    const int objects = sim::LiveGdiObjects();

    sim::ClearDrawCalls();
    Draw(true);
    EXPECT_TRUE(sim::DrawCalls().empty());
    EXPECT_EQ(sim::LiveGdiObjects(), objects);

    sim::SetTitle(editor, "Editor - renamed");  // a title alone is no change
    Draw(true);
    EXPECT_TRUE(sim::DrawCalls().empty());

    sim::SetRect(hidden, {10, 10, 20, 20});  // even a hidden window's move counts
    Draw(true);
    EXPECT_EQ(Calls("BitBlt").size(), 1u);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"Editor - renamed"}));

    sim::ClearDrawCalls();
    sim::BringToTop(editor);  // Z-order change
    Draw(true);
    EXPECT_EQ(Calls("BitBlt").size(), 1u);

    sim::ClearDrawCalls();
    Add("New", {0, 0, 10, 10});
    Draw(true);
    EXPECT_EQ(Calls("BitBlt").size(), 1u);
    sim::ClearDrawCalls();
    Draw(true);
    EXPECT_TRUE(sim::DrawCalls().empty());

    // Hidden or cloaked where it stands: gone from the next drawing, and back when shown again.
    const std::vector<std::string> both{"Editor - renamed", "New"};
    for (const auto& [what, set] : std::vector<std::pair<const char*, void (*)(plat::Hwnd, bool)>>{
             {"hidden", [](plat::Hwnd w, bool on) { sim::SetVisible(w, !on); }},
             {"cloaked", [](plat::Hwnd w, bool on) { sim::SetCloaked(w, on); }}}) {
        for (const bool on : {true, false}) {
            set(editor, on);
            sim::ClearDrawCalls();
            Draw(true);
            EXPECT_EQ(Calls("BitBlt").size(), 1u) << what << on;
            EXPECT_EQ(Titles(), on ? std::vector<std::string>{"New"} : both) << what << on;
        }
    }
}

}  // namespace
