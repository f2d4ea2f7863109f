// The pager window procedure with the program running: hotkeys, closing, the libraries'
// messages, the tray icon and the late moves of hung windows.
#include "config/hookblock.h"
#include "core/switching.h"
#include "tests/app_harness.h"

using namespace apptest;

namespace {

constexpr std::uint32_t CtrlAlt = plat::MOD_ALT | plat::MOD_CONTROL;

class MainWindowTest : public AppTest {
protected:
    static int PagerInvalidations() {
        int n = 0;
        for (const sim::InvalidateRecord& r : sim::Invalidations())
            n += r.window == Pager() && !r.erase && r.wholeClient;
        return n;
    }
};

TEST_F(MainWindowTest, DesktopHotkeysSwitchWithinTheGridAndInvalidateAnExpandedPager) {
    plat::Hwnd a = AddWindow("A", {10, 10, 110, 110});
    Run();
    Press(plat::VK_RIGHT);
    EXPECT_EQ(sim::WindowRect(a).left, 10 - 1024);
    EXPECT_EQ(desktop.currentColumn, 1);
    Press(plat::VK_DOWN);
    EXPECT_EQ(sim::WindowRect(a).top, 10 - 768);
    EXPECT_EQ(desktop.currentRow, 1);
    Press(plat::VK_UP);
    Press(plat::VK_LEFT);
    EXPECT_EQ(sim::WindowRect(a).left, 10);
    EXPECT_EQ(sim::WindowRect(a).top, 10);

    // Column 0: nothing moves, but an expanded pager is still redrawn.
    plat::PostMessage(Pager(), plat::WM_NCMOUSEMOVE, 0, 0);
    ASSERT_TRUE(program.Barrier());
    ASSERT_TRUE(pager.expanded);
    const int before = PagerInvalidations();
    sim::ClearMoves();
    Press(plat::VK_LEFT);
    EXPECT_TRUE(sim::Moves().empty());
    EXPECT_EQ(desktop.currentColumn, 0);
    EXPECT_EQ(PagerInvalidations(), before + 1);
    EXPECT_EQ(program.Close(), ExitRan);
}

// Each row: grid, starting desktop, the hotkey ids in the queue (the first is the one taken);
// how many go in one switch and where they lead.
TEST(HotkeyRun, QueuedHotkeysOfOneKindGoTogetherWithinTheGrid) {
    struct Case {
        int columns, rows, column, row;
        std::vector<int> ids;
        int taken, toColumn, toRow;
    };
    const std::vector<int> twelveRight(12, HotkeyRight), twelveLeft(12, HotkeyLeft);
    const Case cases[] = {
        {3, 3, 0, 0, {4, 4, 4, 4, 4}, 5, 2, 0},  // the steps beyond the edge are none
        {3, 3, 0, 1, {3, 4, 4}, 3, 2, 1},        // left at the edge does nothing, not less than that
        {3, 3, 1, 1, {3, 4}, 2, 1, 1},           // there and back
        {3, 3, 1, 0, {1, 2, 1, 2, 2}, 5, 1, 2},
        {3, 3, 1, 1, {4, 5, 4}, 1, 2, 1},        // the shell hotkey stays queued, and what follows it
        {3, 3, 1, 1, {4, 8, 4}, 1, 2, 1},        // a carry hotkey ends a run of switches
        {3, 3, 1, 1, {8, 9, 9, 4}, 3, 2, 1},     // and the other way round
        {3, 3, 1, 1, {4, 0, 4}, 1, 2, 1},        // an id of no hotkey
        {20, 1, 0, 0, twelveRight, 10, 10, 0},   // one switch goes ten desktops at most
        {20, 1, 15, 0, twelveLeft, 10, 5, 0},
        {1, 1, 0, 0, {1, 2, 3, 4}, 4, 0, 0},
        {3, 3, 0, 0, {5, 4}, 0, 0, 0},           // the shell hotkey begins no run
    };
    for (const Case& c : cases) {
        HotkeyRun run = StartHotkeyRun(c.ids[0], c.column, c.row, c.columns, c.rows);
        for (std::size_t i = 1; i < c.ids.size() && JoinHotkeyRun(run, c.ids[i], c.columns, c.rows); ++i) {
        }
        SCOPED_TRACE(::testing::PrintToString(c.ids) + " from " + std::to_string(c.column) + "," +
                     std::to_string(c.row));
        EXPECT_EQ(run.taken, c.taken);
        EXPECT_EQ(run.column, c.toColumn);
        EXPECT_EQ(run.row, c.toRow);
        EXPECT_EQ(run.fromColumn, c.column);
        EXPECT_EQ(run.fromRow, c.row);
    }
}

// Five hotkeys waiting in the queue make one switch, and leave the desktop and every window
// where five switches one by one leave them; at each edge of the 3x3 grid.
TEST_F(MainWindowTest, QueuedHotkeysMakeOneSwitchEndingWhereSingleSwitchesEnd) {
    const plat::Hwnd ws[] = {AddWindow("A", {10, 10, 110, 110}), AddWindow("B", {1500, 900, 1600, 1000})};
    Run();
    constexpr std::uint32_t L = plat::VK_LEFT, R = plat::VK_RIGHT, U = plat::VK_UP, D = plat::VK_DOWN;
    struct Case {
        int column, row;
        std::vector<std::uint32_t> keys;
    };
    const Case cases[] = {{0, 0, {L, L, L, L, L}}, {0, 0, {U, U, U, U, U}}, {2, 0, {R, R, R, R, R}},
                          {0, 2, {D, D, D, D, D}}, {2, 2, {R, D, R, D, R}}, {0, 1, {L, R, R, R, R}},
                          {1, 0, {U, D, U, D, D}}, {2, 1, {R, L, L, R, L}}, {1, 1, {L, R, U, D, L}}};
    auto goTo = [&](int column, int row) {
        while (desktop.currentColumn < column) Press(R);
        while (desktop.currentColumn > column) Press(L);
        while (desktop.currentRow < row) Press(D);
        while (desktop.currentRow > row) Press(U);
    };
    auto places = [&] {
        std::vector<int> at{desktop.currentColumn, desktop.currentRow};
        for (plat::Hwnd w : ws) {
            const plat::Rect r = sim::WindowRect(w);
            at.insert(at.end(), {r.left, r.top, r.right, r.bottom});
        }
        return at;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.keys) + " from " + std::to_string(c.column) + "," +
                     std::to_string(c.row));
        goTo(c.column, c.row);
        const std::vector<int> start = places();
        for (std::uint32_t k : c.keys) Press(static_cast<int>(k));
        const std::vector<int> oneByOne = places();
        goTo(c.column, c.row);
        ASSERT_EQ(places(), start);
        const int batches = sim::BatchCount();
        ASSERT_TRUE(sim::PressHotkeys(CtrlAlt, c.keys));
        ASSERT_TRUE(program.Barrier());
        EXPECT_EQ(places(), oneByOne);
        EXPECT_EQ(sim::BatchCount() - batches, oneByOne == start ? 0 : 1);
    }
    // The shell hotkey between two switch hotkeys is neither lost nor taken into the switch.
    goTo(0, 0);
    ASSERT_TRUE(sim::PressHotkeys(CtrlAlt, {R, plat::VK_SPACE, R}));
    ASSERT_TRUE(program.Barrier());
    EXPECT_EQ(desktop.currentColumn, 2);
    EXPECT_TRUE(sim::IsVisible(CommandWin()));
    EXPECT_EQ(program.Close(), ExitRan);
}

