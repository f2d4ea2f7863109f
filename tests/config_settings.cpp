// Settings load: the settings table, defaults, registry encodings, hostile values.
#include <chrono>
#include <cstdio>
#include <cstring>

#include "config_fixture.h"
#include "pager/pager.h"

using namespace cfgtest;

namespace {

class SettingsLoad : public ConfigTest {};

plat::LogFont IconFont() {
    plat::LogFont lf{};
    lf.lfHeight = -11;
    lf.lfWeight = 400;
    lf.lfCharSet = 0;
    lf.lfQuality = 1;
    std::strcpy(lf.lfFaceName, "Icon Face");
    return lf;
}

std::string Dword(const char* name, std::uint32_t v) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "\"%s\"=dword:%08x\n", name, v);
    return buf;
}

TEST_F(SettingsLoad, FirstStartCreatesEveryKeyAndTakesDefaults) {
    sim::SetSysColor(plat::COLOR_BACKGROUND, 0x111111);
    sim::SetSysColor(plat::COLOR_WINDOWFRAME, 0x222222);
    sim::SetSysColor(plat::COLOR_WINDOW, 0x333333);
    sim::SetSysColor(plat::COLOR_ACTIVECAPTION, 0x444444);
    sim::SetSysColor(plat::COLOR_CAPTIONTEXT, 0x555555);
    sim::SetIconTitleFont(IconFont());
    settings.pagerWindow = nullptr;
    int x = 0, y = 0;
    LoadSettingsAndState(&x, &y);

    for (const char* path : {"Software\\Orvanne\\Parmena", Pref, Colors, Font, Positions, Middle,
                             Shortcuts})
        EXPECT_TRUE(sim::KeyExists("HKCU", path)) << path;
    EXPECT_TRUE(sim::KeyExists("HKLM", Shortcuts));
    EXPECT_NE(settingsKeys.machineShortcuts, nullptr);

    // What a first start takes: the stored value's name (or what it is) and its default.
    struct Default {
        const char* name;
        long long expected, actual;
    };
    const Default defaults[] = {
        {"initial x", 1024 - 8, x},
        {"initial y", -1, y},
        {"screen width", 1024, desktop.screenWidth},
        {"work height", 740, desktop.workHeight},
        {"XResolution", 3, desktop.columns},
        {"YResolution", 3, desktop.rows},
        {"Corner", 2, settings.corner},
        {"XSize", 192, settings.xSize},
        {"YSize", 144, settings.ySize},
        {"Disable navigation", 0, settings.disableNavigation},
        {"Disable middle button", 0, settings.disableMiddleButton},
        {"Disable shell", 0, settings.disableShell},
        {"Follow active", 1, settings.followActive},
        {"Switch at borders", 1, settings.switchAtBorders},
        {"Only when button down", 1, settings.onlyWhenButtonDown},
        {"Switch hotkeys", 1, settings.switchHotkeys},
        {"Enable topmost", 1, settings.enableTopmost},
        {"Rescale On Exit", 1, settings.rescaleOnExit},
        {"MinimizeTolvo", 1, settings.collapsePager},
        {"HideProgramManager", 1, settings.hideProgramManager},
        {"NavMouseSwitch", 1, settings.navMouseSwitch},
        {"NavMouseDrag", 4, settings.navMouseDrag},
        {"NavMouseDragDD", 0, settings.navMouseDragDD},
        {"NavMouseMenu", 2, settings.navMouseMenu},
        {"NavMouseMove", 6, settings.navMouseMove},
        {"Background", 0x111111, settings.background},
        {"Grid", 0x222222, settings.grid},
        {"Window", 0x333333, settings.window},
        {"WindowFrame", 0x222222, settings.windowFrame},
        {"WindowCaption", 0x444444, settings.windowCaption},
        {"WindowText", 0x555555, settings.windowText},
        {"ShellHotkey Modif", 6, settings.shellHotkeyModif},
        {"ShellHotkey Key", 0, settings.shellHotkeyKey},
        {"ShellHotkey Key's key", plat::VK_SPACE, ShellHotkeyKeyTable[settings.shellHotkeyKey]},
        {"ResetAtStart", 0, settings.resetAtStart},
    };
    for (const Default& d : defaults) EXPECT_EQ(d.actual, d.expected) << d.name;
    plat::LogFont want = IconFont();
    EXPECT_EQ(std::memcmp(&settings.font, &want, sizeof want), 0);
    EXPECT_NE(settings.pagerFont, nullptr);
    EXPECT_EQ(settings.positionList.next, nullptr);
    EXPECT_EQ(shortcutStore.head, nullptr);
    // Loading only reads: nothing is written on a first start.
    EXPECT_TRUE(sim::ValueNames("HKCU", Pref).empty());
}

