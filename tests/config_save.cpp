// Settings save: what is written, in which form, and that it loads back unchanged.
#include <cstdio>
#include <cstring>

#include "config_fixture.h"

using namespace cfgtest;

namespace {

class SettingsSave : public ConfigTest {
protected:
    // Load as start-up does: the record, then the block.
    void Start() {
        Load();
        ASSERT_TRUE(CreateHookBlock());
    }
    void Restart() {
        ReleaseConfig();
        Start();
    }
    std::uint32_t Dw(const char* path, const std::string& name) {
        sim::RegValue v = sim::GetValue("HKCU", path, name);
        EXPECT_TRUE(v.exists) << name;
        EXPECT_EQ(v.type, plat::REG_DWORD) << name;
        EXPECT_EQ(v.data.size(), 4u) << name;
        return v.AsDword();
    }
};

const char FullConfig[] = R"(Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Orvanne\Parmena\Preferences]
"Disable navigation"=dword:00000001
"Disable shell"=dword:00000001
"Corner"=dword:00000003
"XResolution"=dword:00000004
"YResolution"=dword:00000002
"Follow active"=dword:00000000
"MinimizeTolvo"=dword:00000000
"NavMouseSwitch"=dword:00000005
"NavMouseMove"=dword:00000003
"ShellHotkey Modif"=dword:00000003
"ShellHotkey Key"=dword:0000000f

[HKEY_CURRENT_USER\Software\Orvanne\Parmena\Colors]
"Background"="c0c0c0"
"Grid"="0"
"Window"="ff0000"
"WindowFrame"="ff"
"WindowCaption"="808080"
"WindowText"="ffffff"

[HKEY_CURRENT_USER\Software\Orvanne\Parmena\Font]
"Height"=dword:fffffff5
"Weight"=dword:000002bc
"Italic"=dword:00000001
"CharSet"=dword:000000ee
"FaceName"="Arial"

[HKEY_CURRENT_USER\Software\Orvanne\Parmena\Window Positions]
"ResetAtStart"=dword:00000001
"Count"=dword:00000002
"Pos0Name"="Clock"
"Pos0Pos"=dword:00010000
"Pos1Name"="*Mail*"
"Pos1Pos"=dword:00000102

[HKEY_CURRENT_USER\Software\Orvanne\Parmena\Middle Button]
"DefClick1"=dword:00000011
"DefTransmit"=dword:00000001
"ProgSpecCount"=dword:00000002
"PS0Name"="editor.exe"
"PS0Click3"=dword:00000021
"PS1Drag2"=dword:00000031
)";

struct Remembered {
    std::string name;
    std::uint32_t position;
    bool operator==(const Remembered& o) const { return name == o.name && position == o.position; }
};
std::vector<Remembered> RememberedWindows() {
    std::vector<Remembered> out;
    for (WindowPositionEntry* e = settings.positionList.next; e; e = e->next)
        out.push_back({e->name, e->position});
    return out;
}

TEST_F(SettingsSave, LoadSaveLoadGivesTheSameConfiguration) {
    sim::LoadReg(FullConfig);
    Start();
    const Settings before = settings;
    const std::vector<Remembered> positions = RememberedWindows();
    const HookBlock blockBefore = *hookBlock;
    ASSERT_EQ(positions.size(), 2u);

    SaveSettings();
    Restart();
    ExpectSameRecord(settings, before);
    EXPECT_TRUE(RememberedWindows() == positions);
    EXPECT_EQ(std::memcmp(&hookBlock->defaultEntry, &blockBefore.defaultEntry,
                          sizeof(MiddleButtonEntry)), 0);
    EXPECT_EQ(std::memcmp(&hookBlock->programs[0], &blockBefore.programs[0],
                          2 * sizeof(MiddleButtonEntry)), 0);
    EXPECT_EQ(hookBlock->programs[0].click[3], 0x21);
    EXPECT_EQ(hookBlock->programs[1].drag[2], 0x31);

    // A first start saved as is loads back as the same first start.
    ResetConfig();
    Start();
    const Settings fresh = settings;
    SaveSettings();
    Restart();
    ExpectSameRecord(settings, fresh);
}

