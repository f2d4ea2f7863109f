// The simulation's file search, environment, hotkeys, timers and tray icons.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/kernel.h"
#include "platform/shell.h"
#include "platform/sim/sim.h"
#include "platform/window.h"

using namespace plat;

namespace {

class SimSystem : public ::testing::Test {
protected:
    void SetUp() override { sim::Reset(); }
    static std::vector<std::string> Find(const char* pattern) {
        std::vector<std::string> names;
        Win32FindData d;
        Handle h = FindFirstFile(pattern, &d);
        if (h == INVALID_HANDLE_VALUE) return names;
        do {
            names.push_back(std::string(d.cFileName) + ((d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? "\\" : ""));
        } while (FindNextFile(h, &d));
        EXPECT_TRUE(FindClose(h));
        EXPECT_FALSE(FindClose(h));
        return names;
    }
};

TEST_F(SimSystem, FileSearchListsFoldersFilesAndDots) {
    sim::AddFile("C:\\Windows\\");
    sim::AddFile("C:\\Win32App\\tool.exe");  // its folder exists by implication
    sim::AddFile("C:\\winner.txt");
    sim::AddFile("C:\\Program Files\\Editor\\ed.exe");
    sim::AddFile("readme.txt");
    EXPECT_EQ((std::vector<std::string>{"Windows\\", "Win32App\\", "winner.txt"}), Find("c:\\WIN*"));
    EXPECT_EQ((std::vector<std::string>{".\\", "..\\", "Editor\\"}), Find("C:\\Program Files\\*"));
    EXPECT_EQ((std::vector<std::string>{"ed.exe"}), Find("C:\\Program Files\\Editor\\e?.*"));
    EXPECT_EQ((std::vector<std::string>{"readme.txt"}), Find("*.txt"));
    EXPECT_TRUE(Find("C:\\nothing*").empty());
    EXPECT_EQ(static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST_F(SimSystem, EnvironmentExpansionReportsTheSizeItNeeds) {
    sim::SetEnv("windir", "C:\\WINDOWS");
    char buf[64];
    EXPECT_EQ(23u, ExpandEnvironmentStrings("%WINDIR%\\notepad.exe", buf, sizeof buf));
    EXPECT_STREQ("C:\\WINDOWS\\notepad.exe", buf);
    EXPECT_EQ(13u, ExpandEnvironmentStrings("%unknown%50%", buf, sizeof buf));
    EXPECT_STREQ("%unknown%50%", buf);
    char small[4] = "xyz";
    EXPECT_EQ(11u, ExpandEnvironmentStrings("%windir%", small, sizeof small));
    EXPECT_STREQ("xyz", small);  // too small: nothing written
}

LResult PLAT_CALLBACK Quiet(Hwnd w, std::uint32_t msg, WParam wp, LParam lp) { return DefWindowProc(w, msg, wp, lp); }

Hwnd MakeWindow() {
    WndClass wc{};
    wc.lpfnWndProc = Quiet;
    wc.lpszClassName = "SysWin";
    RegisterClass(&wc);
    return CreateWindowEx(0, "SysWin", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

TEST_F(SimSystem, HotkeysAndTimersArriveAsPostedMessages) {
    Hwnd w = MakeWindow();
    sim::HoldHotkey(MOD_CONTROL, 'X');
    EXPECT_FALSE(RegisterHotKey(w, 1, MOD_CONTROL, 'X'));
    EXPECT_TRUE(RegisterHotKey(w, 2, MOD_ALT | MOD_CONTROL, VK_LEFT));
    EXPECT_FALSE(RegisterHotKey(w, 3, MOD_ALT | MOD_CONTROL, VK_LEFT));  // already ours
    EXPECT_EQ(3u, sim::HotkeyAttempts().size());
    EXPECT_FALSE(sim::PressHotkey(MOD_CONTROL, 'X'));
    EXPECT_EQ(472u, SetTimer(w, 472, 100, nullptr));
    ASSERT_TRUE(sim::PressHotkey(MOD_ALT | MOD_CONTROL, VK_LEFT));
    sim::FireTimers();
    Msg m;
    ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
    EXPECT_EQ(WM_HOTKEY, m.message);
    EXPECT_EQ(2u, m.wParam);
    EXPECT_EQ(static_cast<LParam>((VK_LEFT << 16) | (MOD_ALT | MOD_CONTROL)), m.lParam);
    ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
    EXPECT_EQ(WM_TIMER, m.message);
    EXPECT_EQ(472u, m.wParam);
    EXPECT_TRUE(UnregisterHotKey(w, 2));
    EXPECT_FALSE(UnregisterHotKey(w, 2));
    EXPECT_FALSE(sim::PressHotkey(MOD_ALT | MOD_CONTROL, VK_LEFT));
    EXPECT_TRUE(KillTimer(w, 472));
    EXPECT_FALSE(KillTimer(w, 472));
    SetTimer(w, 5, 10, nullptr);
    DestroyWindow(w);
    EXPECT_TRUE(sim::Timers().empty());  // timers go with their window
    sim::FailCall(sim::Call::SetTimer, true);
    EXPECT_EQ(0u, SetTimer(MakeWindow(), 1, 10, nullptr));
}

TEST_F(SimSystem, TrayIconsAreAddedOnceModifiedAndDeleted) {
    Hwnd w = MakeWindow();
    NotifyIconData d{};
    d.hWnd = w;
    d.uID = 1742;
    d.uFlags = NIF_MESSAGE | NIF_TIP;
    d.uCallbackMessage = WM_USER + 2;
    std::snprintf(d.szTip, sizeof d.szTip, "Parmena");
    EXPECT_TRUE(Shell_NotifyIcon(NIM_ADD, &d));
    EXPECT_FALSE(Shell_NotifyIcon(NIM_ADD, &d));
    std::snprintf(d.szTip, sizeof d.szTip, "changed");
    d.uFlags = NIF_TIP;
    d.uCallbackMessage = 0;
    EXPECT_TRUE(Shell_NotifyIcon(NIM_MODIFY, &d));
    auto icons = sim::TrayIcons();
    ASSERT_EQ(1u, icons.size());
    EXPECT_STREQ("changed", icons[0].szTip);
    EXPECT_EQ(WM_USER + 2, icons[0].uCallbackMessage);  // not named in the flags: kept
    EXPECT_TRUE(Shell_NotifyIcon(NIM_DELETE, &d));
    EXPECT_FALSE(Shell_NotifyIcon(NIM_DELETE, &d));
    EXPECT_TRUE(sim::TrayIcons().empty());
}

}  // namespace