// A row copied without its edit would load two values into one field, or one value twice.
TEST(SettingTable, EachRowHasAValueAndAFieldOfItsOwn) {
    for (const SettingInfo& a : SettingTable) {
        EXPECT_LE(a.offset + a.size, sizeof(Settings)) << a.name;
        for (const SettingInfo& b : SettingTable) {
            if (&a == &b) continue;
            EXPECT_FALSE(a.key == b.key && std::strcmp(a.name, b.name) == 0) << a.name;
            EXPECT_FALSE(a.offset < b.offset + b.size && b.offset < a.offset + a.size) << a.name << " " << b.name;
        }
    }
}

TEST_F(SettingsLoad, DeniedMachineKeyStillLoadsUserShortcuts) {
    sim::DenyAccess("HKLM", "Software\\Orvanne\\Parmena");
    sim::LoadReg(RegHeader() + R"([HKEY_CURRENT_USER\Software\Orvanne\Parmena\Shortcuts]
"ed"="0|notepad.exe"
)");
    Load();
    EXPECT_EQ(settingsKeys.machineShortcuts, nullptr);
    EXPECT_NE(settingsKeys.userShortcuts, nullptr);
    ASSERT_NE(shortcutStore.head, nullptr);
    EXPECT_STREQ(shortcutStore.head->name, "ed");
    EXPECT_EQ(shortcutStore.head->next, nullptr);
}

TEST_F(SettingsLoad, DeniedUserKeyTakesEveryDefault) {
    sim::LoadReg(RegHeader() + "[HKEY_CURRENT_USER\\Software\\Orvanne\\Parmena\\Preferences]\n" +
                 Dword("Corner", 4) + Dword("XResolution", 5));
    sim::DenyAccess("HKCU", "Software\\Orvanne\\Parmena");
    int x = 0, y = 0;
    LoadSettingsAndState(&x, &y);
    EXPECT_EQ(settingsKeys.root, nullptr);
    EXPECT_EQ(settingsKeys.preferences, nullptr);
    EXPECT_EQ(settings.corner, 2);
    EXPECT_EQ(settings.xResolution, 3);
    EXPECT_EQ(desktop.columns, 3);
}

TEST_F(SettingsLoad, CornerGivesInitialPosition) {
    struct Case {
        std::uint32_t corner;
        int x, y;
    } cases[] = {{1, -1, -1}, {2, 1016, -1}, {3, -1, 760}, {4, 1016, 760}, {0, -1, -1},
                 {7, -1, -1}, {0xFFFFFFFFu, -1, -1}};
    for (const Case& c : cases) {
        ResetConfig();
        sim::LoadReg(RegHeader() + "[HKEY_CURRENT_USER\\Software\\Orvanne\\Parmena\\Preferences]\n" +
                     Dword("Corner", c.corner));
        int x = 0, y = 0;
        LoadSettingsAndState(&x, &y);
        EXPECT_EQ(x, c.x) << "corner " << c.corner;
        EXPECT_EQ(y, c.y) << "corner " << c.corner;
        EXPECT_EQ(settings.corner, static_cast<std::int32_t>(c.corner));
    }
}