TEST_F(SettingsSave, TextInAnyScriptIsStoredReloadedAndSavedUnchanged) {
    const std::string pattern = "*日本語 – Ωmega 🎉 e\xCC\x81";
    sim::LoadReg(RegHeader() + "[HKEY_CURRENT_USER\\Software\\Orvanne\\Parmena\\Window Positions]\n"
                 "\"Count\"=dword:00000001\n\"Pos0Name\"=\"" + pattern + "\"\n\"Pos0Pos\"=dword:00000102\n\n"
                 "[HKEY_CURRENT_USER\\Software\\Orvanne\\Parmena\\Shortcuts]\n"
                 "\"李\"=\"0C:\\\\Users\\\\李明\\\\Ωmega 🎉|C:\\\\Users\\\\李明\\\\Ωmega 🎉\\\\app.exe\"\n");
    Start();
    ASSERT_EQ(RememberedWindows(), (std::vector<Remembered>{{pattern, 0x0102}}));
    Shortcut* shortcut = FindShortcut("李", 0, nullptr);
    ASSERT_NE(shortcut, nullptr);
    EXPECT_EQ(std::string(shortcut->directory), "C:\\Users\\李明\\Ωmega 🎉");
    EXPECT_EQ(std::string(shortcut->command), "C:\\Users\\李明\\Ωmega 🎉\\app.exe");

    SaveSettings();
    SaveShortcut(shortcut);
    EXPECT_EQ(sim::GetValue("HKCU", Positions, "Pos0Name").AsString(), pattern);
    Restart();
    EXPECT_EQ(RememberedWindows(), (std::vector<Remembered>{{pattern, 0x0102}}));
    shortcut = FindShortcut("李", 0, nullptr);
    ASSERT_NE(shortcut, nullptr);
    EXPECT_EQ(std::string(shortcut->command), "C:\\Users\\李明\\Ωmega 🎉\\app.exe");
}

TEST_F(SettingsSave, WrittenForms) {
    sim::LoadReg(FullConfig);
    Start();
    settings.followActive = 256;
    settings.font.lfItalic = 0xFF;
    settings.windowText = 0;
    SaveSettings();

    EXPECT_EQ(sim::GetValue("HKCU", Colors, "Background").data, Bytes(std::string("c0c0c0\0", 7)));
    EXPECT_EQ(sim::GetValue("HKCU", Colors, "Grid").AsString(), "0");
    EXPECT_EQ(sim::GetValue("HKCU", Colors, "Window").AsString(), "ff0000");
    EXPECT_EQ(sim::GetValue("HKCU", Colors, "WindowText").AsString(), "0");
    EXPECT_EQ(sim::GetValue("HKCU", Colors, "Window").type, plat::REG_SZ);
    sim::RegValue face = sim::GetValue("HKCU", Font, "FaceName");
    EXPECT_EQ(face.type, plat::REG_SZ);
    EXPECT_EQ(face.data, Bytes(std::string("Arial\0", 6)));
    EXPECT_EQ(Dw(Font, "Italic"), 0xFFu);  // zero-extended
    EXPECT_EQ(Dw(Font, "CharSet"), 0xEEu);
    EXPECT_EQ(Dw(Font, "Height"), 0xFFFFFFF5u);
    EXPECT_EQ(Dw(Pref, "Follow active"), 256u);
    EXPECT_EQ(Dw(Pref, "Corner"), 3u);
    EXPECT_EQ(Dw(Pref, "ShellHotkey Key"), 15u);
    EXPECT_EQ(Dw(Middle, "DefClick1"), 0x11u);
    EXPECT_EQ(Dw(Middle, "DefDrag2"), 206u);
    EXPECT_EQ(Dw(Middle, "PS1Click0"), 0xFFFFFFFFu);
    EXPECT_EQ(sim::GetValue("HKCU", Middle, "PS1Name").data, Bytes(std::string("\0", 1)));
    // Written elsewhere, never by the save.
    for (const char* name : {"XSize", "YSize", "XPos", "YPos"})
        EXPECT_FALSE(sim::GetValue("HKCU", Pref, name).exists) << name;

    Restart();
    EXPECT_EQ(settings.followActive, 0);  // a stored 256 reads back as off
}

