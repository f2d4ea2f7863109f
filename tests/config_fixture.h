// Shared set-up for the configuration tests: a clean simulated desktop and clean records.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
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
    ASSERT_EQ(plat::RegCreateKeyExA(root, path.c_str(), 0, "", 0, plat::KEY_ALL_ACCESS, nullptr,
                                    &k, nullptr),
              plat::ERROR_SUCCESS);
    plat::RegSetValueExA(k, name.c_str(), 0, type, data.empty() ? nullptr : data.data(),
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

class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override { ResetConfig(); }
    void TearDown() override { ResetConfig(); }
};

}  // namespace cfgtest