TEST_F(SettingsLoad, LowByteFlagsAndStoredValues) {
    sim::LoadReg(RegHeader() + "[HKEY_CURRENT_USER\\Software\\Orvanne\\Parmena\\Preferences]\n" +
                 Dword("Follow active", 256) + Dword("Switch at borders", 257) +
                 Dword("Only when button down", 0x1200) + Dword("Enable topmost", 256) +
                 Dword("XSize", 0xFFFFFFFF) + Dword("NavMouseMenu", 7) +
                 Dword("Disable navigation", 1) + Dword("ShellHotkey Modif", 3) +
                 Dword("ShellHotkey Key", 39));
    Load();
    EXPECT_EQ(settings.followActive, 0);
    EXPECT_EQ(settings.switchAtBorders, 1);
    EXPECT_EQ(settings.onlyWhenButtonDown, 0);
    EXPECT_EQ(settings.enableTopmost, 256);  // a whole-word flag stays as stored
    EXPECT_EQ(settings.xSize, -1);
    EXPECT_EQ(settings.navMouseMenu, 7);
    EXPECT_EQ(settings.disableNavigation, 1);
    EXPECT_EQ(settings.shellHotkeyModif, 3);
    EXPECT_EQ(settings.shellHotkeyKey, 39);
    EXPECT_EQ(ShellHotkeyKeyTable[39], 'Z');
}

TEST_F(SettingsLoad, GridAndHotkeyKeyOutOfRangeFallBack) {
    struct Case {
        std::uint32_t cols, rows, key;
        int wantCols, wantRows, wantKey;
    } cases[] = {{0, 257, 40, 3, 3, 0},
                 {0xFFFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 3, 3, 0},
                 {1, 256, 13, 1, 256, 13},
                 {7, 2, 0, 7, 2, 0}};
    for (const Case& c : cases) {
        ResetConfig();
        sim::LoadReg(RegHeader() + "[HKEY_CURRENT_USER\\Software\\Orvanne\\Parmena\\Preferences]\n" +
                     Dword("XResolution", c.cols) + Dword("YResolution", c.rows) +
                     Dword("ShellHotkey Key", c.key));
        desktop.currentColumn = 2;
        desktop.currentRow = 2;
        desktop.switching = 1;
        desktop.compressBusy = 1;
        Load();
        EXPECT_EQ(settings.xResolution, c.wantCols);
        EXPECT_EQ(settings.yResolution, c.wantRows);
        EXPECT_EQ(desktop.columns, c.wantCols);
        EXPECT_EQ(desktop.rows, c.wantRows);
        EXPECT_EQ(settings.shellHotkeyKey, c.wantKey);
        EXPECT_EQ(desktop.currentColumn, 0);
        EXPECT_EQ(desktop.currentRow, 0);
        EXPECT_EQ(desktop.switching, 0);
        EXPECT_EQ(desktop.compressBusy, 0);
    }
}

TEST_F(SettingsLoad, NumbersOfWrongTypeOrSizeReadAsMissing) {
    plat::Hkey cu = plat::HKEY_CURRENT_USER;
    SetRaw(cu, Pref, "XSize", plat::REG_SZ, Bytes(std::string("12\0", 3)));
    SetRaw(cu, Pref, "YSize", plat::REG_BINARY, {0x10, 0x00, 0x00, 0x00});
    SetRaw(cu, Pref, "Corner", plat::REG_BINARY, {0x04, 0x00});
    SetRaw(cu, Pref, "NavMouseDrag", plat::REG_DWORD, {0x01, 0x00, 0x00, 0x00, 0x00, 0x00});
    SetRaw(cu, Pref, "NavMouseMenu", plat::REG_DWORD, {});
    SetRaw(cu, Pref, "NavMouseMove", plat::REG_EXPAND_SZ, Bytes("abc"));
    SetRaw(cu, Pref, "NavMouseSwitch", plat::REG_NONE, {5, 0, 0, 0});
    Load();
    EXPECT_EQ(settings.xSize, 192);
    EXPECT_EQ(settings.ySize, 16);
    EXPECT_EQ(settings.corner, 2);
    EXPECT_EQ(settings.navMouseDrag, 4);
    EXPECT_EQ(settings.navMouseMenu, 2);
    EXPECT_EQ(settings.navMouseMove, 6);
    EXPECT_EQ(settings.navMouseSwitch, 1);
}