// Keys that come while the switch waits for a freshly hung window's answer go in its batch.
TEST_F(MainWindowTest, HotkeysPressedDuringTheProbeJoinItsSwitch) {
    const plat::Hwnd a = AddWindow("A", {10, 10, 110, 110});
    const plat::Hwnd hung = AddWindow("hung", {200, 10, 300, 110});
    Run({{"XResolution", 9}, {"YResolution", 1}});
    sim::SetHung(hung, true);
    const int batches = sim::BatchCount();
    ASSERT_TRUE(sim::PressHotkey(CtrlAlt, plat::VK_RIGHT));
    ASSERT_TRUE(sim::WaitFor([&] { return sim::HeldCallbacks(hung) > 0; }));
    ASSERT_TRUE(sim::PressHotkeys(CtrlAlt, std::vector<std::uint32_t>(4, plat::VK_RIGHT)));
    ASSERT_TRUE(program.Barrier());
    EXPECT_EQ(sim::BatchCount() - batches, 1);
    EXPECT_EQ(desktop.currentColumn, 5);
    EXPECT_EQ(sim::WindowRect(a).left, 10 - 5 * 1024);
    sim::SetHung(hung, false);
    ASSERT_TRUE(sim::WaitFor([&] { return sim::WindowRect(hung).left == 200 - 5 * 1024; }));
    EXPECT_EQ(program.Close(), ExitRan);
}

