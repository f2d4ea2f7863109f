// The tray icon after the taskbar starts again, and the keys the desktop hotkeys use.
#include <cstring>
#include <functional>

#include "tests/app_harness.h"

using namespace apptest;

namespace {

constexpr std::uint32_t CtrlAlt = plat::MOD_ALT | plat::MOD_CONTROL;
constexpr std::uint32_t AltWin = plat::MOD_ALT | plat::MOD_WIN;

class TaskbarKeysTest : public AppTest {
protected:
    void Tick(int times) {
        for (int i = 0; i < times; ++i) {
            sim::FireTimers();
            ASSERT_TRUE(program.Barrier());
        }
    }
    // The desktop hotkeys registered now, as (modifiers, key) of identifiers 1 to 4 in order.
    static std::vector<std::uint32_t> DesktopModifiers() {
        std::vector<std::uint32_t> out;
        for (const sim::HotkeyRecord& h : sim::Hotkeys())
            if (h.id >= 1 && h.id <= 4) out.push_back(h.modifiers);
        return out;
    }
    // One showing of the settings dialog that changes the record and applies.
    void ChangeSettings(std::function<void(Settings&)> change) {
        std::atomic<bool> shown{false};
        sim::OnShowPref([&](void* record, int, void*) {
            change(*static_cast<Settings*>(record));
            shown = true;
            return 1;
        });
        program.Command(CmdSettings);
        ASSERT_TRUE(sim::WaitFor([&] { return shown.load() && !settingsDialogOpen; }));
        ASSERT_TRUE(program.Barrier());
        sim::OnShowPref(nullptr);
    }
};

TEST_F(TaskbarKeysTest, TrayIconComesBackAfterTheTaskbarRestarts) {
    Run({{"Disable navigation", 1}});
    ASSERT_EQ(sim::TrayIcons().size(), 1u);
    const plat::NotifyIconData added = sim::TrayIcons()[0];
    // Also from a taskbar with fewer rights than a program run as administrator.
    const std::uint32_t created = plat::RegisterWindowMessage("TaskbarCreated");
    EXPECT_EQ(sim::AllowedMessages(Pager()), std::vector<std::uint32_t>{created});

    sim::RestartTaskbar();
    ASSERT_TRUE(program.Barrier());
    ASSERT_EQ(sim::TrayIcons().size(), 1u);
    EXPECT_EQ(std::memcmp(&sim::TrayIcons()[0], &added, sizeof added), 0);

    // A taskbar that announces itself without having lost the icon keeps just the one.
    plat::PostMessage(Pager(), created, 0, 0);
    ASSERT_TRUE(program.Barrier());
    EXPECT_EQ(sim::TrayIcons().size(), 1u);
    EXPECT_EQ(program.Close(), ExitRan);
    EXPECT_TRUE(sim::TrayIcons().empty());
}

TEST_F(TaskbarKeysTest, TaskbarNotReadyIsRetriedEverySecondAFewTimes) {
    struct Case {
        int readyAfterTicks;
        bool iconBack;
    };
    // Five more tries, ten poll ticks apart: the last at tick 50.
    for (const Case c : {Case{15, true}, Case{49, true}, Case{50, false}}) {
        SCOPED_TRACE(c.readyAfterTicks);
        sim::Reset();
        Run({{"Disable navigation", 1}});
        sim::FailCall(sim::Call::Shell_NotifyIcon, true);
        sim::RestartTaskbar();
        ASSERT_TRUE(program.Barrier());
        Tick(c.readyAfterTicks);
        sim::FailCall(sim::Call::Shell_NotifyIcon, false);
        EXPECT_TRUE(sim::TrayIcons().empty());
        Tick(60);
        EXPECT_EQ(sim::TrayIcons().size(), c.iconBack ? 1u : 0u);
        EXPECT_EQ(program.Close(), ExitRan);
    }
}

TEST_F(TaskbarKeysTest, RestartWithThePagerShownAddsNoIcon) {
    Run();
    sim::RestartTaskbar();
    ASSERT_TRUE(program.Barrier());
    Tick(20);
    EXPECT_TRUE(sim::TrayIcons().empty());
    EXPECT_EQ(program.Close(), ExitRan);
}

TEST_F(TaskbarKeysTest, NavigationModifiersChooseTheDesktopKeys) {
    struct Case {
        const char* stored;  // .reg data of "Navigation modifiers"; empty: absent
        std::uint32_t modifiers;
    };
    const Case cases[] = {{"", CtrlAlt},
                          {"dword:00000000", CtrlAlt},
                          {"dword:00000001", AltWin},
                          {"dword:00000002", CtrlAlt | plat::MOD_WIN},
                          {"dword:00000003", CtrlAlt},
                          {"dword:ffffffff", CtrlAlt},
                          {"\"1\"", CtrlAlt}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        sim::Reset();
        if (*c.stored)
            sim::LoadReg(RegHeader() + "[HKEY_CURRENT_USER\\" + Pref + "]\n\"Navigation modifiers\"=" +
                         c.stored + "\n");
        Run();
        EXPECT_EQ(DesktopModifiers(), std::vector<std::uint32_t>(4, c.modifiers));
        EXPECT_EQ(program.Close(), ExitRan);
    }
}

TEST_F(TaskbarKeysTest, KeysTakenAtStartAreReplacedByTheChosenOnes) {
    sim::HoldHotkey(CtrlAlt, plat::VK_RIGHT);
    plat::Hwnd a = AddWindow("A", {10, 10, 110, 110});
    Run();
    ASSERT_EQ(sim::MessageBoxes().size(), 1u);
    EXPECT_NE(sim::MessageBoxes()[0].text.find("Ctrl+Alt+Right"), std::string::npos);
    EXPECT_EQ(DesktopModifiers(), std::vector<std::uint32_t>(3, CtrlAlt));

    // The dialog ticks "Switch hotkeys" again when other keys are chosen.
    ChangeSettings([](Settings& r) {
        r.navigationModifiers = 1;
        r.switchHotkeys = 1;
    });
    EXPECT_EQ(DesktopModifiers(), std::vector<std::uint32_t>(4, AltWin));
    EXPECT_EQ(sim::GetValue("HKCU", Pref, "Navigation modifiers").AsDword(), 1u);
    ASSERT_TRUE(sim::PressHotkey(AltWin, plat::VK_RIGHT));
    ASSERT_TRUE(program.Barrier());
    EXPECT_EQ(sim::WindowRect(a).left, 10 - 1024);
    EXPECT_FALSE(sim::PressHotkey(CtrlAlt, plat::VK_UP));  // the old keys are free again

    ChangeSettings([](Settings& r) { r.navigationModifiers = 2; });
    EXPECT_EQ(DesktopModifiers(), std::vector<std::uint32_t>(4, CtrlAlt | plat::MOD_WIN));
    EXPECT_EQ(program.Close(), ExitRan);
    EXPECT_EQ(sim::MessageBoxes().size(), 1u);
}

}  // namespace
