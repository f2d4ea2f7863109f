// Shared set-up for the configuration tests: a clean simulated desktop and clean records.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "config/hookblock.h"
#include "config/settings.h"
#include "config/shortcuts.h"
#include "core/desktop.h"
#include "platform/gdi.h"
#include "platform/registry.h"
#include "platform/sim/sim.h"

namespace cfgtest {

// Gives back everything the product made; the registry stays as it is.
inline void ReleaseConfig() {
    ReleaseHookBlock();
    ResetSettings();
    ResetDesktopState();
}

// Starts from an empty desktop and clean records.
inline void ResetConfig() {
    ReleaseConfig();
    sim::Reset();
}

constexpr const char* Pref = "Software\\Orvanne\\Parmena\\Preferences";
constexpr const char* Colors = "Software\\Orvanne\\Parmena\\Colors";
constexpr const char* Font = "Software\\Orvanne\\Parmena\\Font";
constexpr const char* Positions = "Software\\Orvanne\\Parmena\\Window Positions";
constexpr const char* Middle = "Software\\Orvanne\\Parmena\\Middle Button";
constexpr const char* Shortcuts = "Software\\Orvanne\\Parmena\\Shortcuts";

// A value of any type and size, for data no .reg file can express.
inline void SetRaw(plat::Hkey root, const std::string& path, const std::string& name,
                   std::uint32_t type, const std::vector<std::uint8_t>& data) {
    plat::Hkey k = nullptr;
    ASSERT_EQ(plat::RegCreateKeyEx(root, path.c_str(), 0, "", 0, plat::KEY_ALL_ACCESS, nullptr,
                                    &k, nullptr),
              plat::ERROR_SUCCESS);
    plat::RegSetValueEx(k, name.c_str(), 0, type, data.empty() ? nullptr : data.data(),
                         static_cast<std::uint32_t>(data.size()));
    plat::RegCloseKey(k);
}

inline std::vector<std::uint8_t> Bytes(const std::string& s) {
    return std::vector<std::uint8_t>(s.begin(), s.end());
}

inline std::string RegHeader() { return "Windows Registry Editor Version 5.00\n\n"; }

inline int Load() {
    int x = 0, y = 0;
    LoadSettingsAndState(&x, &y);
    return x;
}

inline std::vector<std::string> PositionNames() {
    std::vector<std::string> out;
    for (WindowPositionEntry* e = settings.positionList.next; e; e = e->next) out.push_back(e->name);
    return out;
}

// Every field of the record that is saved and loaded, and the screen-derived sizes.
inline void ExpectSameRecord(const Settings& a, const Settings& b) {
    EXPECT_EQ(a.disableNavigation, b.disableNavigation);
    EXPECT_EQ(a.disableMiddleButton, b.disableMiddleButton);
    EXPECT_EQ(a.disableShell, b.disableShell);
    EXPECT_EQ(a.corner, b.corner);
    EXPECT_EQ(a.xResolution, b.xResolution);
    EXPECT_EQ(a.yResolution, b.yResolution);
    EXPECT_EQ(a.hideProgramManager, b.hideProgramManager);
    EXPECT_EQ(a.followActive, b.followActive);
    EXPECT_EQ(a.switchAtBorders, b.switchAtBorders);
    EXPECT_EQ(a.onlyWhenButtonDown, b.onlyWhenButtonDown);
    EXPECT_EQ(a.switchHotkeys, b.switchHotkeys);
    EXPECT_EQ(a.enableTopmost, b.enableTopmost);
    EXPECT_EQ(a.rescaleOnExit, b.rescaleOnExit);
    EXPECT_EQ(a.collapsePager, b.collapsePager);
    EXPECT_EQ(a.navMouseSwitch, b.navMouseSwitch);
    EXPECT_EQ(a.navMouseDrag, b.navMouseDrag);
    EXPECT_EQ(a.navMouseDragDD, b.navMouseDragDD);
    EXPECT_EQ(a.navMouseMenu, b.navMouseMenu);
    EXPECT_EQ(a.navMouseMove, b.navMouseMove);
    EXPECT_EQ(a.background, b.background);
    EXPECT_EQ(a.grid, b.grid);
    EXPECT_EQ(a.window, b.window);
    EXPECT_EQ(a.windowFrame, b.windowFrame);
    EXPECT_EQ(a.windowCaption, b.windowCaption);
    EXPECT_EQ(a.windowText, b.windowText);
    EXPECT_EQ(std::memcmp(&a.font, &b.font, sizeof a.font), 0);
    EXPECT_EQ(a.resetAtStart, b.resetAtStart);
    EXPECT_EQ(a.navigationModifiers, b.navigationModifiers);
    EXPECT_EQ(a.programEntryCount, b.programEntryCount);
    EXPECT_EQ(a.shellHotkeyModif, b.shellHotkeyModif);
    EXPECT_EQ(a.shellHotkeyKey, b.shellHotkeyKey);
    EXPECT_EQ(a.xSize, b.xSize);
    EXPECT_EQ(a.ySize, b.ySize);
}

class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override { ResetConfig(); }
    void TearDown() override { ResetConfig(); }
};

}  // namespace cfgtest