TEST_F(MainWindowTest, ShellHotkeyBringsUpTheCommandWindow) {
    Run();
    sim::SetCursor(500, 400);
    ASSERT_TRUE(sim::PressHotkey(CtrlAlt, plat::VK_SPACE));
    ASSERT_TRUE(sim::WaitFor([] { return sim::IsVisible(CommandWin()); }));
    EXPECT_EQ(sim::WindowRect(CommandWin()).left, 500 - 64);
    EXPECT_EQ(program.Close(), ExitRan);
}

TEST_F(MainWindowTest, HotkeysTakenByAnotherProgram) {
    sim::HoldHotkey(CtrlAlt, plat::VK_LEFT);
    sim::HoldHotkey(CtrlAlt, plat::VK_SPACE);
    plat::Hwnd a = AddWindow("A", {10, 10, 110, 110});
    Run();
    EXPECT_EQ(HotkeyIds(sim::HotkeyAttempts()), (std::vector<int>{1, 2, 3, 5}));
    EXPECT_EQ(HotkeyIds(sim::Hotkeys()), (std::vector<int>{1, 2}));
    ASSERT_EQ(sim::MessageBoxes().size(), 2u);
    // Names the key that is taken and points to where other keys are chosen.
    EXPECT_EQ(sim::MessageBoxes()[0].text,
              "Unable to register hot keys - disabling!\r\n\r\nAnother program already uses "
              "Ctrl+Alt+Left, so Ctrl+Alt with the arrow keys cannot switch desktops. Choose other "
              "keys under \"Navigation modifiers\" on the Desktops page of the settings.");
    EXPECT_EQ(sim::MessageBoxes()[1].text, "Unable to register shell hotkey - disabling!");
    for (const sim::MessageBoxRecord& m : sim::MessageBoxes()) {
        EXPECT_EQ(m.owner, Pager());
        EXPECT_EQ(m.caption, "Error");  // no caption of our own
        EXPECT_EQ(m.type, plat::MB_ICONINFORMATION);
    }
    // The desktop set is off for this run only; the shell hotkey stays off.
    EXPECT_FALSE(sim::GetValue("HKCU", Pref, "Switch hotkeys").exists);
    EXPECT_EQ(sim::GetValue("HKCU", Pref, "Disable shell").AsDword(), 1u);
    Press(plat::VK_DOWN);  // registered before the failure: still works
    EXPECT_EQ(sim::WindowRect(a).top, 10 - 768);
    EXPECT_EQ(program.Close(), ExitRan);

    Program second;
    second.Start();
    ASSERT_TRUE(second.WaitRunning());
    // The desktop set is tried again; the shell hotkey is not.
    ASSERT_EQ(sim::MessageBoxes().size(), 3u);
    EXPECT_EQ(sim::MessageBoxes()[2].text, sim::MessageBoxes()[0].text);
    int shellAttempts = 0;
    for (const sim::HotkeyRecord& h : sim::HotkeyAttempts()) shellAttempts += h.id == 5;
    EXPECT_EQ(shellAttempts, 1);
    EXPECT_EQ(second.Close(), ExitRan);
}

TEST_F(MainWindowTest, CarryKeysTakeTheForegroundWindowAlong) {
    plat::Hwnd a = AddWindow("A", {10, 10, 110, 110});
    plat::Hwnd b = AddWindow("B", {200, 200, 300, 300});
    Run();
    sim::SetForeground(b);
    ASSERT_TRUE(sim::PressHotkey(CtrlAlt | plat::MOD_SHIFT, plat::VK_RIGHT));
    ASSERT_TRUE(program.Barrier());
    EXPECT_EQ(desktop.currentColumn, 1);
    EXPECT_EQ(sim::WindowRect(a).left, 10 - 1024);
    EXPECT_EQ(sim::WindowRect(b).left, 200);
    // Held carry keys join in one switch, and the window still comes along.
    const int batches = sim::BatchCount();
    ASSERT_TRUE(sim::PressHotkeys(CtrlAlt | plat::MOD_SHIFT, {plat::VK_DOWN, plat::VK_DOWN, plat::VK_RIGHT}));
    ASSERT_TRUE(program.Barrier());
    EXPECT_EQ(sim::BatchCount() - batches, 1);
    EXPECT_EQ(desktop.currentColumn, 2);
    EXPECT_EQ(desktop.currentRow, 2);
    EXPECT_EQ(sim::WindowRect(a).left, 10 - 2048);
    EXPECT_EQ(sim::WindowRect(a).top, 10 - 1536);
    EXPECT_EQ(sim::WindowRect(b).left, 200);
    EXPECT_EQ(sim::WindowRect(b).top, 200);
    EXPECT_EQ(program.Close(), ExitRan);
}

