// The settings dialog run on the dialog thread: the mutex, the results, and what an apply does.
#include <functional>

#include "config/hookblock.h"
#include "config/shortcuts.h"
#include "tests/app_harness.h"

using namespace apptest;

namespace {

struct Showing {
    void* record;
    int page;
    void* store;
};

class SettingsRunTest : public AppTest {
protected:
    // Each showing of the dialog runs the next step on the dialog thread; its result is returned.
    void Script(std::vector<std::function<int()>> steps) {
        steps_ = std::move(steps);
        sim::OnShowPref([this](void* record, int page, void* store) {
            showings_.push_back({record, page, store});
            shownRecord = static_cast<Settings*>(record);
            const std::size_t i = showings_.size() - 1;
            const int result = i < steps_.size() ? steps_[i]() : 0;
            ++shown_;
            return result;
        });
    }
    void Run(const std::vector<std::pair<std::string, int>>& prefs = {}) {
        if (!prefs.empty()) sim::LoadReg(PrefValues(prefs));
        program.Start();
        ASSERT_TRUE(program.WaitRunning());
    }
    // Opens Settings and waits until the run has ended and its posts have been handled.
    void OpenSettings(int high = 0) {
        const std::size_t before = shown_;
        program.Command(CmdSettings, high);
        ASSERT_TRUE(sim::WaitFor([&] { return shown_ > before && !settingsDialogOpen; }));
        ASSERT_TRUE(program.Barrier());
    }
    static std::vector<plat::WParam> PagerPosts(std::uint32_t msg) {
        std::vector<plat::WParam> out;
        for (const sim::PostRecord& p : sim::Posts())
            if (p.window == Pager() && p.message == msg) out.push_back(p.wParam);
        return out;
    }

    // The record the dialog edits in the step that runs.
    static Settings& Rec() { return *shownRecord; }
    static inline Settings* shownRecord = nullptr;

