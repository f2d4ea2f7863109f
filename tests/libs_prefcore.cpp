// The settings dialog's logic: fields to record and back, checks and their messages, edit
// copies that reach the record, the shared entries and the shortcut store only on commit.
#include <cstring>

#include "config_fixture.h"
#include "libs/parmdlg/prefcore.h"

using namespace cfgtest;

namespace {

struct NumberCase {
    const char* text;
    int lo, hi;
    std::int32_t stored;
    bool ok;
    std::int32_t value;
};

TEST(PrefFields, NumbersAcceptTheRangeOrTheUnchangedStoredValue) {
    const NumberCase cases[] = {
        {"4", 1, 16, 3, true, 4},     {" 16 ", 1, 16, 3, true, 16}, {"40", 1, 16, 40, true, 40},
        {"0", 1, 16, 0, true, 0},     {"17", 1, 16, 40, false, 0},  {"0", 1, 16, 3, false, 0},
        {"", 1, 16, 3, false, 0},     {"4x", 1, 16, 3, false, 0},   {"-1", 1, 16, 3, false, 0},
        {"99999999999", 9, 4096, 192, false, 0},                    {"8", 9, 4096, 192, false, 0},
    };
    for (const NumberCase& c : cases) {
        std::int32_t v = -77;
        std::string message;
        EXPECT_EQ(prefs::ParseNumber(c.text, "Columns", c.lo, c.hi, c.stored, &v, &message), c.ok)
            << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
        if (!c.ok) {
            EXPECT_EQ(v, -77) << c.text;
            EXPECT_EQ(message, "Columns must be a whole number from " + std::to_string(c.lo) +
                                   " to " + std::to_string(c.hi) + ".");
        }
    }
}

TEST(PrefFields, TextLengthsNameFieldAndRange) {
    prefs::Edit edit{};
    edit.record.xResolution = edit.record.yResolution = 3;
    prefs::Refusal refusal;
    EXPECT_FALSE(prefs::PutPosition(&edit, -1, std::string(1024, 'a'), "1", "1", false, false, &refusal));
    EXPECT_EQ(refusal.message, "Window name must be 1 to 1023 characters long.");
    EXPECT_TRUE(prefs::PutPosition(&edit, -1, std::string(1023, 'a'), "1", "1", false, false, &refusal));

    const std::int32_t acts[4] = {-1, -1, -1, -1};
    EXPECT_FALSE(prefs::PutProgram(&edit, -1, std::string(128, 'p'), acts, acts, -1, &refusal));
    EXPECT_EQ(refusal.message, "Program name must be 1 to 127 characters long.");
    EXPECT_TRUE(prefs::PutProgram(&edit, -1, std::string(127, 'p'), acts, acts, -1, &refusal));
    EXPECT_EQ(prefs::EntryName(edit.programs[0]), std::string(127, 'p'));

    EXPECT_FALSE(prefs::PutShortcut(&edit, -1, std::string(32, 's'), "x", "", 0, &refusal));
    EXPECT_EQ(refusal.message, "Shortcut name must be 1 to 31 characters long.");
    // Eleven characters of three bytes each: too long for the field, and the message says why.
    std::string cjk;
    for (int i = 0; i < 11; ++i) cjk += "語";
    EXPECT_FALSE(prefs::PutShortcut(&edit, -1, cjk, "x", "", 0, &refusal));
    EXPECT_EQ(refusal.message, "Shortcut name is too long: it may take 31 bytes, and each character beyond "
                       "plain ASCII takes two to four of them.");
    EXPECT_TRUE(prefs::PutShortcut(&edit, -1, cjk.substr(0, 30), "x", "", 0, &refusal));
    ASSERT_EQ(edit.shortcuts.size(), 1u);
    prefs::RemoveShortcutEdit(&edit, 0);
    EXPECT_FALSE(prefs::PutShortcut(&edit, -1, "ed", "", "", 0, &refusal));
    EXPECT_EQ(refusal.message, "Command must be 1 to 511 characters long.");
    EXPECT_EQ(refusal.field, prefs::EntryField::Command);
    EXPECT_FALSE(prefs::PutShortcut(&edit, -1, "ed", "x", std::string(512, 'd'), 0, &refusal));
    EXPECT_EQ(refusal.message, "Directory must be at most 511 characters long.");
    // The stored value splits directory and command at the first "|".
    EXPECT_FALSE(prefs::PutShortcut(&edit, -1, "ed", "notepad.exe", "C:\\a|b", 0, &refusal));
    EXPECT_EQ(refusal.message, "Directory must not contain \"|\".");
    EXPECT_EQ(refusal.field, prefs::EntryField::Directory);
    EXPECT_FALSE(prefs::PutShortcut(&edit, -1, "two words", "x", "", 0, &refusal));
    EXPECT_EQ(refusal.field, prefs::EntryField::Name);
    EXPECT_TRUE(prefs::PutShortcut(&edit, -1, std::string(31, 's'), "x", "", 0, &refusal));
    EXPECT_FALSE(prefs::PutShortcut(&edit, -1, std::string(31, 'S'), "y", "", 0, &refusal));
    EXPECT_EQ(edit.shortcuts.size(), 1u);
}

TEST(PrefFields, PositionCellsCountFromOneWithinTheGrid) {
    prefs::Edit edit{};
    edit.record.xResolution = 4;
    edit.record.yResolution = 2;
    prefs::Refusal refusal;
    EXPECT_FALSE(prefs::PutPosition(&edit, -1, "Calc*", "5", "1", false, false, &refusal));
    EXPECT_EQ(refusal.message, "Column must be a whole number from 1 to 4.");
    EXPECT_EQ(refusal.field, prefs::EntryField::Column);
    EXPECT_FALSE(prefs::PutPosition(&edit, -1, "Calc*", "1", "3", false, false, &refusal));
    EXPECT_EQ(refusal.message, "Row must be a whole number from 1 to 2.");
    EXPECT_EQ(refusal.field, prefs::EntryField::Row);
    ASSERT_TRUE(prefs::PutPosition(&edit, -1, "Calc*", "4", "2", true, false, &refusal));
    EXPECT_EQ(edit.positions[0].position, 0x0103u | KeepInPlace);

    // A stored cell outside today's grid, and bits the dialog does not know, survive an edit
    // of the flags alone.
    edit.positions[0].position = 0x0409u | KeepInPlace | 0x100000u;
    ASSERT_TRUE(prefs::PutPosition(&edit, 0, "Calc*", "10", "5", false, true, &refusal));
    EXPECT_EQ(edit.positions[0].position, 0x0409u | MinimizeOnSwitch | 0x100000u);
}

TEST(PrefFields, ShellHotkeyNeedsATableKeyWithControlOrAlt) {
    using prefs::HotkeyAlt;
    using prefs::HotkeyControl;
    using prefs::HotkeyShift;
    struct Case {
        std::uint16_t word;
        bool ok;
        std::int32_t modif, key;
    } cases[] = {
        {HotkeyControl | HotkeyAlt | 0x20, true, 6, 0},  {HotkeyAlt | 0x0D, true, 4, 1},
        {HotkeyControl | 0x7B, true, 2, 13},             {HotkeyControl | HotkeyShift | 'Z', true, 3, 39},
        {HotkeyControl | '5', false, 0, 0},              {HotkeyShift | 'A', false, 0, 0},
        {'A', false, 0, 0},                              {0, false, 0, 0},
    };
    const std::uint16_t shown = prefs::HotkeyWord(6, 0);
    EXPECT_EQ(shown, HotkeyControl | HotkeyAlt | 0x20);
    for (const Case& c : cases) {
        std::int32_t modif = 99, key = 99;
        std::string message;
        EXPECT_EQ(prefs::ParseHotkey(c.word, 0x7FFF, &modif, &key, &message), c.ok) << c.word;
        if (c.ok) {
            EXPECT_EQ(modif * 100 + key, c.modif * 100 + c.key) << c.word;
        }
        if (!c.ok) {
            EXPECT_NE(message.find("Shell hotkey"), std::string::npos);
        }
    }
    // A stored key outside the table shows an empty control and stays unless changed.
    EXPECT_EQ(prefs::HotkeyWord(6, 40), 0);
    std::int32_t modif = 0, key = 40;
    std::string message;
    EXPECT_TRUE(prefs::ParseHotkey(0, 0, &modif, &key, &message));
    EXPECT_EQ(key, 40);
}

TEST(PrefFields, ChoicesKeepAStoredUnknownValue) {
    int index = -1;
    auto gestures = prefs::ChoicesFor(prefs::GestureChoices(), 5, &index);
    EXPECT_EQ(gestures.size(), 8u);
    EXPECT_EQ(gestures[index].label, "Shift+Left double-click");
    gestures = prefs::ChoicesFor(prefs::GestureChoices(), 9, &index);
    ASSERT_EQ(gestures.size(), 9u);
    EXPECT_EQ(index, 8);
    EXPECT_EQ(gestures[8].value, 9);

    auto clicks = prefs::ActionChoices(ClickActions, true);
    ASSERT_EQ(clicks.size(), static_cast<std::size_t>(CountMouseActions(ClickActions, 99) + 1));
    EXPECT_EQ(clicks[0].value, prefs::UseDefault);
    EXPECT_EQ(clicks[1].value, ClickActions[0].code);
    EXPECT_EQ(prefs::ActionChoices(nullptr, false).size(), 0u);
    // A table without its terminator within reach gives no actions rather than a runaway walk.
    std::vector<MouseAction> endless(300, MouseAction{1, "x"});
    EXPECT_EQ(prefs::ActionChoices(endless.data(), false).size(), 0u);
}

TEST(PrefFields, RunValueMatchesOnlyThisProgram) {
    const char* exe = "C:\\Program Files\\Parmena\\parmena.exe";
    EXPECT_EQ(prefs::RunValueFor(exe), "\"C:\\Program Files\\Parmena\\parmena.exe\"");
    EXPECT_TRUE(prefs::RunValueIsProgram("\"C:\\Program Files\\Parmena\\parmena.exe\"", exe));
    EXPECT_TRUE(prefs::RunValueIsProgram("c:\\program files\\parmena\\PARMENA.EXE", exe));
    EXPECT_FALSE(prefs::RunValueIsProgram("\"D:\\old\\parmena.exe\"", exe));
    EXPECT_FALSE(prefs::RunValueIsProgram(nullptr, exe));

    prefs::Edit edit{};
    for (int stored = 0; stored < 2; ++stored)
        for (int now = 0; now < 2; ++now) {
            edit.runAtLogonStored = stored;
            edit.runAtLogon = now;
            const auto want = stored == now ? prefs::RunKeyAction::None
                              : now         ? prefs::RunKeyAction::Write
                                            : prefs::RunKeyAction::Remove;
            EXPECT_EQ(prefs::DecideRunKey(edit), want);
        }
}

class PrefEditTest : public ConfigTest {
protected:
    HookBlock* block = nullptr;
    void SetUp() override {
        ConfigTest::SetUp();
        Load();
        ASSERT_TRUE(CreateHookBlock());
        block = hookBlock;
    }
};

TEST_F(PrefEditTest, NothingReachesTheRecordBeforeCommitAndStoredOddValuesSurvive) {
    settings.xResolution = 40;  // outside the dialog's range
    settings.corner = 7;
    settings.navMouseMenu = 9;
    settings.shellHotkeyKey = 55;
    settings.positionList.next = NewPositionEntry("Calc*", 0x0201);
    AddShortcut("ed", "notepad.exe", "", 0, 0, nullptr);
    settings.programEntries[0] = MiddleButtonEntry{"prog.exe", {1, 2, 3, 4}, {5, 6, 7, 8}, 1};
    settings.programEntryCount = 1;
    std::vector<std::uint8_t> before(reinterpret_cast<std::uint8_t*>(block),
                                     reinterpret_cast<std::uint8_t*>(block) + sizeof(HookBlock));
    const Settings recordBefore = settings;

    prefs::Edit edit;
    prefs::BeginEdit(settings, &shortcutStore, false, &edit);
    EXPECT_EQ(edit.record.xResolution, 40);
    edit.record.yResolution = 2;
    edit.record.navigationModifiers = 2;
    edit.defaultEntry.click[0] = 105;
    prefs::Refusal refusal;
    const std::int32_t acts[4] = {-1, -1, -1, -1};
    ASSERT_TRUE(prefs::PutProgram(&edit, -1, "other.exe", acts, acts, -1, &refusal));
    ASSERT_TRUE(prefs::PutPosition(&edit, -1, "Mail*", "1", "1", false, false, &refusal));
    ASSERT_TRUE(prefs::PutShortcut(&edit, -1, "calc", "calc.exe", "", 0, &refusal));
    prefs::RemoveShortcutEdit(&edit, 0);

    // Cancel: nothing above was written anywhere.
    EXPECT_EQ(std::memcmp(&settings, &recordBefore, sizeof settings), 0);
    EXPECT_EQ(std::memcmp(block, before.data(), before.size()), 0);
    ASSERT_NE(FindShortcut("ed", 0, nullptr), nullptr);
    EXPECT_EQ(FindShortcut("calc", 0, nullptr), nullptr);
    EXPECT_TRUE(prefs::PositionsChanged(edit, settings));

    // OK without changes: a fresh edit commits the same bytes.
    prefs::Edit same;
    prefs::BeginEdit(settings, &shortcutStore, false, &same);
    EXPECT_FALSE(prefs::PositionsChanged(same, settings));
    prefs::Commit(same, &settings, &shortcutStore);
    EXPECT_EQ(std::memcmp(&settings, &recordBefore, sizeof settings), 0);
    EXPECT_EQ(std::memcmp(block, before.data(), before.size()), 0);

    settings.xSize = 300;  // the pager, while the dialog is open
    prefs::Commit(edit, &settings, &shortcutStore);
    EXPECT_EQ(settings.xSize, 300);
    EXPECT_EQ(settings.xResolution, 40);
    EXPECT_EQ(settings.yResolution, 2);
    EXPECT_EQ(settings.navigationModifiers, 2);
    EXPECT_EQ(settings.corner, 7);
    EXPECT_EQ(settings.navMouseMenu, 9);
    EXPECT_EQ(settings.shellHotkeyKey, 55);
    EXPECT_EQ(settings.programEntryCount, 2);
    EXPECT_EQ(settings.defaultMiddleEntry->click[0], 105);
    EXPECT_STREQ(settings.programEntries[1].name, "other.exe");
    EXPECT_EQ(settings.programEntries[1].transmit, -1);
    EXPECT_STREQ(settings.programEntries[0].name, "prog.exe");
    EXPECT_EQ(FindShortcut("ed", 0, nullptr), nullptr);
    ASSERT_NE(FindShortcut("calc", 0, nullptr), nullptr);
    // The remembered windows go through the pager's list message, not through Commit.
    EXPECT_EQ(PositionNames(), std::vector<std::string>{"Calc*"});
}

std::string StoredShortcut(const char* name) {
    plat::Hkey k = nullptr;
    if (plat::RegOpenKeyEx(plat::HKEY_CURRENT_USER, Shortcuts, 0, plat::KEY_ALL_ACCESS, &k) !=
        plat::ERROR_SUCCESS)
        return "<no key>";
    char data[1100] = {};
    std::uint32_t size = sizeof data - 1, type = 0;
    long r = plat::RegQueryValueEx(k, name, nullptr, &type, reinterpret_cast<std::uint8_t*>(data), &size);
    plat::RegCloseKey(k);
    return r == plat::ERROR_SUCCESS ? std::string(data) : "<none>";
}

TEST_F(PrefEditTest, ShortcutEditsReachListAndRegistryThroughTheStore) {
    Shortcut* node = nullptr;
    AddShortcut("ed", "notepad.exe", "", 0, 0, &node);
    SaveShortcut(node);
    AddShortcut("old", "old.exe", "C:\\", 1, 0, &node);
    SaveShortcut(node);
    AddShortcut("keep", "k.exe", "", 0, 0, &node);
    SaveShortcut(node);
    AddShortcut("site", "site.exe", "", 0, 1, nullptr);  // machine-wide

    prefs::Edit edit;
    prefs::BeginEdit(settings, &shortcutStore, false, &edit);
    ASSERT_EQ(edit.shortcuts.size(), 3u);
    ASSERT_EQ(edit.machineShortcuts.size(), 1u);
    prefs::Refusal refusal;
    auto at = [&](const char* name) {
        for (std::size_t i = 0; i < edit.shortcuts.size(); ++i)
            if (edit.shortcuts[i].name == name) return static_cast<int>(i);
        return -1;
    };
    // Rename "old" to "new", then reuse the freed name for another command; drop "ed".
    ASSERT_TRUE(prefs::PutShortcut(&edit, at("old"), "new", "old.exe", "C:\\", 1, &refusal));
    ASSERT_TRUE(prefs::PutShortcut(&edit, -1, "old", "other.exe", "%windir%", 2, &refusal));
    prefs::RemoveShortcutEdit(&edit, at("ed"));
    // The same texts again are no change.
    ASSERT_TRUE(prefs::PutShortcut(&edit, at("keep"), "keep", "k.exe", "", 0, &refusal));
    EXPECT_FALSE(edit.shortcuts[static_cast<std::size_t>(at("keep"))].changed);
    // A machine-wide name may be shadowed by a per-user one.
    ASSERT_TRUE(prefs::PutShortcut(&edit, -1, "site", "mine.exe", "", 0, &refusal));

    prefs::Commit(edit, &settings, &shortcutStore);
    EXPECT_EQ(StoredShortcut("ed"), "<none>");
    EXPECT_EQ(StoredShortcut("new"), "1C:\\|old.exe");
    EXPECT_EQ(StoredShortcut("old"), "2%windir%|other.exe");
    EXPECT_EQ(StoredShortcut("keep"), "0|k.exe");
    EXPECT_EQ(StoredShortcut("site"), "0|mine.exe");
    EXPECT_EQ(FindShortcut("ed", 0, nullptr), nullptr);
    ASSERT_NE(FindShortcut("old", 0, nullptr), nullptr);
    EXPECT_STREQ(FindShortcut("old", 0, nullptr)->command, "other.exe");
    ASSERT_NE(FindShortcut("site", 1, nullptr), nullptr);
    EXPECT_STREQ(FindShortcut("site", 1, nullptr)->command, "site.exe");
}

TEST_F(PrefEditTest, ProgramEntriesStopAtTheBlocksCapacity) {
    settings.programEntryCount = 5000;  // a count from elsewhere, far beyond the block
    prefs::Edit edit;
    prefs::BeginEdit(settings, &shortcutStore, false, &edit);
    EXPECT_EQ(edit.programs.size(), 1024u);
    prefs::Refusal refusal;
    const std::int32_t acts[4] = {-1, -1, -1, -1};
    EXPECT_FALSE(prefs::PutProgram(&edit, -1, "one.more", acts, acts, -1, &refusal));
    EXPECT_EQ(refusal.message, "There can be at most 1024 program entries.");
    prefs::RemoveProgram(&edit, 0);
    EXPECT_TRUE(prefs::PutProgram(&edit, -1, "one.more", acts, acts, -1, &refusal));
    prefs::Commit(edit, &settings, &shortcutStore);
    EXPECT_EQ(settings.programEntryCount, 1024);
    EXPECT_STREQ(settings.programEntries[1023].name, "one.more");

    settings.programEntryCount = -3;
    prefs::BeginEdit(settings, &shortcutStore, false, &edit);
    EXPECT_TRUE(edit.programs.empty());
}

}  // namespace
