// The middle-button hook's decisions: slots, click or drag, entries and plans, drag arithmetic,
// and a shared block written by someone hostile.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>

#include "libs/parmm/gesture.h"

using namespace parmm;

namespace {

void SetEntry(MiddleButtonEntry& e, const char* name, std::initializer_list<int> clicks,
              std::initializer_list<int> drags, int transmit) {
    std::memset(&e, 0, sizeof e);
    std::strncpy(e.name, name, sizeof e.name - 1);
    int j = 0;
    for (int c : clicks) e.click[j++] = c;
    j = 0;
    for (int d : drags) e.drag[j++] = d;
    e.transmit = transmit;
}

std::unique_ptr<HookBlock> DefaultBlock() {
    auto b = std::make_unique<HookBlock>();
    std::memset(b.get(), 0, sizeof *b);
    SetEntry(b->defaultEntry, "", {101, 103, 1, 105}, {202, 203, 206, 204}, 0);
    return b;
}

}  // namespace

TEST(ParmmGesture, SlotFromHitTest) {
    const struct {
        long hit;
        int slot;
    } cases[] = {
        {HitCaption, SlotTitleBar}, {HitSysMenu, SlotTitleBar}, {HitMinButton, SlotTitleBar},
        {HitMaxButton, SlotTitleBar}, {HitClose, SlotTitleBar},   {HitHelp, SlotTitleBar},
        {HitLeft, SlotBorder},      {HitBottomRight, SlotBorder}, {HitTop, SlotBorder},
        {HitBorder, SlotBorder},    {HitGrowBox, SlotBorder},     {HitClient, SlotClient},
        {HitMenu, SlotClient},      {HitVScroll, SlotClient},     {12345, SlotClient},
        {HitTransparent, -1},       {HitNowhere, -1},             {HitError, -1},
    };
    for (const auto& c : cases) EXPECT_EQ(SlotFromHitTest(c.hit), c.slot) << "hit " << c.hit;
}

TEST(ParmmGesture, SlotFromGeometryOfAWindowThatDoesNotAnswer) {
    const Box window{100, 100, 500, 400}, client{104, 126, 496, 396};
    const struct {
        Pt p;
        int slot;
    } cases[] = {
        {{200, 200}, SlotClient}, {{104, 126}, SlotClient},   {{200, 110}, SlotTitleBar},
        {{200, 104}, SlotTitleBar}, {{200, 101}, SlotBorder}, {{101, 200}, SlotBorder},
        {{498, 110}, SlotBorder}, {{200, 398}, SlotBorder},   {{496, 200}, SlotBorder},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SlotFromGeometry(window, client, c.p), c.slot) << c.p.x << "," << c.p.y;
}

