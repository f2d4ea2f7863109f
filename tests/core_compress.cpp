// Compressing windows onto the screen and applying remembered desktops.
#include <string>
#include <vector>

#include "core/compress.h"
#include "core/switching.h"
#include "core/windows.h"
#include "core_fixture.h"
#include "platform/window.h"

namespace {

using plat::Rect;

constexpr std::uint32_t MoveFlags = plat::SWP_NOSIZE | plat::SWP_NOZORDER | plat::SWP_NOACTIVATE;
constexpr std::uint32_t Cell(int column, int row) { return static_cast<std::uint32_t>(column + row * 256); }

class Compress : public CoreTest {};

TEST_F(Compress, FoldsEveryWindowOntoTheScreen) {
    desktop.currentColumn = 1;
    desktop.currentRow = 1;
    plat::Hwnd right = Add("right", Rect{2100, 800, 2300, 900});
    plat::Hwnd left = Add("left", Rect{-1500, -700, -1300, -600});
    plat::Hwnd here = Add("here", Rect{10, 10, 100, 100});
    sim::WindowSpec desc;
    desc.rect = Rect{5000, 5000, 5100, 5100};
    desc.minimized = true;
    plat::Hwnd iconic = sim::AddWindow(desc);
    desc.minimized = false;
    desc.visible = false;
    plat::Hwnd hidden = sim::AddWindow(desc);
    plat::Hwnd hung = Add("hung", Rect{1500, 10, 1600, 100});
    sim::SetHung(hung, true);  // it moves too, but must not hold the compress up

    CompressDesktop(false);
    EXPECT_EQ(sim::BatchCount(), 1);
    EXPECT_EQ(sim::HungWindowBlocks(), 0);
    EXPECT_EQ(sim::WindowRect(right).left, 2100 - 2048);
    EXPECT_EQ(sim::WindowRect(right).top, 800 - 768);
    EXPECT_EQ(sim::WindowRect(left).left, -1500 + 2048);
    EXPECT_EQ(sim::WindowRect(left).top, -700 + 768);
    EXPECT_EQ(sim::WindowRect(hung).left, 1500);
    sim::SetHung(hung, false);  // its move was posted to it and lands now
    EXPECT_EQ(sim::WindowRect(hung).left, 1500 - 1024);
    EXPECT_TRUE(MovesOf(here).empty());
    EXPECT_TRUE(MovesOf(iconic).empty());
    EXPECT_TRUE(MovesOf(hidden).empty());
    for (const sim::MoveRecord& m : sim::Moves()) {
        const bool late = m.window == hung;
        EXPECT_EQ(m.flags, late ? (MoveFlags | plat::SWP_ASYNCWINDOWPOS) : MoveFlags);
        EXPECT_EQ(m.batch, late ? 0 : 1);
    }
    // The current desktop is not changed, and the flags are down again.
    EXPECT_EQ(desktop.currentColumn, 1);
    EXPECT_EQ(desktop.currentRow, 1);
    EXPECT_EQ(desktop.switching, 0);
    EXPECT_EQ(desktop.compressBusy, 0);
}

TEST_F(Compress, MaximizedWindowsGoToTheCorner) {
    sim::WindowSpec desc;
    desc.maximized = true;
    desc.rect = Rect{1020, 764, 2052, 1536};
    plat::Hwnd away = sim::AddWindow(desc);
    desc.rect = Rect{-4, -4, 1028, 772};
    plat::Hwnd home = sim::AddWindow(desc);
    CompressDesktop(false);
    for (plat::Hwnd w : {away, home}) {
        std::vector<sim::MoveRecord> m = MovesOf(w);
        ASSERT_EQ(m.size(), 1u);
        EXPECT_EQ(m[0].x, -4);
        EXPECT_EQ(m[0].y, -4);
    }
}

TEST_F(Compress, CentreOnTheRightEdgeStays) {
    plat::Hwnd edge = Add("edge", Rect{924, 100, 1124, 200});  // left + right = 2048
    plat::Hwnd bottom = Add("bottom", Rect{0, 668, 100, 868});  // top + bottom = 1536
    CompressDesktop(false);
    EXPECT_TRUE(MovesOf(edge).empty());
    EXPECT_TRUE(MovesOf(bottom).empty());
}

TEST_F(Compress, OnlyKeptWindows) {
    Remember("Clock", KeepInPlace);
    Remember("Notes", Cell(1, 0));
    plat::Hwnd clock = Add("Clock", Rect{1100, 100, 1200, 200});
    plat::Hwnd notes = Add("Notes", Rect{1100, 100, 1200, 200});
    plat::Hwnd other = Add("other", Rect{-900, 100, -800, 200});
    CompressDesktop(true);
    EXPECT_EQ(sim::WindowRect(clock).left, 1100 - 1024);
    EXPECT_TRUE(MovesOf(notes).empty());
    EXPECT_TRUE(MovesOf(other).empty());
}

TEST_F(Compress, BusyDropsTheRequest) {
    plat::Hwnd w = Add("w", Rect{2100, 100, 2200, 200});
    desktop.compressBusy = 1;
    CompressDesktop(false);
    EXPECT_TRUE(sim::Moves().empty());
    EXPECT_EQ(sim::BatchCount(), 0);
    EXPECT_EQ(desktop.compressBusy, 1);  // the running compress owns the flag
    desktop.compressBusy = 0;
    CompressDesktop(false);
    EXPECT_EQ(MovesOf(w).size(), 1u);
}

// A window that asks for another compress while the first one reads its title.
int nestedRequests = 0;
plat::LResult PLAT_CALLBACK NestingProc(plat::Hwnd w, std::uint32_t msg, plat::WParam wp,
                                        plat::LParam lp) {
    if (msg == plat::WM_GETTEXT && desktop.compressBusy) {
        ++nestedRequests;
        CompressDesktop(false);
    }
    return plat::DefWindowProc(w, msg, wp, lp);
}

TEST_F(Compress, RequestDuringARunIsDropped) {
    plat::WndClass wc{};
    wc.lpfnWndProc = NestingProc;
    wc.lpszClassName = "CoreNesting";
    plat::RegisterClass(&wc);
    plat::Hwnd nesting = plat::CreateWindowEx(0, "CoreNesting", "Kept", plat::WS_POPUP | plat::WS_VISIBLE,
                                               1100, 100, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nesting, nullptr);
    plat::Hwnd other = Add("other", Rect{2100, 100, 2200, 200});
    Remember("Kept", KeepInPlace);
    nestedRequests = 0;

    CompressDesktop(true);
    EXPECT_GT(nestedRequests, 0);
    // The nested full compress did nothing: one batch, and the unkept window stayed.
    EXPECT_EQ(sim::BatchCount(), 1);
    EXPECT_TRUE(MovesOf(other).empty());
    EXPECT_EQ(MovesOf(nesting).size(), 1u);
    EXPECT_EQ(desktop.compressBusy, 0);
    plat::DestroyWindow(nesting);
}

// Hung windows are asked together, as a switch asks them: one wait, not one each.
TEST_F(Compress, HungWindowsShareOneWait) {
    std::vector<plat::Hwnd> hung;
    for (int i = 0; i < 3; ++i) {
        hung.push_back(Add("hung", Rect{1100 + 10 * i, 10, 1200, 100}));
        sim::SetHung(hung.back(), true);
    }
    plat::Hwnd fine = Add("fine", Rect{-900, 10, -800, 100});
    const std::int64_t before = sim::ClockMs();
    CompressDesktop(false);
    EXPECT_EQ(sim::ClockMs() - before, ProbeTimeoutMs);
    EXPECT_EQ(sim::WindowRect(fine).left, -900 + 1024);
    for (plat::Hwnd w : hung) {
        EXPECT_EQ(sim::WindowRect(w).top, 10);  // posted to it, not waited for
        sim::SetHung(w, false);
        EXPECT_EQ(sim::WindowRect(w).right, 1200 - 1024);
    }
}

// The hook library's carry by whole desktops, from the desktop the window's centre is on.
TEST_F(Compress, CarryPlanStopsAtTheGridEdge) {
    desktop.currentColumn = 1;
    const struct {
        Rect r;
        int right, down;
        bool moves;
        int x, y;
    } cases[] = {
        {{100, 50, 300, 250}, 1, 0, true, 1124, 50},      {{100, 50, 300, 250}, 5, 9, true, 1124, 1586},
        {{1100, 50, 1300, 250}, 1, 0, false, 0, 0},       {{100, 50, 300, 250}, -3, -1, true, -924, 50},
        {{-1000, 50, -800, 250}, -1, 0, false, 0, 0},     {{900, 50, 1300, 250}, -1, 0, true, -124, 50},
        {{100, 50, 300, 250}, 0, 0, false, 0, 0},
    };
    for (const auto& k : cases) {
        plat::Point to{};
        ASSERT_EQ(PlanCarryByDesktops(k.r, k.right, k.down, &to), k.moves) << k.r.left << " " << k.right;
        if (!k.moves) continue;
        EXPECT_EQ(to.x, k.x) << k.r.left << " " << k.right;
        EXPECT_EQ(to.y, k.y) << k.r.left << " " << k.right;
    }
}

// ---- Remembered positions ----

class Remembered : public CoreTest {};

TEST_F(Remembered, MovesToTheRememberedDesktop) {
    Remember("Mail", Cell(2, 1));
    plat::Hwnd mail = Add("Mail", Rect{100, 100, 300, 300});
    ApplyRememberedPositions();
    EXPECT_EQ(sim::WindowRect(mail).left, 100 + 2048);
    EXPECT_EQ(sim::WindowRect(mail).top, 100 + 768);
    EXPECT_EQ(sim::BatchCount(), 1);
    EXPECT_EQ(desktop.switching, 0);
    // Already there: a second run leaves it alone.
    sim::ClearMoves();
    ApplyRememberedPositions();
    EXPECT_TRUE(sim::Moves().empty());
}

// A hung window is moved whenever it answers again; the batch never waits for it.
TEST_F(Remembered, HungWindowDoesNotHoldTheBatch) {
    Remember("Mail", Cell(1, 0));
    plat::Hwnd mail = Add("Mail", Rect{100, 100, 300, 300});
    sim::SetHung(mail, true);
    ApplyRememberedPositions();
    EXPECT_EQ(sim::HungWindowBlocks(), 0);
    sim::SetHung(mail, false);
    EXPECT_EQ(sim::WindowRect(mail).left, 100 + 1024);
}

TEST_F(Remembered, FromAnotherCurrentDesktop) {
    desktop.currentColumn = 2;
    desktop.currentRow = 1;
    Remember("Mail", Cell(0, 0));
    plat::Hwnd mail = Add("Mail", Rect{100, 100, 300, 300});  // on desktop (2, 1)
    ApplyRememberedPositions();
    EXPECT_EQ(sim::WindowRect(mail).left, 100 - 2048);
    EXPECT_EQ(sim::WindowRect(mail).top, 100 - 768);
}

TEST_F(Remembered, FirstEntryNeedingAMoveWins) {
    Remember("Mail*", Cell(0, 0));   // already satisfied: the search goes on
    Remember("Mail", Cell(1, 2));
    Remember("*", Cell(2, 2));       // not reached
    Remember("Mail", KeepInPlace | Cell(2, 0));
    plat::Hwnd mail = Add("Mail", Rect{100, 100, 300, 300});
    ApplyRememberedPositions();
    std::vector<sim::MoveRecord> m = MovesOf(mail);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].x, 100 + 1024);
    EXPECT_EQ(m[0].y, 100 + 2 * 768);
    EXPECT_EQ(m[0].flags, MoveFlags);
}