TEST_F(SettingsLoad, ColorsFromText) {
    sim::SetSysColor(plat::COLOR_WINDOWFRAME, 0x00ABCDEF);
    sim::SetSysColor(plat::COLOR_CAPTIONTEXT, 0x00123456);
    sim::LoadReg(RegHeader() + R"([HKEY_CURRENT_USER\Software\Orvanne\Parmena\Colors]
"Background"="ff"
"Grid"="0123456789012345678901234567890123456789"
"Window"="0xff"
"WindowFrame"="nothing"
"WindowCaption"="  c0c0c0 trailing"
"WindowText"=dword:000000ff
)");
    Load();
    EXPECT_EQ(settings.background, 255u);
    EXPECT_EQ(settings.grid, 0x00ABCDEFu);  // too long for its buffer: system colour
    EXPECT_EQ(settings.window, 255u);
    EXPECT_EQ(settings.windowFrame, 0u);
    EXPECT_EQ(settings.windowCaption, 0xC0C0C0u);
    EXPECT_EQ(settings.windowText, 0x00123456u);  // not text: system colour
}

TEST_F(SettingsLoad, ColorTextWithoutTerminatorAndAtBufferLimit) {
    sim::SetSysColor(plat::COLOR_BACKGROUND, 0x777777);
    plat::Hkey cu = plat::HKEY_CURRENT_USER;
    SetRaw(cu, Colors, "Background", plat::REG_SZ, Bytes(std::string(29, '0') + "f"));
    SetRaw(cu, Colors, "Grid", plat::REG_SZ, Bytes(std::string(28, '0') + "e"));
    SetRaw(cu, Colors, "Window", plat::REG_SZ, Bytes("a1"));
    Load();
    EXPECT_EQ(settings.background, 0x777777u);  // 30 characters and no room for the zero
    EXPECT_EQ(settings.grid, 0xEu);
    EXPECT_EQ(settings.window, 0xA1u);
}

TEST(ParseColor, BehavesLikeUnsignedBase16Conversion) {
    struct Case {
        const char* text;
        std::uint32_t want;
    } cases[] = {
        {"ff", 0xFF},           {"0xff", 0xFF},          {"0XFF", 0xFF},
        {"FfEe", 0xFFEE},       {"", 0},                 {"zz", 0},
        {"0x", 0},              {"0xg1", 0},             {" \t\n\v\f\r1a", 0x1A},
        {"+10", 0x10},          {"-1", 0xFFFFFFFFu},     {"-0x10", 0xFFFFFFF0u},
        {"ffffffff", 0xFFFFFFFFu}, {"100000000", 0xFFFFFFFFu}, {"-100000000", 0xFFFFFFFFu},
        {"0000000000000000ab", 0xAB}, {"12g4", 0x12},     {"--1", 0},
        {"+-1", 0},             {"ff\xff", 0xFF},         {"\xc3\xa9", 0},
    };
    for (const Case& c : cases) {
        std::uint32_t color = 0xDEADBEEF;
        ParseColor(c.text, &color);
        EXPECT_EQ(color, c.want) << "'" << c.text << "'";
    }
    std::uint32_t color = 5;
    ParseColor(nullptr, &color);
    EXPECT_EQ(color, 0u);
    ParseColor("12", nullptr);  // no crash
}

