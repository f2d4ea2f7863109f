// Start-up and shutdown of the whole program: order, failure exits, and what is left behind.
#include "config/hookblock.h"
#include "platform/kernel.h"
#include "tests/app_harness.h"

using namespace apptest;

namespace {

using StartupTest = AppTest;

// After a run nothing of it may remain: windows, classes, GDI objects, hotkeys, tray icons.
void ExpectNothingLeft() {
    EXPECT_EQ(Pager(), nullptr);
    EXPECT_EQ(CommandWin(), nullptr);
    EXPECT_EQ(sim::LiveGdiObjects(), 0);
    EXPECT_EQ(sim::LiveDCs(), 0);
    EXPECT_TRUE(sim::TrayIcons().empty());
    EXPECT_TRUE(sim::Timers().empty());
    EXPECT_EQ(sim::GdiViolations(), 0);
}

// The shared block is gone when a new mapping of its name is not reported as existing.
bool HookBlockReleased() {
    plat::Handle m = plat::CreateFileMapping(plat::INVALID_HANDLE_VALUE, nullptr,
                                              plat::PAGE_READWRITE, 0, HookBlockSize, HookMapName);
    bool released = m && plat::GetLastError() != static_cast<std::uint32_t>(plat::ERROR_ALREADY_EXISTS);
    if (m) plat::CloseHandle(m);
    return released;
}

TEST_F(StartupTest, FirstStartWaitsForTheAboutBoxThenRunsAndShutsDownCleanly) {
    Gate about;
    std::atomic<std::uint32_t> aboutThread{0};
    sim::OnShowAbout([&] {
        aboutThread = plat::GetCurrentThreadId();
        about.Wait();
    });
    Program p;
    p.Start();

    // The pager is being created while the box is open: nothing after step 8 has happened.
    ASSERT_TRUE(sim::WaitFor([&] { return aboutThread.load() != 0; }));
    EXPECT_NE(aboutDialogOpen, 0);
    EXPECT_TRUE(sim::KeyExists("HKCU", Pref));
    EXPECT_TRUE(sim::KeyExists("HKLM", "Software\\Orvanne\\Parmena\\Shortcuts"));
    ASSERT_NE(CommandWin(), nullptr);
    EXPECT_FALSE(sim::IsVisible(CommandWin()));
    EXPECT_TRUE(sim::Timers().empty());
    EXPECT_TRUE(sim::HotkeyAttempts().empty());
    EXPECT_EQ(aboutThread.load(), dialogThreadId);

    about.Open();
    ASSERT_TRUE(p.WaitRunning());
    EXPECT_TRUE(sim::WaitFor([] { return aboutDialogOpen == 0; }));  // cleared after the signal
    plat::Hwnd pager = Pager();
    EXPECT_TRUE(sim::IsVisible(pager));
    EXPECT_EQ(settings.pagerWindow, pager);
    EXPECT_EQ(sim::WindowRect(pager).right - sim::WindowRect(pager).left, 9);
    EXPECT_EQ(sim::ZOrder().front(), pager);  // topmost
    ASSERT_EQ(sim::Timers().size(), 1u);
    EXPECT_EQ(sim::Timers()[0].window, pager);
    EXPECT_EQ(sim::Timers()[0].ms, 100u);
    // The carry keys (6 to 9) add Shift to the switching keys.
    EXPECT_EQ(HotkeyIds(sim::Hotkeys()), (std::vector<int>{1, 2, 3, 4, 6, 7, 8, 9, 5}));
    for (const sim::HotkeyRecord& h : sim::Hotkeys()) {
        EXPECT_EQ(h.window, pager);
        EXPECT_EQ(h.modifiers, plat::MOD_ALT | plat::MOD_CONTROL |
                                   (h.id >= 6 && h.id <= 9 ? plat::MOD_SHIFT : 0u));
    }
    EXPECT_EQ(sim::Hotkeys()[8].vk, static_cast<std::uint32_t>(plat::VK_SPACE));
    EXPECT_EQ(CountHookCalls("SetMBHook"), 1);
    EXPECT_TRUE(sim::MessageBoxes().empty());

    EXPECT_EQ(p.Close(), ExitRan);
    EXPECT_EQ(CountHookCalls("RemoveMBHook"), 1);
    EXPECT_TRUE(sim::Hotkeys().empty());
    std::vector<plat::Hwnd> quitHelp;
    for (const sim::HelpRecord& h : sim::HelpCalls()) {
        EXPECT_EQ(h.file, "parm.hlp");
        if (h.command == plat::HELP_QUIT) quitHelp.push_back(h.window);
    }
    EXPECT_EQ(quitHelp.size(), 2u);
    EXPECT_TRUE(HookBlockReleased());
    ExpectNothingLeft();
}

TEST_F(StartupTest, SecondInstanceLeavesTheFirstUntouched) {
    // The running first instance, as another process holding the shared block.
    plat::Handle first = plat::CreateFileMapping(plat::INVALID_HANDLE_VALUE, nullptr,
                                                  plat::PAGE_READWRITE, 0, HookBlockSize, HookMapName);
    auto* block = static_cast<HookBlock*>(plat::MapViewOfFile(first, plat::FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_NE(block, nullptr);
    block->pagerWindow = 0x1234;
    block->entryCount = 7;

    Program p;
    p.Start();
    EXPECT_EQ(p.Join(), 0);  // what the user wanted runs
    ASSERT_EQ(sim::MessageBoxes().size(), 1u);
    EXPECT_EQ(sim::MessageBoxes()[0].owner, nullptr);
    EXPECT_EQ(sim::MessageBoxes()[0].text, "You can only have one instance of Parmena running!");
    EXPECT_EQ(sim::MessageBoxes()[0].caption, "Another Parm found");
    EXPECT_EQ(sim::MessageBoxes()[0].type, plat::MB_ICONERROR);
    EXPECT_EQ(block->pagerWindow, 0x1234u);
    EXPECT_EQ(block->entryCount, 7);
    EXPECT_TRUE(sim::ValueNames("HKCU", Pref).empty());
    EXPECT_TRUE(sim::HotkeyAttempts().empty());
    ExpectNothingLeft();
    EXPECT_FALSE(HookBlockReleased());  // the first instance's block is still there
    plat::UnmapViewOfFile(block);
    plat::CloseHandle(first);
}

TEST_F(StartupTest, FailedClassOrWindowEndsQuietlyWithEverythingReleased) {
    struct Case {
        const char* name;
        sim::Call call;
        std::uint32_t error;
        bool blockFailed;  // the one-instance message is shown
        int exitCode;
    };
    // A block that exists but may not be opened belongs to an instance run as administrator.
    const Case cases[] = {
        {"RegisterClass", sim::Call::RegisterClass, 0, false, ExitStartRefused},
        {"CreateWindowEx", sim::Call::CreateWindowEx, 0, false, ExitStartRefused},
        {"CreateFileMapping, no memory", sim::Call::CreateFileMapping, 8, true, ExitStartRefused},
        {"CreateFileMapping, access denied", sim::Call::CreateFileMapping, 5, true, 0},
        {"MapViewOfFile", sim::Call::MapViewOfFile, 0, true, ExitStartRefused}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::Reset();
        sim::FailCall(c.call, true, c.error);
        Program p;
        p.Start();
        EXPECT_EQ(p.Join(), c.exitCode);
        sim::FailCall(c.call, false);
        EXPECT_EQ(sim::MessageBoxes().size(), c.blockFailed ? 1u : 0u);
        EXPECT_TRUE(sim::HotkeyAttempts().empty());
        EXPECT_TRUE(sim::HookCalls().empty());
        EXPECT_TRUE(HookBlockReleased());
        ExpectNothingLeft();
    }
}

TEST_F(StartupTest, MissingLibraryOrThreadIsReportedBeforeAnythingElse) {
    sim::SetLibrariesMissing(true);
    Program p;
    p.Start();
    EXPECT_EQ(p.Join(), ExitStartRefused);
    ASSERT_EQ(sim::MessageBoxes().size(), 1u);
    EXPECT_EQ(sim::MessageBoxes()[0].caption, "Parmena");
    EXPECT_NE(sim::MessageBoxes()[0].text.find("is missing"), std::string::npos);
    EXPECT_FALSE(sim::KeyExists("HKCU", Pref));

    sim::Reset();
    sim::FailCall(sim::Call::CreateThread, true);
    Program q;
    q.Start();
    EXPECT_EQ(q.Join(), ExitStartRefused);
    sim::FailCall(sim::Call::CreateThread, false);
    ASSERT_EQ(sim::MessageBoxes().size(), 1u);
    EXPECT_EQ(sim::MessageBoxes()[0].type, plat::MB_ICONERROR);
    EXPECT_FALSE(sim::KeyExists("HKCU", Pref));
    ExpectNothingLeft();
}

TEST_F(StartupTest, FailedTimerStillRunsTheWholeShutdown) {
    sim::FailCall(sim::Call::SetTimer, true);
    Program p;
    p.Start();
    EXPECT_EQ(p.Join(), ExitStartRefused);
    ASSERT_EQ(sim::MessageBoxes().size(), 1u);
    EXPECT_EQ(sim::MessageBoxes()[0].text, "No timer available. Can't initialize.");
    EXPECT_EQ(sim::MessageBoxes()[0].caption, "Error");
    EXPECT_EQ(sim::MessageBoxes()[0].type, plat::MB_ICONWARNING);
    // Start-up went on to the loop, and shutdown undid each step.
    EXPECT_EQ(HotkeyIds(sim::HotkeyAttempts()), (std::vector<int>{1, 2, 3, 4, 6, 7, 8, 9, 5}));
    EXPECT_TRUE(sim::Hotkeys().empty());
    EXPECT_EQ(CountHookCalls("SetMBHook"), 1);
    EXPECT_EQ(CountHookCalls("RemoveMBHook"), 1);
    EXPECT_TRUE(HookBlockReleased());
    ExpectNothingLeft();
}

TEST_F(StartupTest, TwoButtonMouseIsReportedOnceAndSaved) {
    sim::Screen s = sim::GetScreen();
    s.mouseButtons = 2;
    sim::SetScreen(s);
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        Program p;
        p.Start();
        ASSERT_TRUE(p.WaitRunning());
        EXPECT_EQ(p.Close(), ExitRan);
    }
    ASSERT_EQ(sim::MessageBoxes().size(), 1u);
    EXPECT_EQ(sim::MessageBoxes()[0].text,
              "Two button mouse detected.\r\nMiddle button features unavailable.");
    EXPECT_EQ(sim::MessageBoxes()[0].caption, "Too few buttons");
    EXPECT_EQ(sim::MessageBoxes()[0].type, plat::MB_ICONINFORMATION);
    sim::RegValue v = sim::GetValue("HKCU", Pref, "Disable middle button");
    EXPECT_EQ(v.type, plat::REG_DWORD);
    EXPECT_EQ(v.AsDword(), 1u);
    EXPECT_EQ(CountHookCalls("SetMBHook"), 0);
    EXPECT_EQ(CountHookCalls("RemoveMBHook"), 0);
}

TEST_F(StartupTest, DisabledNavigationShowsTheTrayIconInsteadOfThePager) {
    sim::LoadReg(PrefValues({{"Disable navigation", 1}}));
    Program p;
    p.Start();
    ASSERT_TRUE(p.WaitRunning());
    EXPECT_FALSE(sim::IsVisible(Pager()));
    ASSERT_EQ(sim::TrayIcons().size(), 1u);
    const plat::NotifyIconData icon = sim::TrayIcons()[0];
    EXPECT_EQ(icon.cbSize, sizeof(plat::NotifyIconData));
    EXPECT_EQ(icon.hWnd, Pager());
    EXPECT_EQ(icon.uID, 1742u);
    EXPECT_EQ(icon.uFlags, 7u);
    EXPECT_EQ(icon.uCallbackMessage, 1026u);
    EXPECT_STREQ(icon.szTip, "Parmena");
    EXPECT_EQ(HotkeyIds(sim::HotkeyAttempts()), (std::vector<int>{5}));
    EXPECT_EQ(p.Close(), ExitRan);
    EXPECT_TRUE(sim::TrayIcons().empty());
    ExpectNothingLeft();
}

TEST_F(StartupTest, ResetAtStartAppliesRememberedPositionsBeforeTheLoop) {
    sim::LoadReg(PrefValues({{"Rescale On Exit", 0}}));  // leave the window there at the end
    sim::LoadReg(RegHeader() +
                 "[HKEY_CURRENT_USER\\Software\\Orvanne\\Parmena\\Window Positions]\n"
                 "\"ResetAtStart\"=dword:00000001\n\"Count\"=dword:00000001\n"
                 "\"Pos0Name\"=\"Mail\"\n\"Pos0Pos\"=dword:00000102\n");
    plat::Hwnd mail = AddWindow("Mail", {10, 20, 110, 120});
    Program p;
    p.Start();
    ASSERT_TRUE(p.WaitRunning());
    // The apply's probe serves sent messages, WaitRunning's among them: a posted one is taken
    // only in the loop.
    plat::PostMessage(Pager(), 0 /* WM_NULL */, 0, 0);
    ASSERT_TRUE(p.Barrier());
    EXPECT_EQ(sim::WindowRect(mail).left, 10 + 2 * 1024);
    EXPECT_EQ(sim::WindowRect(mail).top, 20 + 768);
    EXPECT_EQ(p.Close(), ExitRan);
    EXPECT_EQ(sim::WindowRect(mail).left, 10 + 2 * 1024);
}

}  // namespace
