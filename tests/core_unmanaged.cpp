// Windows switching must leave alone: cloaked by the window manager, or refused to this program.
#include "core/compress.h"
#include "core/poll.h"
#include "core/switching.h"
#include "core/unmovable.h"
#include "core_fixture.h"
#include "platform/kernel.h"
#include "platform/window.h"

namespace {

using plat::Rect;

class Unmanaged : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        ResetUnmovable();
    }
    void TearDown() override {
        ResetUnmovable();
        CoreTest::TearDown();
    }
};

TEST_F(Unmanaged, CloakedWindowIsNeitherMovedFoldedNorFollowed) {
    struct Case {
        const char* name;
        bool dwmMissing;  // as under Wine: nothing counts as cloaked
        bool managed;
    };
    for (const Case c : {Case{"cloaked", false, false}, Case{"no window manager", true, true}}) {
        SCOPED_TRACE(c.name);
        SetUp();
        sim::SetDwmMissing(c.dwmMissing);
        plat::Hwnd plain = Add("plain", Rect{10, 10, 110, 110});
        plat::Hwnd here = Add("suspended", Rect{20, 20, 120, 120});
        plat::Hwnd away = Add("elsewhere", Rect{1044, 20, 1144, 120});
        sim::SetCloaked(here, true);
        sim::SetCloaked(away, true);

        EXPECT_TRUE(MoveViewBy(1, 0));  // away comes on screen when it is managed
        EXPECT_EQ(sim::WindowRect(plain).left, 10 - 1024);
        EXPECT_EQ(sim::WindowRect(here).left, c.managed ? 20 - 1024 : 20);
        EXPECT_EQ(sim::WindowRect(away).left, c.managed ? 20 : 1044);

        CompressDesktop(false);
        EXPECT_EQ(sim::WindowRect(plain).left, 10);
        EXPECT_EQ(sim::WindowRect(here).left, 20);
        EXPECT_EQ(sim::WindowRect(away).left, c.managed ? 20 : 1044);

        // The user cannot have gone to a window that is not shown.
        sim::SetRect(away, Rect{-1004, 20, -904, 120});
        desktop.lastForeground = plain;
        sim::SetForeground(away);
        FollowActive();
        EXPECT_EQ(desktop.currentColumn, c.managed ? 0 : 1);
        TearDown();
    }
}

TEST_F(Unmanaged, RefusedWindowIsMarkedOnceThenLeftOutOfEveryBatch) {
    plat::Hwnd a = Add("a", Rect{0, 0, 100, 100});
    plat::Hwnd admin = Add("admin", Rect{200, 0, 300, 100});
    plat::Hwnd b = Add("b", Rect{400, 0, 500, 100});
    sim::SetMoveDenied(admin, true);

    EXPECT_TRUE(ShiftWindows(-1, 0));
    EXPECT_EQ(sim::WindowRect(a).left, -1024);
    EXPECT_EQ(sim::WindowRect(b).left, 400 - 1024);
    EXPECT_EQ(sim::WindowRect(admin).left, 200);
    EXPECT_TRUE(IsUnmovable(admin));
    EXPECT_FALSE(IsUnmovable(a));
    const int refused = sim::DeniedMoves();  // in the batch, then alone

    // Later switches, a compress and a remembered desktop do not try again.
    sim::ClearMoves();
    EXPECT_TRUE(ShiftWindows(1, 0));
    Remember("admin", 0x0002);
    ApplyRememberedPositions();
    sim::SetRect(admin, Rect{2248, 0, 2348, 100});
    CompressDesktop(false);
    EXPECT_EQ(sim::DeniedMoves(), refused);
    EXPECT_EQ(sim::BatchCount(), 4);
    for (plat::Hwnd w : {a, b}) {
        ASSERT_EQ(MovesOf(w).size(), 1u);
        EXPECT_EQ(MovesOf(w)[0].batch, 2);  // the switch's one batch, never rebuilt
    }
    // It stays on every desktop, like a kept window: not given the foreground for the new one.
    sim::SetRect(admin, Rect{200, 0, 300, 100});
    sim::BringToTop(admin);
    sim::BringToTop(PagerWindow());
    EXPECT_TRUE(ShiftWindows(0, 0));
    EXPECT_NE(sim::Foreground(), admin);

    // The mark ends with the window.
    sim::RemoveWindow(admin);
    ForgetGoneUnmovable();
    EXPECT_FALSE(IsUnmovable(admin));
}

TEST_F(Unmanaged, OnlyARefusalMarksAWindow) {
    struct Case {
        std::uint32_t error;
        bool marked;
    };
    for (const Case c : {Case{plat::ERROR_ACCESS_DENIED, true}, Case{1400, false}, Case{0, false}}) {
        SCOPED_TRACE(c.error);
        SetUp();
        plat::Hwnd w = Add("w", Rect{0, 0, 100, 100});
        sim::FailCall(sim::Call::DeferWindowPos, true);
        sim::FailCall(sim::Call::SetWindowPos, true, c.error);
        ShiftWindows(-1, 0);
        sim::FailCall(sim::Call::SetWindowPos, false);
        sim::FailCall(sim::Call::DeferWindowPos, false);
        EXPECT_EQ(IsUnmovable(w), c.marked);
        TearDown();
    }
}

TEST_F(Unmanaged, RefusedBatchMovesEachWindowAlone) {
    plat::Hwnd a = Add("a", Rect{0, 0, 100, 100});
    plat::Hwnd b = Add("b", Rect{400, 0, 500, 100});
    sim::FailCall(sim::Call::EndDeferWindowPos, true);
    EXPECT_TRUE(ShiftWindows(0, -1));
    sim::FailCall(sim::Call::EndDeferWindowPos, false);
    for (plat::Hwnd w : {a, b}) {
        EXPECT_EQ(sim::WindowRect(w).top, -768);
        ASSERT_EQ(MovesOf(w).size(), 1u);
        EXPECT_EQ(MovesOf(w)[0].via, "SetWindowPos");
    }
}

}  // namespace