TEST_F(MainWindowTest, TakenCarryKeyGivesUpTheCarryKeysAlone) {
    sim::HoldHotkey(CtrlAlt | plat::MOD_SHIFT, plat::VK_LEFT);
    Run();
    EXPECT_EQ(HotkeyIds(sim::HotkeyAttempts()), (std::vector<int>{1, 2, 3, 4, 6, 7, 8, 5}));
    EXPECT_EQ(HotkeyIds(sim::Hotkeys()), (std::vector<int>{1, 2, 3, 4, 5}));
    ASSERT_EQ(sim::MessageBoxes().size(), 1u);
    EXPECT_EQ(sim::MessageBoxes()[0].text,
              "Unable to register hot keys - disabling!\r\n\r\nAnother program already uses "
              "Ctrl+Alt+Shift+Left, so Ctrl+Alt+Shift with the arrow keys cannot take the active "
              "window to other desktops. Choose other keys under \"Navigation modifiers\" on the "
              "Desktops page of the settings.");
    EXPECT_FALSE(sim::GetValue("HKCU", Pref, "Switch hotkeys").exists);
    EXPECT_EQ(program.Close(), ExitRan);
}

TEST_F(MainWindowTest, CloseIsRefusedWhileADialogIsOpen) {
    Gate pref, about;
    sim::OnShowPref([&](void*, int, void*) {
        pref.Wait();
        return 0;
    });
    std::atomic<bool> running{false};  // the start-up box is not held
    sim::OnShowAbout([&] {
        if (running) about.Wait();
    });
    Run();
    running = true;
    program.Command(CmdSettings);
    ASSERT_TRUE(sim::WaitFor([] { return settingsDialogOpen != 0; }));
    program.Command(CmdClose);
    plat::PostMessage(Pager(), plat::WM_SYSCOMMAND, plat::SC_CLOSE, 0);
    // Chosen while the settings dialog is open, About waits for it.
    program.Command(CmdAbout);
    ASSERT_TRUE(program.Barrier());
    ASSERT_EQ(sim::MessageBoxes().size(), 2u);
    EXPECT_EQ(sim::MessageBoxes()[0].text, "You must close the settings dialog first.");
    EXPECT_EQ(sim::MessageBoxes()[0].caption, "Can't close");
    EXPECT_EQ(sim::MessageBoxes()[0].owner, Pager());
    EXPECT_EQ(sim::MessageBoxes()[0].type, plat::MB_ICONERROR);
    EXPECT_EQ(aboutDialogOpen, 0);

    pref.Open();
    ASSERT_TRUE(sim::WaitFor([] { return aboutDialogOpen != 0; }));
    program.Command(CmdClose);
    ASSERT_TRUE(program.Barrier());
    ASSERT_EQ(sim::MessageBoxes().size(), 3u);
    EXPECT_EQ(sim::MessageBoxes()[2].text, "You must close the about dialog first.");
    EXPECT_FALSE(program.Done());

    about.Open();
    ASSERT_TRUE(sim::WaitFor([] { return aboutDialogOpen == 0; }));
    EXPECT_EQ(program.Close(), ExitRan);
}

