// The simulated window manager: Z-order bands, deferred batches, hung windows.
#include <gtest/gtest.h>

#include "platform/kernel.h"
#include "platform/sim/sim.h"
#include "platform/window.h"

using namespace plat;

namespace {

class SimWindows : public ::testing::Test {
protected:
    void SetUp() override { sim::Reset(); }
    Hwnd Add(const char* title, bool topmost = false, Rect r = {0, 0, 100, 100}) {
        sim::WindowSpec s;
        s.title = title;
        s.topmost = topmost;
        s.rect = r;
        return sim::AddWindow(s);
    }
};

TEST_F(SimWindows, NewWindowsGoOnTopOfTheirBand) {
    Hwnd a = Add("a");
    Hwnd t = Add("t", true);
    Hwnd b = Add("b");
    EXPECT_EQ((std::vector<Hwnd>{t, b, a}), sim::ZOrder());
    EXPECT_EQ(t, GetTopWindow(nullptr));
    EXPECT_EQ(b, GetWindow(t, GW_HWNDNEXT));
    EXPECT_EQ(t, GetWindow(b, GW_HWNDPREV));
    EXPECT_EQ(nullptr, GetWindow(a, GW_HWNDNEXT));
    EXPECT_EQ(a, GetWindow(t, GW_HWNDLAST));
    // Foreground and z changes stay within the band.
    EXPECT_TRUE(SetForegroundWindow(a));
    EXPECT_EQ((std::vector<Hwnd>{t, a, b}), sim::ZOrder());
    EXPECT_EQ(a, GetForegroundWindow());
    EXPECT_TRUE(SetWindowPos(b, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
    EXPECT_EQ((std::vector<Hwnd>{b, t, a}), sim::ZOrder());
    EXPECT_TRUE(SetWindowPos(b, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
    EXPECT_EQ((std::vector<Hwnd>{t, b, a}), sim::ZOrder());
    EXPECT_TRUE(sim::Moves().empty());  // z-order only: nothing moved
}

TEST_F(SimWindows, StaleHandlesAreDetectedAndNeverReused) {
    Hwnd a = Add("a");
    sim::RemoveWindow(a);
    Hwnd b = Add("b");
    EXPECT_NE(a, b);
    EXPECT_FALSE(IsWindow(a));
    Rect r{1, 2, 3, 4};
    EXPECT_FALSE(GetWindowRect(a, &r));
    EXPECT_EQ(1, r.left);
    EXPECT_EQ(nullptr, GetWindow(a, GW_HWNDNEXT));
    EXPECT_FALSE(SetWindowPos(a, nullptr, 5, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
    EXPECT_TRUE(IsWindow(GetDesktopWindow()));
    ASSERT_TRUE(GetWindowRect(GetDesktopWindow(), &r));
    EXPECT_EQ(1024, r.right);
    EXPECT_EQ(768, r.bottom);
}

TEST_F(SimWindows, DeferredBatchAppliesTogetherAndDiesWithAMissingWindow) {
    Hwnd a = Add("a", false, {0, 0, 100, 50});
    Hwnd b = Add("b", false, {10, 10, 30, 30});
    Hdwp d = BeginDeferWindowPos(1);
    ASSERT_NE(nullptr, d);
    d = DeferWindowPos(d, a, nullptr, 1024, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ASSERT_NE(nullptr, d);
    d = DeferWindowPos(d, b, nullptr, 1034, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ASSERT_NE(nullptr, d);
    EXPECT_EQ(0, sim::WindowRect(a).left);  // nothing moves before the end
    ASSERT_TRUE(EndDeferWindowPos(d));
    EXPECT_EQ(1124, sim::WindowRect(a).right);
    EXPECT_EQ(1034, sim::WindowRect(b).left);
    EXPECT_EQ(30 - 10, sim::WindowRect(b).bottom - sim::WindowRect(b).top);
    auto moves = sim::Moves();
    ASSERT_EQ(2u, moves.size());
    EXPECT_EQ(1, moves[0].batch);
    EXPECT_EQ("defer", moves[1].via);
    EXPECT_EQ(GetCurrentThreadId(), moves[0].threadId);
    EXPECT_FALSE(EndDeferWindowPos(d));  // a batch ends once

    Hwnd gone = Add("gone");
    sim::RemoveWindow(gone);
    Hdwp e = BeginDeferWindowPos(8);
    e = DeferWindowPos(e, a, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Hdwp f = DeferWindowPos(e, gone, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(nullptr, f);
    EXPECT_EQ(nullptr, DeferWindowPos(e, b, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
    EXPECT_FALSE(EndDeferWindowPos(e));
    EXPECT_EQ(1024, sim::WindowRect(a).left);  // the earlier deferral was lost
    EXPECT_EQ(1, sim::BatchCount());
}

TEST_F(SimWindows, HungWindowsFailTheProbeOnly) {
    Hwnd a = Add("Editor");
    std::uintptr_t res = 99;
    EXPECT_TRUE(SendMessageTimeout(a, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 40, &res));
    EXPECT_EQ(6u, res);
    sim::SetHung(a, true);
    EXPECT_FALSE(SendMessageTimeout(a, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 40, &res));
    EXPECT_EQ(static_cast<std::uint32_t>(ERROR_TIMEOUT), GetLastError());
    char buf[4];
    EXPECT_EQ(3, GetWindowText(a, buf, sizeof buf));  // read without a message
    EXPECT_STREQ("Edi", buf);
}

TEST_F(SimWindows, ShowAndCloseChangeStateAndAreRecorded) {
    Hwnd a = Add("a");
    EXPECT_TRUE(ShowWindow(a, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(a));
    EXPECT_FALSE(ShowWindow(a, SW_SHOW));
    EXPECT_TRUE(CloseWindow(a));
    EXPECT_TRUE(IsIconic(a));
    EXPECT_TRUE(IsWindowVisible(a));
    auto shows = sim::Shows();
    ASSERT_EQ(3u, shows.size());
    EXPECT_EQ(-1, shows[2].cmd);
    sim::WindowSpec owned;
    owned.owner = a;
    EXPECT_EQ(a, GetParent(sim::AddWindow(owned)));
}

}  // namespace