TEST_F(Remembered, PlanTable) {
    desktop.currentColumn = 1;
    Remember("Mail", KeepInPlace | Cell(2, 0));
    Remember("Mail", Cell(1, 1));
    Remember("Ed*", Cell(0, 0));
    Remember("Editor", Cell(2, 2));
    const struct {
        const char* title;
        Rect r;
        bool moves;
        int x, y;
    } cases[] = {
        {"Mail", {100, 100, 300, 300}, true, 100, 868},      {"Mail", {100, 868, 300, 1068}, false, 0, 0},
        {"mail", {-924, 100, -724, 300}, true, 100, 868},    {"Editor", {100, 100, 300, 300}, true, -924, 100},
        {"Editor", {-924, 100, -724, 300}, true, 1124, 1636}, {"Other", {100, 100, 300, 300}, false, 0, 0},
    };
    for (const auto& k : cases) {
        plat::Point to{};
        ASSERT_EQ(PlanRememberedMove(k.title, k.r, &to), k.moves) << k.title << " " << k.r.left;
        if (!k.moves) continue;
        EXPECT_EQ(to.x, k.x) << k.title << " " << k.r.left;
        EXPECT_EQ(to.y, k.y) << k.title << " " << k.r.left;
    }
}

TEST_F(Remembered, KeptEntriesNeverMoveAnything) {
    Remember("Clock", KeepInPlace | Cell(2, 2));
    plat::Hwnd clock = Add("Clock", Rect{100, 100, 300, 300});
    ApplyRememberedPositions();
    EXPECT_TRUE(MovesOf(clock).empty());
}