TEST(FormatColor, LowercaseHexWithoutLeadingZeros) {
    struct Case {
        std::uint32_t color;
        const char* want;
    } cases[] = {{0xC0C0C0, "c0c0c0"}, {0, "0"},      {0xFF0000, "ff0000"},
                 {0xFFFFFFFFu, "ffffffff"}, {0x1, "1"}, {0x0A0B0C, "a0b0c"}};
    for (const Case& c : cases) {
        char buf[12];
        std::memset(buf, 'x', sizeof buf);
        FormatColor(buf, c.color);
        EXPECT_STREQ(buf, c.want);
        std::uint32_t back = 0;
        ParseColor(buf, &back);
        EXPECT_EQ(back, c.color);
    }
}

TEST_F(SettingsLoad, FontFieldsAndFaceName) {
    sim::SetIconTitleFont(IconFont());
    const std::string face31(31, 'F');
    sim::LoadReg(RegHeader() + "[HKEY_CURRENT_USER\\Software\\Orvanne\\Parmena\\Font]\n" +
                 Dword("Italic", 0x101) + Dword("Weight", 700) + Dword("Underline", 0x1FF) +
                 Dword("Height", 0xFFFFFFF0u) + "\"FaceName\"=\"" + face31 + "\"\n");
    Load();
    EXPECT_EQ(settings.font.lfItalic, 1);
    EXPECT_EQ(settings.font.lfUnderline, 0xFF);
    EXPECT_EQ(settings.font.lfWeight, 700);
    EXPECT_EQ(settings.font.lfHeight, -16);
    EXPECT_EQ(settings.font.lfQuality, 1);  // not stored: icon-title font's value
    EXPECT_EQ(settings.font.lfStrikeOut, 0);
    EXPECT_EQ(std::string(settings.font.lfFaceName), face31);
}

TEST_F(SettingsLoad, FaceNameThatDoesNotFitKeepsTheSystemFace) {
    struct Case {
        std::vector<std::uint8_t> data;
        std::uint32_t type;
        const char* want;
    } cases[] = {
        {Bytes(std::string(32, 'a') + '\0'), plat::REG_SZ, "Icon Face"},
        {Bytes(std::string(79, 'b') + '\0'), plat::REG_SZ, "Icon Face"},
        {Bytes(std::string(80, 'c') + '\0'), plat::REG_SZ, "Icon Face"},
        {Bytes(std::string(5000, 'd')), plat::REG_SZ, "Icon Face"},
        {Bytes("Arial"), plat::REG_SZ, "Arial"},  // no terminator stored
        {Bytes(std::string("Ari\0al", 7)), plat::REG_SZ, "Ari"},
        {Bytes("Arial"), plat::REG_BINARY, "Icon Face"},
        {{}, plat::REG_SZ, ""},
    };
    for (const Case& c : cases) {
        ResetConfig();
        sim::SetIconTitleFont(IconFont());
        SetRaw(plat::HKEY_CURRENT_USER, Font, "FaceName", c.type, c.data);
        Load();
        EXPECT_STREQ(settings.font.lfFaceName, c.want) << c.data.size() << " bytes";
        EXPECT_NE(std::memchr(settings.font.lfFaceName, 0, sizeof settings.font.lfFaceName),
                  nullptr);
    }
}

class PositionList : public ConfigTest {
protected:
    void Put(int i, const std::string& name, std::uint32_t pos) {
        char n[32];
        std::snprintf(n, sizeof n, "Pos%iName", i);
        SetRaw(plat::HKEY_CURRENT_USER, Positions, n, plat::REG_SZ, Bytes(name + '\0'));
        std::snprintf(n, sizeof n, "Pos%iPos", i);
        SetRaw(plat::HKEY_CURRENT_USER, Positions, n, plat::REG_DWORD,
               {static_cast<std::uint8_t>(pos), static_cast<std::uint8_t>(pos >> 8),
                static_cast<std::uint8_t>(pos >> 16), static_cast<std::uint8_t>(pos >> 24)});
    }
    void Count(std::uint32_t n) {
        SetRaw(plat::HKEY_CURRENT_USER, Positions, "Count", plat::REG_DWORD,
               {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 24)});
    }
};

