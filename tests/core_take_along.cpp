// Taking windows along: the carry keys, sending a window to a desktop, windows shown on every
// desktop.
#include <algorithm>
#include <string>

#include "app/app.h"
#include "core/compress.h"
#include "core/pending.h"
#include "core/poll.h"
#include "core/sticky.h"
#include "core/switching.h"
#include "core/unmovable.h"
#include "core_fixture.h"
#include "platform/kernel.h"
#include "platform/window.h"

namespace {

using plat::Rect;

class TakeAlong : public MoveThreadTest {
protected:
    void SetUp() override {
        MoveThreadTest::SetUp();
        ResetSticky();
        ResetUnmovable();
    }
    void TearDown() override {
        ResetSticky();
        ResetUnmovable();
        MoveThreadTest::TearDown();
    }
    static int Left(plat::Hwnd w) { return sim::WindowRect(w).left; }
    // Whether a move of w went to the move thread since `since` posts.
    static bool PostedMoveOf(plat::Hwnd w, std::size_t since = 0) {
        const std::vector<sim::PostRecord> posts = sim::Posts();
        for (std::size_t i = since; i < posts.size(); ++i)
            if (posts[i].message == MsgMoveWindow &&
                reinterpret_cast<MoveRequest*>(posts[i].lParam)->window == w)
                return true;
        return false;
    }
};

TEST(PlanMoves, CarriedWindowStaysUnlessItsEarlierMoveIsPending) {
    const auto h = [](std::uintptr_t v) { return reinterpret_cast<plat::Hwnd>(v); };
    struct Case {
        const char* name;
        SwitchCandidate in;
        bool planned;
    };
    const Case cases[] = {
        {"answered", {h(1), {10, 10, 20, 20}, true, true, false}, false},
        {"hung: leaving it asks nothing of it", {h(1), {10, 10, 20, 20}, true, false, false}, false},
        {"its pending move lands later", {h(1), {10, 10, 20, 20}, true, true, true}, true},
        {"another window", {h(2), {10, 10, 20, 20}, true, true, false}, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        EXPECT_EQ(PlanMoves({k.in}, -1024, 0, {h(1)}).size(), k.planned ? 1u : 0u);
    }
}

// From every desktop of the 3 x 3 grid in every direction: the view moves unless at the edge,
// the carried window stays on the screen, the other moves, and follow-active stays put.
TEST_F(TakeAlong, CarryAtEachGridEdge) {
    struct Step {
        int dx, dy, key;
    };
    for (const Step s : {Step{0, -1, HotkeyCarryUp}, Step{0, 1, HotkeyCarryDown},
                         Step{-1, 0, HotkeyCarryLeft}, Step{1, 0, HotkeyCarryRight}})
        for (int cell = 0; cell < 9; ++cell) {
            SCOPED_TRACE(::testing::Message() << "cell " << cell << " step " << s.dx << "," << s.dy);
            desktop.currentColumn = cell % 3;
            desktop.currentRow = cell / 3;
            const plat::Hwnd other = Add("other", Rect{10, 10, 110, 110});
            const plat::Hwnd carried = Add("carried", Rect{200, 200, 400, 300});
            sim::SetForeground(carried);
            const int toColumn = std::clamp(desktop.currentColumn + s.dx, 0, 2);
            const int toRow = std::clamp(desktop.currentRow + s.dy, 0, 2);
            const int moved = (toColumn - desktop.currentColumn) * 1024;
            const int movedDown = (toRow - desktop.currentRow) * 768;

            SwitchByHotkeys(s.key);
            EXPECT_EQ(desktop.currentColumn, toColumn);
            EXPECT_EQ(desktop.currentRow, toRow);
            EXPECT_EQ(sim::WindowRect(carried).left, 200);
            EXPECT_EQ(sim::WindowRect(carried).top, 200);
            EXPECT_EQ(sim::WindowRect(other).left, 10 - moved);
            EXPECT_EQ(sim::WindowRect(other).top, 10 - movedDown);
            FollowActive();
            EXPECT_EQ(desktop.currentColumn, toColumn);
            EXPECT_EQ(desktop.currentRow, toRow);
            plat::DestroyWindow(other);
            plat::DestroyWindow(carried);
        }
}

// Whichever of an owner family is in front, the whole family goes along: nothing of it is left
// on the old desktop.
TEST_F(TakeAlong, CarriedWindowTakesItsOwnerFamily) {
    for (int front = 0; front < 2; ++front) {
        SCOPED_TRACE(front == 0 ? "the owner in front" : "its dialog in front");
        desktop.currentColumn = 0;
        const plat::Hwnd owner = Add("editor", Rect{100, 100, 500, 400});
        const plat::Hwnd dialog = Add("find", Rect{150, 150, 300, 250}, owner);
        const plat::Hwnd other = Add("other", Rect{10, 10, 110, 110});
        sim::SetForeground(front == 0 ? owner : dialog);
        SwitchByHotkeys(HotkeyCarryRight);
        EXPECT_EQ(Left(owner), 100);
        EXPECT_EQ(Left(dialog), 150);
        EXPECT_EQ(Left(other), 10 - 1024);
        for (plat::Hwnd w : {dialog, owner, other}) plat::DestroyWindow(w);
    }
}

// A foreground window a switch may not take along: the switch is a plain one.
TEST_F(TakeAlong, WhatCannotBeCarriedSwitchesPlainly) {
    Remember("Kept", KeepInPlace);
    struct Case {
        const char* name;
        int left;  // where the foreground window is after the carry
    };
    const Case cases[] = {
        {"none", 0},        {"pager", 1016},   {"Kept", 100},         {"minimized", 100},
        {"cloaked", 100},   {"unmovable", 100}, {"desktop", -1024},       {"hung", 100},
        {"hung, move pending", 100 - 1024},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        desktop.currentColumn = 0;
        const plat::Hwnd other = Add("other", Rect{10, 10, 110, 110});
        const std::string name = k.name;
        plat::Hwnd front = nullptr;
        if (name == "pager") {
            front = settings.pagerWindow;
        } else if (name == "desktop") {
            sim::WindowSpec d;
            d.title = "Program Manager";
            d.className = "Progman";
            d.rect = Rect{0, 0, 1024, 768};
            front = sim::AddWindow(d);
        } else if (name != "none") {
            front = Add(k.name, Rect{100, 100, 300, 300});
        }
        if (name == "minimized") sim::SetMinimized(front, true);
        if (name == "cloaked") sim::SetCloaked(front, true);
        if (name == "unmovable") {
            sim::SetMoveDenied(front, true);
            plat::SetWindowPos(front, nullptr, 1, 1, 0, 0, plat::SWP_NOSIZE);
            ASSERT_TRUE(NoteFailedMove(front));
        }
        if (name.rfind("hung", 0) == 0) sim::SetHung(front, true);
        if (name == "hung, move pending") NotePendingMove(front, 100, 100, 100, 100);
        sim::SetForeground(front);
        const std::size_t posts = sim::Posts().size();

        SwitchByHotkeys(HotkeyCarryRight);
        EXPECT_EQ(desktop.currentColumn, 1);
        EXPECT_EQ(Left(other), 10 - 1024);
        // A hung window is carried without a word to it; one with a move pending follows it.
        if (front) {
            if (name != "hung, move pending") {
                EXPECT_EQ(Left(front), k.left);
            }
            EXPECT_EQ(PostedMoveOf(front, posts), name == "hung, move pending");
        }
        if (front && front != settings.pagerWindow) plat::DestroyWindow(front);
        plat::DestroyWindow(other);
        ResetPendingMoves();
    }
}

// Sent from every desktop of a 3 x 3 grid to every other, with the view on the middle one: the
// window keeps its place within the desktop and the view stays.
TEST_F(TakeAlong, MoveToDesktopForEveryCellOfA3x3Grid) {
    desktop.currentColumn = 1;
    desktop.currentRow = 1;
    for (int from = 0; from < 9; ++from)
        for (int to = 0; to < 9; ++to) {
            SCOPED_TRACE(::testing::Message() << from << " -> " << to);
            const int fx = (from % 3 - 1) * 1024, fy = (from / 3 - 1) * 768;
            const plat::Hwnd w = Add("w", Rect{fx + 37, fy + 45, fx + 237, fy + 145});
            ASSERT_TRUE(MoveWindowToDesktop(w, to % 3, to / 3));
            EXPECT_EQ(Left(w), (to % 3 - 1) * 1024 + 37);
            EXPECT_EQ(sim::WindowRect(w).top, (to / 3 - 1) * 768 + 45);
            EXPECT_EQ(desktop.currentColumn, 1);
            EXPECT_EQ(desktop.currentRow, 1);
            plat::DestroyWindow(w);
        }
    const plat::Hwnd w = Add("w", Rect{10, 10, 110, 110});
    EXPECT_FALSE(MoveWindowToDesktop(w, 3, 0));
    EXPECT_FALSE(MoveWindowToDesktop(w, 0, -1));
    sim::SetHung(w, true);  // handed to the move thread, never waited for
    EXPECT_TRUE(MoveWindowToDesktop(w, 2, 1));
    EXPECT_TRUE(PostedMoveOf(w));
    // A window shown on every desktop that is sent to one is wanted there only.
    const plat::Hwnd s = Add("s", Rect{10, 10, 110, 110});
    ASSERT_TRUE(SetSticky(s, true));
    EXPECT_TRUE(MoveWindowToDesktop(s, 0, 0));
    EXPECT_FALSE(IsSticky(s));
    EXPECT_EQ(plat::GetProp(s, StickyPropertyName), 0u);
    EXPECT_EQ(Left(s), 10 - 1024);
}

TEST_F(TakeAlong, StickyThroughSwitchesFoldCompressAndRestart) {
    const plat::Hwnd s = Add("pinned", Rect{100, 100, 300, 300});
    const plat::Hwnd other = Add("other", Rect{10, 10, 110, 110});
    // Marked from another desktop, it comes onto the screen.
    const plat::Hwnd away = Add("away", Rect{2048 + 50, 60, 2048 + 150, 160});
    ASSERT_TRUE(SetSticky(s, true));
    ASSERT_TRUE(SetSticky(away, true));
    EXPECT_EQ(Left(away), 50);
    EXPECT_NE(plat::GetProp(s, StickyPropertyName), 0u);
    // Its move still held, a window would land off the screen after the mark.
    const plat::Hwnd late = Add("late", Rect{10, 10, 110, 110});
    NotePendingMove(late, 1034, 10, 10, 10);
    EXPECT_FALSE(SetSticky(late, true));
    EXPECT_FALSE(IsSticky(late));

    ASSERT_TRUE(MoveViewBy(1, 0));
    ASSERT_TRUE(MoveViewBy(0, 1));
    EXPECT_EQ(Left(s), 100);
    EXPECT_EQ(sim::WindowRect(s).top, 100);
    EXPECT_EQ(Left(other), 10 - 1024);
    CompressDesktop(false);
    FoldWindowsIntoGrid();
    EXPECT_EQ(Left(s), 100);
    EXPECT_EQ(Left(other), 10);  // folded back onto the screen
    // Neither activated in place of the windows of the new desktop.
    EXPECT_EQ(std::count(sim::ForegroundRequests().begin(), sim::ForegroundRequests().end(), s), 0);

    // A new run of Parmena knows only what the windows carry.
    ResetSticky();
    EXPECT_FALSE(IsSticky(s));
    RecoverStickyMarks();
    EXPECT_TRUE(IsSticky(s));
    EXPECT_TRUE(IsSticky(away));
    EXPECT_FALSE(IsSticky(other));
    ASSERT_TRUE(MoveViewBy(-1, 0));
    EXPECT_EQ(Left(s), 100);

    // A restarted program's window of the same title is not marked; an unmarked one moves.
    plat::DestroyWindow(away);
    const plat::Hwnd again = Add("away", Rect{50, 60, 150, 160});
    RecoverStickyMarks();
    EXPECT_FALSE(IsSticky(again));
    ASSERT_TRUE(SetSticky(s, false));
    EXPECT_EQ(plat::GetProp(s, StickyPropertyName), 0u);
    ASSERT_TRUE(MoveViewBy(1, 0));
    EXPECT_EQ(Left(s), 100 - 1024);
}

}  // namespace