TEST_F(MainWindowTest, CloseWithoutRescaleReturnsToTheFirstDesktop) {
    plat::Hwnd a = AddWindow("A", {10, 10, 110, 110});
    Run({{"Rescale On Exit", 0}});
    Press(plat::VK_RIGHT);
    Press(plat::VK_RIGHT);
    Press(plat::VK_DOWN);
    ASSERT_EQ(sim::WindowRect(a).left, 10 - 2048);
    plat::Hwnd b = AddWindow("B", {5, 300, 105, 400});  // opened on desktop (2, 1)
    EXPECT_EQ(program.Close(), ExitRan);
    EXPECT_EQ(sim::WindowRect(a).left, 10);
    EXPECT_EQ(sim::WindowRect(a).top, 10);
    EXPECT_EQ(sim::WindowRect(b).left, 2048 + 5);
    EXPECT_EQ(sim::WindowRect(b).top, 768 + 300);
    EXPECT_EQ(desktop.currentColumn, 0);
    EXPECT_EQ(desktop.currentRow, 0);
}

TEST_F(MainWindowTest, CloseWithRescaleFoldsEveryWindowOntoTheScreen) {
    plat::Hwnd a = AddWindow("A", {10, 10, 110, 110});
    Run();
    Press(plat::VK_RIGHT);
    Press(plat::VK_RIGHT);
    EXPECT_EQ(program.Close(), ExitRan);
    EXPECT_EQ(sim::WindowRect(a).left, 10);
    EXPECT_EQ(desktop.currentColumn, 2);  // left as it was
}

TEST_F(MainWindowTest, ClosedFromOutsideWhileTheSettingsDialogIsOpen) {
    Gate pref;
    std::atomic<bool> blockUsable{false};
    sim::OnShowPref([&](void* record, int, void*) {
        pref.Wait();
        // The dialog still edits the middle-button entries after the pager has gone.
        MiddleButtonEntry* entry = static_cast<Settings*>(record)->defaultMiddleEntry;
        blockUsable = entry != nullptr;
        if (entry) entry->transmit = 3;
        return 0;
    });
    plat::Hwnd far = AddWindow("Far", {1024 + 10, 10, 1024 + 110, 110});
    Run();
    program.Command(CmdSettings);
    ASSERT_TRUE(sim::WaitFor([] { return settingsDialogOpen != 0; }));
    plat::PostMessage(Pager(), plat::WM_CLOSE, 0, 0);
    // Restored as the pager is destroyed, while the dialog is still open.
    EXPECT_TRUE(sim::WaitFor([&] { return sim::WindowRect(far).left == 10; }));
    EXPECT_TRUE(sim::WaitFor([] { return Pager() == nullptr; }));
    // Shutdown has run up to the wait for the dialog thread.
    ASSERT_TRUE(sim::WaitFor([] { return sim::HelpCalls().size() >= 2; }));
    EXPECT_FALSE(program.Done());
    pref.Open();
    EXPECT_EQ(program.Join(), ExitRan);
    EXPECT_TRUE(blockUsable);
    EXPECT_TRUE(sim::MessageBoxes().empty());
}

TEST_F(MainWindowTest, OtherSystemCommandsGoToTheDefaultProcedure) {
    Run();
    // SC_CLOSE with low bits set is not exactly SC_CLOSE: the default procedure closes the
    // window, so the program ends through the destruction route.
    plat::PostMessage(Pager(), plat::WM_SYSCOMMAND, plat::SC_CLOSE + 1, 0);
    EXPECT_EQ(program.Join(), ExitRan);
}

TEST_F(MainWindowTest, PositionListIsRebuiltWithKeptEntriesLast) {
    Run();
    plat::Hwnd list = sim::AddListBox({{"kept one", KeepInPlace | 1},
                                       {"b", 0x0102},
                                       {"kept two", KeepInPlace | MinimizeOnSwitch},
                                       {"c*", MinimizeOnSwitch | 2}});
    plat::SendMessage(Pager(), MsgPositionList, 0, reinterpret_cast<plat::LParam>(list));
    std::vector<std::pair<std::string, std::uint32_t>> got;
    for (const WindowPositionEntry* e = settings.positionList.next; e; e = e->next)
        got.push_back({e->name, e->position});
    EXPECT_EQ(got, (std::vector<std::pair<std::string, std::uint32_t>>{
                       {"b", 0x0102},
                       {"c*", MinimizeOnSwitch | 2},
                       {"kept one", KeepInPlace | 1},
                       {"kept two", KeepInPlace | MinimizeOnSwitch}}));

    plat::SendMessage(Pager(), MsgPositionList, 0, 0x7777);  // no list box: nothing changes
    EXPECT_NE(settings.positionList.next, nullptr);

    plat::SendMessage(Pager(), MsgPositionList, 0,
                       reinterpret_cast<plat::LParam>(sim::AddListBox({})));
    EXPECT_EQ(settings.positionList.next, nullptr);
    EXPECT_FALSE(sim::GetValue("HKCU", "Software\\Orvanne\\Parmena\\Window Positions", "Count").exists);
    EXPECT_EQ(program.Close(), ExitRan);
}