TEST_F(PositionList, GapsAreSkippedAndIndexOrderKept) {
    sim::LoadReg(RegHeader() + R"([HKEY_CURRENT_USER\Software\Orvanne\Parmena\Window Positions]
"ResetAtStart"=dword:00000001
"Count"=dword:00000005
"Pos0Name"="Mail*"
"Pos0Pos"=dword:00000102
"Pos1Pos"=dword:00000003
"Pos2Name"="Clock"
"Pos2Pos"=dword:00010000
"Pos3Name"="Editor"
"Pos4Name"="Shell"
"Pos4Pos"=dword:00020201
"Pos5Name"="Beyond count"
)");
    Load();
    EXPECT_EQ(settings.resetAtStart, 1);
    ASSERT_EQ(PositionNames(), (std::vector<std::string>{"Mail*", "Clock", "Editor", "Shell"}));
    const WindowPositionEntry* e = settings.positionList.next;
    EXPECT_EQ(e->position, 0x102u);
    EXPECT_EQ(e->next->position, KeepInPlace);
    EXPECT_EQ(e->next->next->position, 0u);  // no position value: 0
    EXPECT_EQ(e->next->next->next->position, 0x20201u);
    EXPECT_EQ(settings.positionList.name, nullptr);
    EXPECT_EQ(settings.positionList.position, 0u);
}

TEST_F(PositionList, ZeroOrNegativeCountLoadsNothing) {
    for (std::uint32_t count : {0u, 0xFFFFFFFFu, 0x80000000u}) {
        ResetConfig();
        Put(0, "Present", 1);
        Count(count);
        Load();
        EXPECT_TRUE(PositionNames().empty()) << count;
    }
}

TEST_F(PositionList, LongNamesDropOnlyTheirIndex) {
    Put(0, std::string(1023, 'x'), 1);
    Put(1, std::string(1024, 'y'), 2);
    Put(2, "after", 3);
    SetRaw(plat::HKEY_CURRENT_USER, Positions, "Pos3Name", plat::REG_SZ,
           Bytes(std::string(1024, 'z')));  // 1024 characters, no terminator
    SetRaw(plat::HKEY_CURRENT_USER, Positions, "Pos4Name", plat::REG_SZ,
           Bytes(std::string(1023, 'w')));  // fits once the zero is added
    SetRaw(plat::HKEY_CURRENT_USER, Positions, "Pos5Name", plat::REG_DWORD, {1, 0, 0, 0});
    Count(6);
    Load();
    std::vector<std::string> names = PositionNames();
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0], std::string(1023, 'x'));
    EXPECT_EQ(names[1], "after");
    EXPECT_EQ(names[2], std::string(1023, 'w'));
}

TEST_F(PositionList, HugeCountEndsAfterARunOfMissingNames) {
    Put(0, "first", 0);
    Put(MaxPositionGap, "within reach", 0);  // MaxPositionGap - 1 missing before it
    Put(2 * MaxPositionGap + 1, "beyond the gap", 0);
    Count(0x7FFFFFFF);
    auto start = std::chrono::steady_clock::now();
    Load();
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(PositionNames(), (std::vector<std::string>{"first", "within reach"}));
    EXPECT_LT(took, std::chrono::seconds(5));
}

TEST_F(PositionList, ReloadReplacesTheOldList) {
    Put(0, "one", 0);
    Put(1, "two", 0);
    Count(2);
    Load();
    ASSERT_EQ(PositionNames().size(), 2u);
    Count(1);
    Load();
    EXPECT_EQ(PositionNames(), std::vector<std::string>{"one"});
    FreePositionList();
    EXPECT_EQ(settings.positionList.next, nullptr);
    FreePositionList();  // an empty list stays empty
    EXPECT_EQ(settings.positionList.next, nullptr);
}