TEST_F(Remembered, HiddenMinimizedAndTopmostWindowsToo) {
    Remember("App", Cell(1, 0));
    sim::WindowSpec desc;
    desc.title = "App";
    desc.rect = Rect{100, 100, 300, 300};
    desc.visible = false;
    plat::Hwnd hidden = sim::AddWindow(desc);
    desc.visible = true;
    desc.minimized = true;
    plat::Hwnd iconic = sim::AddWindow(desc);
    desc.minimized = false;
    desc.topmost = true;  // above the pager
    plat::Hwnd top = sim::AddWindow(desc);
    ApplyRememberedPositions();
    for (plat::Hwnd w : {hidden, iconic, top}) {
        std::vector<sim::MoveRecord> m = MovesOf(w);
        ASSERT_EQ(m.size(), 1u);
        EXPECT_EQ(m[0].x, 100 + 1024);
    }
}

TEST_F(Remembered, CellsOutsideTheGridAreIgnored) {
    // 3 x 3 grid: column or row 3 and above name no desktop; a later entry still applies.
    Remember("Far", Cell(5, 0));
    Remember("Far", 0xFF);
    Remember("Deep", Cell(0, 3));
    Remember("Deep", Cell(1, 2));
    plat::Hwnd far = Add("Far", Rect{4000, 100, 4200, 300});
    plat::Hwnd deep = Add("Deep", Rect{100, 100, 300, 300});
    ApplyRememberedPositions();
    EXPECT_TRUE(MovesOf(far).empty());
    EXPECT_EQ(sim::WindowRect(deep).left, 100 + 1024);
    EXPECT_EQ(sim::WindowRect(deep).top, 100 + 2 * 768);
}