TEST_F(MainWindowTest, PositionListOnlyFromOurOwnListBoxesAndBounded) {
    Run();
    auto send = [](plat::Hwnd list) {
        plat::SendMessage(Pager(), MsgPositionList, 0, reinterpret_cast<plat::LParam>(list));
    };
    auto names = [] {
        std::vector<std::string> out;
        for (const WindowPositionEntry* e = settings.positionList.next; e; e = e->next)
            out.push_back(e->name);
        return out;
    };
    send(sim::AddListBox({{"mine", 0}}));
    ASSERT_EQ(names(), std::vector<std::string>{"mine"});

    // Another program's list box, and a window of ours that is no list box: nothing changes.
    send(sim::AddListBox({{"theirs", 0}}, true));
    send(sim::AddWindow({"not a list"}));
    send(CommandWin());
    EXPECT_EQ(names(), std::vector<std::string>{"mine"});

    // A list box claiming 2^31 items is read only up to the cap.
    plat::Hwnd huge = sim::AddListBox({{"a", 0}, {"b", 0}});
    sim::ClaimListBoxCount(huge, 0x7fffffff);
    send(huge);
    EXPECT_EQ(names(), (std::vector<std::string>{"a", "b"}));

    // An item that grows between its length and its text is read again, not overrun.
    plat::Hwnd racing = sim::AddListBox({{"short", 0}, {"next", 0}});
    sim::ChangeListTextAfterLength(racing, 0, std::string(5000, 'g'));
    send(racing);
    const std::vector<std::string> got = names();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], std::string(MaxPositionNameLength, 'g'));
    EXPECT_EQ(got[1], "next");
    EXPECT_EQ(program.Close(), ExitRan);
}

TEST_F(MainWindowTest, LibraryMessagesAreAnswered) {
    plat::Hwnd w = AddWindow("W", {1024 + 10, 2 * 768 + 10, 1024 + 110, 2 * 768 + 110});
    Run();
    EXPECT_EQ(plat::SendMessage(Pager(), MsgWindowCell, reinterpret_cast<plat::WParam>(w), 0),
              0x0201);
    plat::PostMessage(Pager(), MsgMoveCursor, 17, 5);
    ASSERT_TRUE(sim::WaitFor([] { return sim::Cursor().x == 17 && sim::Cursor().y == 5; }));
    plat::MinMaxInfo info{};
    plat::SendMessage(Pager(), plat::WM_GETMINMAXINFO, 0, reinterpret_cast<plat::LParam>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 9);
    EXPECT_EQ(info.ptMinTrackSize.y, 9);
    EXPECT_EQ(program.Close(), ExitRan);
}

TEST_F(MainWindowTest, TrayPressOpensTheMenuAtTheCursorAndGivesTheForegroundBack) {
    plat::Hwnd other = AddWindow("Other", {10, 10, 110, 110});
    sim::SetForeground(other);
    Run({{"Disable navigation", 1}});
    sim::SetCursor(700, 750);
    plat::PostMessage(Pager(), MsgTrayIcon, TrayIconId, plat::WM_RBUTTONDOWN);
    plat::PostMessage(Pager(), MsgTrayIcon, TrayIconId, plat::WM_LBUTTONDBLCLK);
    plat::PostMessage(Pager(), MsgTrayIcon, TrayIconId, plat::WM_RBUTTONUP);
    ASSERT_TRUE(program.Barrier());
    ExpectPagerMenuAt(700, 750, other);
    EXPECT_EQ(program.Close(), ExitRan);
}