    std::vector<std::function<int()>> steps_;
    std::vector<Showing> showings_;  // written on the dialog thread, read once it is idle
    std::atomic<std::size_t> shown_{0};
};

TEST_F(SettingsRunTest, MenuChoicePassesTheRecordThePageAndTheStore) {
    Script({[] { return 0; }, [] { return 0; }});
    Run();
    OpenSettings();
    OpenSettings(4);
    ASSERT_EQ(showings_.size(), 2u);
    // The dialog edits a copy; the program's record changes only on the main thread.
    EXPECT_NE(showings_[0].record, &settings);
    EXPECT_EQ(showings_[0].store, &shortcutStore);
    EXPECT_EQ(showings_[0].page, -1);
    EXPECT_EQ(showings_[1].page, 3);
    std::vector<std::string> ops;
    for (const sim::HookCall& c : sim::HookCalls())
        if (c.op == "GetMoveFuncs" || c.op == "GetClickFuncs") ops.push_back(c.op);
    EXPECT_EQ(ops, (std::vector<std::string>{"GetMoveFuncs", "GetClickFuncs", "GetMoveFuncs",
                                             "GetClickFuncs"}));
    EXPECT_EQ(program.Close(), ExitRan);
}

TEST_F(SettingsRunTest, MutexHeldElsewhereDropsTheRequest) {
    Script({[] { return 0; }});
    Run();
    sim::HoldNamedMutex(HookMutexName, true);
    std::atomic<bool> aboutShown{false};
    sim::OnShowAbout([&] { aboutShown = true; });
    program.Command(CmdSettings);
    program.Command(CmdAbout);  // served only after the settings request has given up
    ASSERT_TRUE(sim::WaitFor([&] { return aboutShown.load(); }));
    EXPECT_EQ(shown_.load(), 0u);
    EXPECT_EQ(CountHookCalls("GetMoveFuncs"), 0);
    sim::HoldNamedMutex(HookMutexName, false);
    OpenSettings();
    EXPECT_EQ(showings_.size(), 1u);
    EXPECT_EQ(program.Close(), ExitRan);
}

TEST_F(SettingsRunTest, CancelAppliesAndSavesNothing) {
    Script({[] {
        Rec().disableShell = 1;
        Rec().collapsePager = 0;
        return 0;
    }});
    Run();
    OpenSettings();
    EXPECT_TRUE(PagerPosts(MsgShellHotkey).empty());
    EXPECT_FALSE(sim::GetValue("HKCU", Pref, "Disable shell").exists);
    EXPECT_EQ(HotkeyIds(sim::Hotkeys()), (std::vector<int>{1, 2, 3, 4, 6, 7, 8, 9, 5}));
    EXPECT_EQ(program.Close(), ExitRan);
}

TEST_F(SettingsRunTest, NavigationOffAndOnSwapsPagerAndTrayIcon) {
    Script({[] {
                Rec().disableNavigation = 1;
                return 1;
            },
            [] {
                Rec().disableNavigation = 0;
                return 1;
            }});
    Run();
    OpenSettings();
    EXPECT_FALSE(sim::IsVisible(Pager()));
    ASSERT_EQ(sim::TrayIcons().size(), 1u);
    EXPECT_EQ(sim::TrayIcons()[0].uID, 1742u);
    EXPECT_EQ(HotkeyIds(sim::Hotkeys()), (std::vector<int>{5}));
    EXPECT_EQ(sim::GetValue("HKCU", Pref, "Disable navigation").AsDword(), 1u);

    OpenSettings();
    EXPECT_TRUE(sim::IsVisible(Pager()));
    EXPECT_TRUE(sim::TrayIcons().empty());
    EXPECT_EQ(HotkeyIds(sim::Hotkeys()), (std::vector<int>{5, 1, 2, 3, 4, 6, 7, 8, 9}));
    EXPECT_EQ(PagerPosts(MsgDesktopHotkeys), (std::vector<plat::WParam>{0, 1}));
    EXPECT_EQ(program.Close(), ExitRan);
    EXPECT_EQ(sim::LiveGdiObjects(), 0);
}

TEST_F(SettingsRunTest, NavigationOnWithHotkeysOffPostsNoHotkeyChange) {
    Script({[] {
        Rec().disableNavigation = 1;
        Rec().switchHotkeys = 0;
        return 1;
    }});
    Run();
    OpenSettings();
    EXPECT_TRUE(PagerPosts(MsgDesktopHotkeys).empty());
    EXPECT_EQ(HotkeyIds(sim::Hotkeys()), (std::vector<int>{1, 2, 3, 4, 6, 7, 8, 9, 5}));
    EXPECT_EQ(program.Close(), ExitRan);
}

TEST_F(SettingsRunTest, ShellHotkeyChanges) {
    Script({[] {
                Rec().shellHotkeyKey = 14;  // A
                Rec().shellHotkeyModif = 1;  // Shift
                return 1;
            },
            [] {
                Rec().shellHotkeyKey = 2;
                Rec().disableShell = 1;
                return 1;
            },
            [] {
                Rec().disableShell = 0;
                return 1;
            }});
    Run();
    OpenSettings();
    ASSERT_EQ(sim::Hotkeys().back().id, 5);
    EXPECT_EQ(sim::Hotkeys().back().vk, static_cast<std::uint32_t>('A'));
    EXPECT_EQ(sim::Hotkeys().back().modifiers, plat::MOD_SHIFT);
    OpenSettings();
    EXPECT_EQ(HotkeyIds(sim::Hotkeys()), (std::vector<int>{1, 2, 3, 4, 6, 7, 8, 9}));
    OpenSettings();
    EXPECT_EQ(sim::Hotkeys().back().vk, static_cast<std::uint32_t>(plat::VK_F1));
    EXPECT_EQ(PagerPosts(MsgShellHotkey), (std::vector<plat::WParam>{2, 0, 1}));
    EXPECT_EQ(program.Close(), ExitRan);
}

TEST_F(SettingsRunTest, GridTakesEffectAndASmallerOneKeepsTheScreenInside) {
    const plat::Hwnd home = AddWindow("Home", {10, 10, 60, 60});
    Script({[] {
                Rec().xResolution = 4;
                Rec().yResolution = 2;
                return 1;
            },
            [] {
                Rec().xResolution = 2;
                return 1;
            }});
    Run();
    OpenSettings();
    EXPECT_EQ(desktop.columns * 10 + desktop.rows, 42);
    const std::uint32_t ctrlAlt = plat::MOD_ALT | plat::MOD_CONTROL;
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(sim::PressHotkey(ctrlAlt, plat::VK_RIGHT));
    ASSERT_TRUE(program.Barrier());
    EXPECT_EQ(desktop.currentColumn, 3);
    OpenSettings();
    EXPECT_EQ(desktop.columns, 2);
    EXPECT_EQ(desktop.currentColumn, 1);
    EXPECT_EQ(sim::WindowRect(home).left, 10 - 1024);
    EXPECT_EQ(sim::GetValue("HKCU", Pref, "XResolution").AsDword(), 2u);
    EXPECT_EQ(program.Close(), ExitRan);
}

TEST_F(SettingsRunTest, ShowAgainAppliesEachChangeOnce) {
    plat::Hwnd kept = AddWindow("Clock", {1024 + 10, 10, 1024 + 60, 60});
    plat::Hwnd other = AddWindow("Other", {1024 + 10, 100, 1024 + 60, 160});
    Script({[] {
                Rec().disableMiddleButton = 1;
                return 2;
            },
            [&] {
                // An entry added while the dialog is open, as the library does.
                plat::SendMessage(Rec().pagerWindow, MsgPositionList, 0,
                                   reinterpret_cast<plat::LParam>(
                                       sim::AddListBox({{"Clock", KeepInPlace}})));
                Rec().switchHotkeys = 0;
                return 2;
            },
            [] { return 1; }});
    Run();
    OpenSettings();
    ASSERT_EQ(showings_.size(), 3u);
    EXPECT_EQ(CountHookCalls("RemoveMBHook"), 1);
    EXPECT_EQ(CountHookCalls("SetMBHook"), 1);
    EXPECT_EQ(PagerPosts(MsgDesktopHotkeys), (std::vector<plat::WParam>{0}));
    EXPECT_EQ(HotkeyIds(sim::Hotkeys()), (std::vector<int>{5}));
    EXPECT_EQ(sim::GetValue("HKCU", Pref, "Disable middle button").AsDword(), 1u);
    // Each apply folds only the kept windows onto the screen.
    EXPECT_EQ(sim::WindowRect(kept).left, 10);
    EXPECT_EQ(sim::WindowRect(other).left, 1024 + 10);
    EXPECT_EQ(program.Close(), ExitRan);
    EXPECT_EQ(CountHookCalls("RemoveMBHook"), 1);  // the hook is already off at shutdown
}

TEST_F(SettingsRunTest, ValuesWrittenIntoTheBlockFromOutsideChangeNothingOfOurs) {
    const char* middle = "Software\\Orvanne\\Parmena\\Middle Button";
    sim::LoadReg(RegHeader() + "[HKEY_CURRENT_USER\\" + middle +
                 "]\n\"ProgSpecCount\"=dword:00000002\n\"PS0Name\"=\"editor\"\n"
                 "\"PS1Name\"=\"shell\"\n");
    std::vector<std::int32_t> seen;  // the count each showing of the dialog was given
    Script({[&] {
                seen.push_back(Rec().programEntryCount);
                return 1;
            },
            [&] {
                seen.push_back(Rec().programEntryCount);
                return 1;
            }});
    Run();
    ASSERT_NE(hookBlock, nullptr);
    const std::uint32_t handle = hookBlock->hookHandle;
    hookBlock->entryCount = 0x7fffffff;
    hookBlock->hookHandle = 0xBAD;
    OpenSettings();
    hookBlock->entryCount = 0;
    OpenSettings();
    EXPECT_EQ(seen, (std::vector<std::int32_t>{2, 2}));
    EXPECT_EQ(sim::GetValue("HKCU", middle, "ProgSpecCount").AsDword(), 2u);
    EXPECT_EQ(sim::GetValue("HKCU", middle, "PS1Name").AsString(), "shell");
    EXPECT_EQ(hookBlock->entryCount, 2);  // the hook library gets the true count back
    EXPECT_EQ(program.Close(), ExitRan);
    std::uint32_t removed = 0;
    for (const sim::HookCall& c : sim::HookCalls())
        if (c.op == "RemoveMBHook") removed = c.value;
    EXPECT_EQ(removed, handle);
}

}  // namespace