class RegistryHelpers : public ConfigTest {
protected:
    plat::Hkey key = nullptr;
    void SetUp() override {
        ConfigTest::SetUp();
        ASSERT_EQ(plat::RegCreateKeyEx(plat::HKEY_CURRENT_USER, Pref, 0, "", 0,
                                        plat::KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  plat::ERROR_SUCCESS);
    }
    void TearDown() override {
        plat::RegCloseKey(key);
        ConfigTest::TearDown();
    }
};

TEST_F(RegistryHelpers, ReadBytesLeavesBufferUntouchedOnFailure) {
    SetRaw(plat::HKEY_CURRENT_USER, Pref, "long", plat::REG_SZ, Bytes("0123456789"));
    SetRaw(plat::HKEY_CURRENT_USER, Pref, "num", plat::REG_DWORD, {1, 2, 3, 4});
    SetRaw(plat::HKEY_CURRENT_USER, Pref, "exact", plat::REG_SZ, Bytes("abcdefgh"));
    char buf[8];
    for (const char* name : {"long", "num", "missing", "exact"}) {
        std::memset(buf, '#', sizeof buf);
        EXPECT_FALSE(ReadBytes(key, name, buf, sizeof buf)) << name;
        EXPECT_EQ(std::string(buf, sizeof buf), std::string(8, '#')) << name;
    }
    std::memset(buf, '#', sizeof buf);
    EXPECT_FALSE(ReadBytes(nullptr, "long", buf, sizeof buf));
    EXPECT_FALSE(ReadBytes(key, "long", buf, 0));
    EXPECT_EQ(std::string(buf, sizeof buf), std::string(8, '#'));
}

TEST_F(RegistryHelpers, ReadBytesTerminatesText) {
    SetRaw(plat::HKEY_CURRENT_USER, Pref, "bare", plat::REG_SZ, Bytes("abcdefg"));
    SetRaw(plat::HKEY_CURRENT_USER, Pref, "expand", plat::REG_EXPAND_SZ, Bytes("%x%"));
    SetRaw(plat::HKEY_CURRENT_USER, Pref, "empty", plat::REG_SZ, {});
    char buf[8];
    std::memset(buf, '#', sizeof buf);
    ASSERT_TRUE(ReadBytes(key, "bare", buf, sizeof buf));
    EXPECT_STREQ(buf, "abcdefg");
    ASSERT_TRUE(ReadBytes(key, "expand", buf, sizeof buf));
    EXPECT_STREQ(buf, "%x%");
    ASSERT_TRUE(ReadBytes(key, "empty", buf, sizeof buf));
    EXPECT_STREQ(buf, "");
    // A buffer bigger than the scratch space on the stack.
    std::vector<char> big(5000, '#');
    SetRaw(plat::HKEY_CURRENT_USER, Pref, "big", plat::REG_SZ, Bytes(std::string(4000, 'q')));
    ASSERT_TRUE(ReadBytes(key, "big", big.data(), static_cast<std::uint32_t>(big.size())));
    EXPECT_EQ(std::strlen(big.data()), 4000u);
}

TEST_F(RegistryHelpers, DwordRoundTripAndStringLength) {
    WriteDword(key, "neg", -5);
    EXPECT_EQ(ReadDword(key, "neg", 0), -5);
    EXPECT_EQ(ReadDword(key, "missing", 42), 42);
    EXPECT_EQ(ReadDword(nullptr, "neg", 7), 7);
    sim::RegValue v = sim::GetValue("HKCU", Pref, "neg");
    EXPECT_EQ(v.type, plat::REG_DWORD);
    EXPECT_EQ(v.data.size(), 4u);
    EXPECT_EQ(v.AsDword(), 0xFFFFFFFBu);

    WriteString(key, "text", "Arial");
    v = sim::GetValue("HKCU", Pref, "text");
    EXPECT_EQ(v.type, plat::REG_SZ);
    EXPECT_EQ(v.data, Bytes(std::string("Arial\0", 6)));
    WriteString(nullptr, "text", "x");  // null key: nothing happens
    WriteDword(nullptr, "neg", 1);
    EXPECT_EQ(ReadDword(key, "neg", 0), -5);
}

}  // namespace