TEST_F(MainWindowTest, HungWindowIsMovedToItsTargetWhenItAnswersAgain) {
    plat::Hwnd hung = AddWindow("Hung", {10, 10, 110, 110});
    plat::Hwnd fine = AddWindow("Fine", {20, 20, 120, 120});
    sim::SetHung(hung, true);
    Run();
    Press(plat::VK_RIGHT);
    EXPECT_EQ(sim::WindowRect(fine).left, 20 - 1024);
    EXPECT_EQ(sim::WindowRect(hung).left, 10);
    // The program moves its own window meanwhile; the late move still goes to the
    // position computed at the switch, not by an offset.
    sim::SetRect(hung, {50, 60, 150, 160});
    sim::SetHung(hung, false);
    ASSERT_TRUE(sim::WaitFor([&] { return sim::WindowRect(hung).left == 10 - 1024; }));
    EXPECT_EQ(sim::WindowRect(hung).top, 10);
    const sim::MoveRecord last = sim::Moves().back();
    EXPECT_EQ(last.window, hung);
    EXPECT_EQ(last.via, "SetWindowPos");
    EXPECT_EQ(last.threadId, static_cast<std::uint32_t>(moveThreadId));

    // A window still hung at the end gets its held move, brought home, without a wait.
    sim::SetHung(hung, true);
    Press(plat::VK_LEFT);
    EXPECT_EQ(sim::WindowRect(hung).left, 10 - 1024);
    EXPECT_EQ(program.Close(), ExitRan);
    EXPECT_EQ(sim::HungWindowBlocks(), 0);
    sim::SetHung(hung, false);  // what was posted to it lands now, the way home last
    EXPECT_EQ(sim::WindowRect(hung).left, 10);
}

TEST_F(MainWindowTest, WindowHungThroughSeveralSwitchesEndsOnItsOwnDesktop) {
    plat::Hwnd hung = AddWindow("Hung", {10, 10, 110, 110});
    plat::Hwnd fine = AddWindow("Fine", {20, 20, 120, 120});
    sim::SetHung(hung, true);
    Run();
    // Every switch reads the same unmoved rectangle; the late moves must add up all the same.
    Press(plat::VK_RIGHT);
    Press(plat::VK_RIGHT);
    Press(plat::VK_DOWN);
    EXPECT_EQ(sim::WindowRect(fine).left, 20 - 2048);
    EXPECT_EQ(sim::WindowRect(hung).left, 10);
    // The move thread holds one request for it, with the target of all three.
    ASSERT_TRUE(program.Barrier());
    EXPECT_EQ(sim::HeldCallbacks(hung, plat::WM_QUERYDRAGICON), 1);
    sim::SetHung(hung, false);
    ASSERT_TRUE(sim::WaitFor([&] {
        return sim::WindowRect(hung).left == 10 - 2048 && sim::WindowRect(hung).top == 10 - 768;
    }));

    // Back and forth while hung: it comes back where it was, not a desktop away.
    sim::SetHung(hung, true);
    Press(plat::VK_LEFT);
    Press(plat::VK_RIGHT);
    ASSERT_TRUE(program.Barrier());
    EXPECT_EQ(sim::HeldCallbacks(hung, plat::WM_QUERYDRAGICON), 1);
    auto movesOfHung = [&] {
        int n = 0;
        for (const sim::MoveRecord& m : sim::Moves()) n += m.window == hung;
        return n;
    };
    const int before = movesOfHung();
    sim::SetHung(hung, false);
    ASSERT_TRUE(sim::WaitFor([&] { return movesOfHung() == before + 1; }));
    ASSERT_TRUE(program.Barrier());
    EXPECT_EQ(sim::WindowRect(hung).left, 10 - 2048);
    EXPECT_EQ(program.Close(), ExitRan);
}

TEST_F(MainWindowTest, MouseCoordinatesAreSignedWords) {
    Run({{"MinimizeTolvo", 0}});
    // A right press at client (-3, -5), as under a captured mouse, opens the menu there.
    const plat::LParam lp = static_cast<plat::LParam>(static_cast<std::int32_t>(0xFFFBFFFDu));
    plat::PostMessage(Pager(), plat::WM_RBUTTONDOWN, 0, lp);
    ASSERT_TRUE(sim::WaitFor([] { return !sim::MenusShown().empty(); }));
    plat::Point at{-3, -5};
    plat::ClientToScreen(Pager(), &at);
    EXPECT_EQ(sim::MenusShown()[0].x, at.x);
    EXPECT_EQ(sim::MenusShown()[0].y, at.y);
    EXPECT_EQ(program.Close(), ExitRan);
}

}  // namespace