TEST(ParmmGesture, ClickOrDragByTheSystemThreshold) {
    const struct {
        Pt press, now;
        bool drag;
    } cases[] = {
        {{100, 100}, {100, 100}, false}, {{100, 100}, {104, 96}, false},  {{100, 100}, {105, 100}, true},
        {{100, 100}, {100, 95}, true},   {{-50, -50}, {-54, -46}, false}, {{INT_MIN, 0}, {INT_MAX, 0}, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsDrag(c.press, c.now, 4, 4), c.drag) << c.now.x - static_cast<long long>(c.press.x);
}

TEST(ParmmGesture, HostileBlockIsCopiedWithinBounds) {
    auto b = DefaultBlock();
    const struct {
        std::int32_t stored, copied;
    } counts[] = {{-1, 0}, {INT_MIN, 0}, {0, 0}, {3, 3}, {1024, 1024}, {1025, 1024}, {INT_MAX, 1024}};
    auto t = std::make_unique<EntryTable>();
    for (const auto& c : counts) {
        b->entryCount = c.stored;
        CopyEntries(*b, t.get());
        EXPECT_EQ(t->count, c.copied) << c.stored;
    }
    // Names without a terminator anywhere in the block: read as 127 characters.
    std::memset(b->defaultEntry.name, 'x', sizeof b->defaultEntry.name);
    for (auto& e : b->programs) std::memset(e.name, 'y', sizeof e.name);
    CopyEntries(*b, t.get());
    EXPECT_EQ(std::strlen(t->defaultEntry.name), 127u);
    EXPECT_EQ(std::strlen(t->programs[1023].name), 127u);
    EXPECT_EQ(FindProgramEntry(*t, "notepad.exe"), -1);
    // The copy is private: later writes to the block do not reach it.
    b->entryCount = 0;
    EXPECT_EQ(t->count, 1024);
}

TEST(ParmmGesture, ProgramEntryByExecutableName) {
    auto b = DefaultBlock();
    b->entryCount = 4;
    SetEntry(b->programs[0], "", {1, 1, 1, 1}, {201, 201, 201, 201}, -1);
    SetEntry(b->programs[1], "Notepad.EXE", {102, -1, -1, -1}, {-1, -1, -1, -1}, -1);
    SetEntry(b->programs[2], "notepad.exe", {103, -1, -1, -1}, {-1, -1, -1, -1}, -1);
    SetEntry(b->programs[3], "C:\\Tools\\winemine.exe", {104, -1, -1, -1}, {-1, -1, -1, -1}, -1);
    auto t = std::make_unique<EntryTable>();
    CopyEntries(*b, t.get());
    const struct {
        const char* exe;
        int index;
    } cases[] = {
        {"C:\\windows\\system32\\notepad.exe", 1}, {"notepad.exe", 1}, {"NOTEPAD.EXE", 1},
        {"c:/x/notepad.exe", 1},  {"notepad.ex", -1}, {"notepad.exe2", -1},
        {"winemine.exe", 3}, {"", -1}, {nullptr, -1},
    };
    for (const auto& c : cases) EXPECT_EQ(FindProgramEntry(*t, c.exe), c.index) << (c.exe ? c.exe : "(null)");
    // Entries beyond the count are not valid, whatever they hold.
    b->entryCount = 1;
    CopyEntries(*b, t.get());
    EXPECT_EQ(FindProgramEntry(*t, "notepad.exe"), -1);
}

TEST(ParmmGesture, PlanFromEntryAndDefault) {
    auto b = DefaultBlock();
    b->entryCount = 3;
    SetEntry(b->programs[0], "a.exe", {-1, 104, 77, -1}, {-1, 205, 0, 999}, -1);
    SetEntry(b->programs[1], "b.exe", {1, -1, -1, -1}, {201, -1, -1, -1}, 1);
    SetEntry(b->programs[2], "c.exe", {-1, -1, -1, -1}, {-1, -1, -1, -1}, 0);
    auto t = std::make_unique<EntryTable>();
    CopyEntries(*b, t.get());
    const struct {
        int index, slot;
        Plan want;
    } cases[] = {
        {-1, SlotTitleBar, {ClickToBack, DragMove, false}},
        {-1, SlotBorder, {ClickMinimize, DragResize, false}},
        {-1, SlotClient, {ClickPass, DragScroll, false}},
        {-1, SlotDesktop, {ClickMenu, DragByDesktops, false}},
        {0, SlotTitleBar, {ClickToBack, DragMove, false}},       // -1: the default's
        {0, SlotBorder, {ClickMaximize, DragHorizontal, false}},  // its own codes
        {0, SlotClient, {ClickPass, DragScroll, false}},         // unknown 77 and 0: the default's
        {0, SlotDesktop, {ClickMenu, DragByDesktops, false}},     // unknown 999: the default's
        {1, SlotTitleBar, {ClickPass, DragPass, true}},
        {1, SlotClient, {ClickPass, DragScroll, true}},
        {2, SlotTitleBar, {ClickToBack, DragMove, false}},
        {3, SlotTitleBar, {ClickToBack, DragMove, false}},  // beyond the count: the default
        {-1, 7, {ClickPass, DragScroll, false}},            // a slot out of range: client area
    };
    for (const auto& c : cases) {
        const Plan p = PlanFor(*t, c.index, c.slot);
        EXPECT_EQ(p.click, c.want.click) << c.index << "/" << c.slot;
        EXPECT_EQ(p.drag, c.want.drag) << c.index << "/" << c.slot;
        EXPECT_EQ(p.transmit, c.want.transmit) << c.index << "/" << c.slot;
    }
    // The default entry's own -1 or unknown codes pass the event on; its transmit -1 means no.
    SetEntry(b->defaultEntry, "", {-1, 0, 55, 101}, {-1, 0, 301, 202}, -1);
    b->programs[2].transmit = -1;
    CopyEntries(*b, t.get());
    for (int slot = 0; slot < 3; ++slot) {
        const Plan p = PlanFor(*t, 2, slot);
        EXPECT_TRUE(PassesEverything(p)) << slot;
        EXPECT_FALSE(p.transmit);
    }
    b->defaultEntry.transmit = 5;
    CopyEntries(*b, t.get());
    EXPECT_TRUE(PlanFor(*t, 2, SlotDesktop).transmit);
    EXPECT_TRUE(PlanFor(*t, 1, SlotDesktop).transmit);
}

TEST(ParmmGesture, DesktopStepsFollowTheTravel) {
    EXPECT_EQ(StepUnit(1024, 3), 341);
    EXPECT_EQ(StepUnit(192, 0), 192);
    EXPECT_EQ(StepUnit(2, 5), 1);
    EXPECT_EQ(StepUnit(-10, 3), 1);
    // A drag with a unit of 64 pixels, point by point: what each position still owes.
    const struct {
        std::int64_t travel;
        int owed;
    } walk[] = {{10, 0}, {63, 0}, {64, 1}, {127, 0}, {200, 2}, {130, -1}, {-10, -2}, {-64, -1}, {-63, 1}, {0, 0}};
    int taken = 0;
    for (const auto& w : walk) {
        const int owed = StepsOwed(w.travel, 64, taken);
        EXPECT_EQ(owed, w.owed) << "travel " << w.travel;
        taken += owed;
    }
    EXPECT_EQ(StepsIn(1LL << 40, 1), INT_MAX);
    EXPECT_EQ(StepsIn(100, 0), 0);
}

TEST(ParmmGesture, ResizeEdgesAndMinimumSize) {
    const Box w{100, 100, 400, 400};
    const struct {
        long hit;
        Pt press;
        Edges e;
    } edges[] = {
        {HitClient, {110, 110}, {true, true, false, false}},  {HitClient, {390, 390}, {false, false, true, true}},
        {HitCaption, {250, 110}, {false, true, false, false}}, {HitNowhere, {110, 250}, {true, false, false, false}},
        {HitClient, {250, 250}, {false, false, true, true}},   {HitBorder, {110, 250}, {true, false, false, false}},
        {HitTopLeft, {390, 390}, {true, true, false, false}},  {HitRight, {110, 110}, {false, false, true, false}},
        {HitBottomLeft, {250, 250}, {true, false, false, true}},
    };
    for (const auto& c : edges) {
        const Edges e = ResizeEdges(c.hit, w, c.press);
        EXPECT_TRUE(e.left == c.e.left && e.top == c.e.top && e.right == c.e.right && e.bottom == c.e.bottom)
            << c.hit << " at " << c.press.x << "," << c.press.y;
    }
    const struct {
        Edges e;
        int dx, dy;
        Box want;
    } resizes[] = {
        {{false, false, true, true}, 50, -20, {100, 100, 450, 380}},
        {{true, true, false, false}, 50, 50, {150, 150, 400, 400}},
        {{true, false, false, false}, 500, 0, {300, 100, 400, 400}},   // stops at the minimum width
        {{false, false, true, false}, -1000, 0, {100, 100, 200, 400}},
        {{false, true, false, true}, 0, -30, {100, 70, 400, 370}},
    };
    for (const auto& c : resizes) {
        const Box b = Resized(w, c.e, c.dx, c.dy, 100, 50);
        EXPECT_TRUE(b.left == c.want.left && b.top == c.want.top && b.right == c.want.right &&
                    b.bottom == c.want.bottom)
            << b.left << "," << b.top << "," << b.right << "," << b.bottom;
    }
}

TEST(ParmmGesture, MovedKeepsTheSize) {
    const Box w{100, 100, 400, 300};
    const struct {
        std::int64_t dx, dy;
        Box want;
    } cases[] = {
        {150, 100, {250, 200, 550, 400}},
        {500, -30, {600, 70, 900, 270}},
        {-(1LL << 40), 0, {INT_MIN, 100, INT_MIN, 300}},
    };
    for (const auto& c : cases) {
        const Box b = Moved(w, c.dx, c.dy);
        EXPECT_TRUE(b.left == c.want.left && b.top == c.want.top && b.right == c.want.right && b.bottom == c.want.bottom)
            << b.left << "," << b.top << "," << b.right << "," << b.bottom;
    }
}

TEST(ParmmGesture, PackedStepsAreSigned16BitWords) {
    EXPECT_EQ(PackSteps(1, -1), 0xFFFF0001u);
    EXPECT_EQ(PackSteps(-2, 3), 0x0003FFFEu);
    EXPECT_EQ(PackSteps(100000, -100000), 0x80007FFFu);
}