TEST_F(SettingsSave, PositionListIsRenumbered) {
    sim::LoadReg(RegHeader() + R"([HKEY_CURRENT_USER\Software\Orvanne\Parmena\Window Positions]
"Count"=dword:00000006
"Pos0Name"="zero"
"Pos0Pos"=dword:00000001
"Pos2Name"="two"
"Pos2Pos"=dword:00000002
"Pos5Name"="five"
"Pos5Pos"=dword:00000005
)");
    Start();
    SaveSettings();
    EXPECT_EQ(Dw(Positions, "Count"), 3u);
    EXPECT_EQ(sim::GetValue("HKCU", Positions, "Pos1Name").AsString(), "two");
    EXPECT_EQ(Dw(Positions, "Pos1Pos"), 2u);
    EXPECT_EQ(sim::GetValue("HKCU", Positions, "Pos2Name").AsString(), "five");
    EXPECT_EQ(Dw(Positions, "Pos2Pos"), 5u);
    EXPECT_EQ(sim::GetValue("HKCU", Positions, "Pos5Name").AsString(), "five");  // left behind
    Restart();
    EXPECT_EQ(PositionNames(), (std::vector<std::string>{"zero", "two", "five"}));

    FreePositionList();
    SaveSettings();
    EXPECT_EQ(Dw(Positions, "Count"), 0u);
    Restart();
    EXPECT_TRUE(PositionNames().empty());
}

TEST_F(SettingsSave, ShorterProgramListLeavesOldValuesUnread) {
    std::string reg = RegHeader() +
                      "[HKEY_CURRENT_USER\\Software\\Orvanne\\Parmena\\Middle Button]\n"
                      "\"ProgSpecCount\"=dword:00000005\n";
    for (int i = 0; i < 5; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "\"PS%iName\"=\"prog%i\"\n", i, i);
        reg += line;
    }
    sim::LoadReg(reg);
    Start();
    settings.programEntryCount = 3;
    SaveSettings();
    EXPECT_EQ(Dw(Middle, "ProgSpecCount"), 3u);
    EXPECT_EQ(hookBlock->entryCount, 3);
    EXPECT_EQ(sim::GetValue("HKCU", Middle, "PS4Name").AsString(), "prog4");
    Restart();
    EXPECT_EQ(settings.programEntryCount, 3);
    EXPECT_STREQ(hookBlock->programs[2].name, "prog2");
    EXPECT_STREQ(hookBlock->programs[3].name, "");
}

TEST_F(SettingsSave, ProgramCountFromTheDialogIsClamped) {
    Start();
    // Thousands of values in one simulated key are slow to write, so this save goes to no key;
    // reading past the entries would still show under the sanitizers.
    sim::DenyAccess("HKCU", Middle);
    settings.programEntryCount = 5000;
    std::memset(settings.programEntries[1023].name, 'n', sizeof settings.programEntries[1023].name);
    EXPECT_FALSE(SaveSettings());
    EXPECT_EQ(settings.programEntryCount, 1024);
    EXPECT_EQ(hookBlock->entryCount, 1024);

    ResetConfig();
    Start();
    settings.programEntryCount = 2;
    std::memset(settings.programEntries[1].name, 'n', sizeof settings.programEntries[1].name);
    SaveSettings();
    EXPECT_EQ(Dw(Middle, "ProgSpecCount"), 2u);
    EXPECT_EQ(hookBlock->entryCount, 2);
    // A name filling its whole field is written bounded.
    EXPECT_EQ(sim::GetValue("HKCU", Middle, "PS1Name").AsString(), std::string(128, 'n'));
    EXPECT_TRUE(sim::GetValue("HKCU", Middle, "PS1Drag3").exists);
    EXPECT_FALSE(sim::GetValue("HKCU", Middle, "PS2Name").exists);

    settings.programEntryCount = -7;
    SaveSettings();
    EXPECT_EQ(Dw(Middle, "ProgSpecCount"), 0u);
    EXPECT_EQ(settings.programEntryCount, 0);
    EXPECT_EQ(hookBlock->entryCount, 0);
}

TEST_F(SettingsSave, FontIsExchangedAndPagerRepainted) {
    Start();
    plat::Hwnd pager = sim::AddWindow({});
    settings.pagerWindow = pager;
    const plat::Hgdi oldFont = settings.pagerFont;
    const int live = sim::LiveGdiObjects();
    SaveSettings();
    EXPECT_NE(settings.pagerFont, nullptr);
    EXPECT_NE(settings.pagerFont, oldFont);
    EXPECT_EQ(sim::LiveGdiObjects(), live);  // the old font is gone
    EXPECT_EQ(sim::GdiViolations(), 0);
    std::vector<sim::InvalidateRecord> inv = sim::Invalidations();
    ASSERT_FALSE(inv.empty());
    EXPECT_EQ(inv.back().window, pager);
    EXPECT_TRUE(inv.back().wholeClient);
    EXPECT_FALSE(inv.back().erase);

    settings.pagerWindow = nullptr;
    const std::size_t before = sim::Invalidations().size();
    SaveSettings();  // no pager yet: nothing to repaint, and not every window either
    EXPECT_EQ(sim::Invalidations().size(), before);
}