TEST_F(Remembered, TitlesAreCutLikeEverywhere) {
    const std::string title = std::string(MaxTitleLength, 'x') + "END";
    Remember("*end", Cell(1, 0));
    plat::Hwnd w = Add(title, Rect{100, 100, 300, 300});
    ApplyRememberedPositions();
    EXPECT_TRUE(MovesOf(w).empty());
    FreePositionList();
    Remember(std::string(MaxTitleLength, 'x').c_str(), Cell(1, 0));
    ApplyRememberedPositions();
    EXPECT_EQ(MovesOf(w).size(), 1u);
}

TEST_F(Remembered, PatternsInAnyScriptFoldOnlyAsciiLetters) {
    const std::string title = "日本語 – Ωmega 🎉 e\xCC\x81";  // e + combining acute accent
    const struct {
        const char* pattern;
        bool moves;
    } rows[] = {
        {"日本語*", true},
        {"*🎉 e\xCC\x81", true},
        {"日本語 – ΩMEGA 🎉 E\xCC\x81", true},  // only the ASCII letters fold
        {"*ωmega 🎉 e\xCC\x81", false},         // Greek small omega is another letter
        {"*\xC3\xA9", false},                   // precomposed é: other bytes
        {"日本*", true},
        {"日本語", false},                        // the whole title or nothing
    };
    for (const auto& row : rows) {
        FreePositionList();
        Remember(row.pattern, Cell(1, 0));
        plat::Hwnd w = Add(title, Rect{100, 100, 300, 300});
        sim::ClearMoves();
        ApplyRememberedPositions();
        EXPECT_EQ(MovesOf(w).size(), row.moves ? 1u : 0u) << row.pattern;
        sim::RemoveWindow(w);
    }
    // The title is read cut before the character that would straddle the limit.
    FreePositionList();
    Remember(std::string(MaxTitleLength - 1, 'x').c_str(), Cell(1, 0));
    plat::Hwnd w = Add(std::string(MaxTitleLength - 1, 'x') + "語", Rect{100, 100, 300, 300});
    ApplyRememberedPositions();
    EXPECT_EQ(MovesOf(w).size(), 1u);
}

TEST_F(Remembered, PagerIsRedrawnAfterwards) {
    ApplyRememberedPositions();
    std::vector<sim::InvalidateRecord> inv = sim::Invalidations();
    ASSERT_FALSE(inv.empty());
    EXPECT_EQ(inv.back().window, PagerWindow());
    EXPECT_TRUE(inv.back().erase);
    EXPECT_TRUE(inv.back().wholeClient);
}

}  // namespace