TEST_F(SettingsSave, WithoutKeysOrBlock) {
    // No block: the middle-button values on record are left alone.
    sim::LoadReg(RegHeader() + R"([HKEY_CURRENT_USER\Software\Orvanne\Parmena\Middle Button]
"ProgSpecCount"=dword:00000004
)");
    Load();
    SaveSettings();
    EXPECT_EQ(Dw(Middle, "ProgSpecCount"), 4u);
    EXPECT_FALSE(sim::GetValue("HKCU", Middle, "DefClick0").exists);
    EXPECT_EQ(Dw(Pref, "XResolution"), 3u);

    // No keys: every write fails quietly.
    ResetConfig();
    sim::DenyAccess("HKCU", "Software\\Orvanne");
    Load();
    EXPECT_EQ(settingsKeys.preferences, nullptr);
    SaveSettings();
    EXPECT_FALSE(sim::KeyExists("HKCU", Pref));
    EXPECT_NE(settings.pagerFont, nullptr);
}

}  // namespace

namespace {

TEST_F(SettingsSave, KeysDeletedWhileRunningAreCreatedAgain) {
    Start();
    sim::LoadReg(RegHeader() + "[-HKEY_CURRENT_USER\\Software\\Orvanne\\Parmena]\n");
    ASSERT_FALSE(sim::KeyExists("HKCU", Pref));
    settings.xResolution = 4;
    SaveSettings();
    EXPECT_EQ(Dw(Pref, "XResolution"), 4u);
    EXPECT_EQ(Dw(Positions, "Count"), 0u);
    EXPECT_TRUE(sim::GetValue("HKCU", Colors, "Grid").exists);
    EXPECT_TRUE(sim::MessageBoxes().empty());
    // The single writes through the kept handles (pager place, switched-off features) too.
    sim::LoadReg(RegHeader() + "[-HKEY_CURRENT_USER\\Software\\Orvanne\\Parmena]\n");
    EXPECT_EQ(WriteDword(settingsKeys.preferences, "XPos", 7), plat::ERROR_SUCCESS);
    EXPECT_EQ(Dw(Pref, "XPos"), 7u);
}

TEST_F(SettingsSave, FailedSaveIsReportedOnceSayingWhatAndWhy) {
    Start();
    sim::FailCall(sim::Call::RegSetValueEx, true);
    EXPECT_FALSE(SaveSettings());
    sim::FailCall(sim::Call::RegSetValueEx, false);
    const std::vector<sim::MessageBoxRecord> boxes = sim::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("\"Disable navigation\" in the registry key \"Preferences\""),
              std::string::npos)
        << boxes[0].text;
    EXPECT_NE(boxes[0].text.find("access is denied"), std::string::npos) << boxes[0].text;
    EXPECT_EQ(boxes[0].caption, "Settings not saved");
    EXPECT_EQ(boxes[0].type, plat::MB_ICONERROR);

    EXPECT_TRUE(SaveSettings());
    EXPECT_EQ(sim::MessageBoxes().size(), 1u);
}

TEST_F(SettingsSave, ListCountIsWrittenOnlyOnceAllItsEntriesAre) {
    sim::LoadReg(RegHeader() + "[HKEY_CURRENT_USER\\" + Middle +
                 "]\n\"ProgSpecCount\"=dword:00000001\n\"PS0Name\"=\"a\"\n"
                 "[HKEY_CURRENT_USER\\" + Positions +
                 "]\n\"Count\"=dword:00000001\n\"Pos0Name\"=\"w\"\n");
    Start();
    std::snprintf(settings.programEntries[1].name, sizeof settings.programEntries[1].name, "b");
    settings.programEntryCount = 2;
    settings.positionList.next->next = NewPositionEntry("v", 1);
    sim::FailValueWrite("PS1Name", true);
    sim::FailValueWrite("Pos1Name", true);
    SaveSettings();
    EXPECT_EQ(Dw(Middle, "ProgSpecCount"), 1u);
    EXPECT_EQ(Dw(Positions, "Count"), 1u);
    ASSERT_EQ(sim::MessageBoxes().size(), 1u);
    EXPECT_NE(sim::MessageBoxes()[0].text.find("\"PS1Name\""), std::string::npos);

    sim::FailValueWrite("PS1Name", false);
    sim::FailValueWrite("Pos1Name", false);
    SaveSettings();
    EXPECT_EQ(Dw(Middle, "ProgSpecCount"), 2u);
    EXPECT_EQ(Dw(Positions, "Count"), 2u);
}

}  // namespace
