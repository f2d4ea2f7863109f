// The shortcut store: list order and identity, the registry form, hostile values.
#include <cstring>

#include "config_fixture.h"

using namespace cfgtest;

namespace {

class ShortcutStoreTest : public ConfigTest {
protected:
    plat::Hkey userKey = nullptr, machineKey = nullptr;

    void OpenKeys() {
        ASSERT_EQ(plat::RegCreateKeyEx(plat::HKEY_CURRENT_USER, Shortcuts, 0, "", 0,
                                        plat::KEY_ALL_ACCESS, nullptr, &userKey, nullptr),
                  plat::ERROR_SUCCESS);
        ASSERT_EQ(plat::RegCreateKeyEx(plat::HKEY_LOCAL_MACHINE, Shortcuts, 0, "", 0,
                                        plat::KEY_ALL_ACCESS, nullptr, &machineKey, nullptr),
                  plat::ERROR_SUCCESS);
    }
    void TearDown() override {
        if (userKey) plat::RegCloseKey(userKey);
        if (machineKey) plat::RegCloseKey(machineKey);
        ConfigTest::TearDown();
    }
};

std::vector<std::string> Order() {
    std::vector<std::string> out;
    for (Shortcut* n = shortcutStore.head; n; n = n->next)
        out.push_back(std::string(n->name) + (n->root ? "@m" : "@u"));
    return out;
}

TEST_F(ShortcutStoreTest, OrderUserFirstMachineAppended) {
    EXPECT_EQ(AddShortcut("a", "1", "", 0, 1, nullptr), 0);
    EXPECT_EQ(AddShortcut("b", "2", "", 0, 1, nullptr), 0);
    EXPECT_EQ(AddShortcut("c", "3", "", 0, 1, nullptr), 0);
    EXPECT_EQ(AddShortcut("x", "4", "", 0, 0, nullptr), 0);
    EXPECT_EQ(AddShortcut("y", "5", "", 0, 0, nullptr), 0);
    EXPECT_EQ(Order(), (std::vector<std::string>{"y@u", "x@u", "a@m", "b@m", "c@m"}));
}

TEST_F(ShortcutStoreTest, IdentityIsNameIgnoringAsciiCasePlusRoot) {
    Shortcut* first = nullptr;
    Shortcut* again = nullptr;
    EXPECT_EQ(AddShortcut("Edit", "notepad.exe", "C:\\", 1, 0, &first), 0);
    EXPECT_EQ(AddShortcut("eDIT", "write.exe", "D:\\", 2, 0, &again), 1);
    EXPECT_EQ(first, again);
    EXPECT_STREQ(first->name, "Edit");  // keeps the case it was first stored with
    EXPECT_STREQ(first->command, "write.exe");
    EXPECT_STREQ(first->directory, "D:\\");
    EXPECT_EQ(first->show, 2);

    // Same name under the other root is another shortcut; the per-user one shadows it.
    Shortcut* machine = nullptr;
    EXPECT_EQ(AddShortcut("EDIT", "m.exe", "", 0, 1, &machine), 0);
    EXPECT_NE(machine, first);
    EXPECT_EQ(FindShortcut("edit", 0, nullptr), first);
    EXPECT_EQ(FindShortcut("edit", 1, nullptr), machine);
    EXPECT_EQ(FindShortcut("edit", 0, first), nullptr);
    EXPECT_EQ(FindShortcut("edits", 0, nullptr), nullptr);
    EXPECT_EQ(FindShortcut("edi", 0, nullptr), nullptr);

    // Only A-Z fold: bytes above 127 must match exactly.
    AddShortcut("caf\xc3\xa9", "c", "", 0, 0, nullptr);
    EXPECT_EQ(FindShortcut("CAF\xc3\xa9", 0, nullptr), shortcutStore.head);
    EXPECT_EQ(FindShortcut("caf\xc3\x89", 0, nullptr), nullptr);
    EXPECT_EQ(FindShortcut("[", 0, nullptr), nullptr);
    AddShortcut("{", "brace", "", 0, 0, nullptr);
    EXPECT_EQ(FindShortcut("[", 0, nullptr), nullptr);  // '[' is not '{' folded
}

TEST_F(ShortcutStoreTest, RemoveUnlinksOnlyTheMatch) {
    AddShortcut("a", "1", "", 0, 1, nullptr);
    AddShortcut("b", "2", "", 0, 1, nullptr);
    AddShortcut("x", "3", "", 0, 0, nullptr);
    EXPECT_EQ(RemoveShortcut("X", 0), 1);  // the head
    EXPECT_EQ(Order(), (std::vector<std::string>{"a@m", "b@m"}));
    EXPECT_EQ(RemoveShortcut("a", 0), 0);  // wrong root
    EXPECT_EQ(RemoveShortcut("zz", 1), 0);
    EXPECT_EQ(Order(), (std::vector<std::string>{"a@m", "b@m"}));
    EXPECT_EQ(RemoveShortcut("b", 1), 1);  // the tail
    EXPECT_EQ(Order(), std::vector<std::string>{"a@m"});
    EXPECT_EQ(RemoveShortcut("a", 1), 1);
    EXPECT_EQ(shortcutStore.head, nullptr);
    EXPECT_EQ(RemoveShortcut("a", 1), 0);
    // A machine node added to an empty list becomes the head.
    AddShortcut("m", "1", "", 0, 1, nullptr);
    EXPECT_EQ(Order(), std::vector<std::string>{"m@m"});
}

TEST_F(ShortcutStoreTest, LoadParsesTheStoredForm) {
    sim::LoadReg(RegHeader() + R"([HKEY_CURRENT_USER\Software\Orvanne\Parmena\Shortcuts]
"calc"="0|calc.exe"
"ed"="1C:\\|notepad.exe"
"nobar"="2C:\\Temp"
"bin"=hex:30,7c,61
"num"=dword:00000001
"late"="2%TEMP%|cmd.exe /k dir"
"odd"="x|a|b"
"empty"=""
"bare"="|"
)");
    OpenKeys();
    LoadShortcuts(userKey, 0);
    Shortcut* calc = FindShortcut("calc", 0, nullptr);
    ASSERT_NE(calc, nullptr);
    EXPECT_EQ(calc->show, 0);
    EXPECT_STREQ(calc->directory, "");
    EXPECT_STREQ(calc->command, "calc.exe");
    Shortcut* ed = FindShortcut("ed", 0, nullptr);
    ASSERT_NE(ed, nullptr);
    EXPECT_EQ(ed->show, 1);
    EXPECT_STREQ(ed->directory, "C:\\");
    EXPECT_STREQ(ed->command, "notepad.exe");
    Shortcut* late = FindShortcut("late", 0, nullptr);
    ASSERT_NE(late, nullptr);
    EXPECT_EQ(late->show, 2);
    EXPECT_STREQ(late->directory, "%TEMP%");
    EXPECT_STREQ(late->command, "cmd.exe /k dir");
    Shortcut* odd = FindShortcut("odd", 0, nullptr);
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(odd->show, 9);  // a show character beyond '9' is clamped
    EXPECT_STREQ(odd->directory, "");
    EXPECT_STREQ(odd->command, "a|b");
    for (const char* skipped : {"nobar", "bin", "num", "empty", "bare"})
        EXPECT_EQ(FindShortcut(skipped, 0, nullptr), nullptr) << skipped;
    EXPECT_EQ(calc->root, 0);
}

TEST_F(ShortcutStoreTest, OverlongValuesAreSkippedWithoutEndingTheEnumeration) {
    OpenKeys();
    plat::Hkey cu = plat::HKEY_CURRENT_USER;
    SetRaw(cu, Shortcuts, "before", plat::REG_SZ, Bytes(std::string("0|a.exe\0", 8)));
    SetRaw(cu, Shortcuts, std::string(31, 'n'), plat::REG_SZ, Bytes(std::string("0|ok\0", 5)));
    SetRaw(cu, Shortcuts, std::string(32, 'n'), plat::REG_SZ, Bytes(std::string("0|no\0", 5)));
    SetRaw(cu, Shortcuts, std::string(64, 'L'), plat::REG_SZ, Bytes(std::string("0|no\0", 5)));
    SetRaw(cu, Shortcuts, "bigdata", plat::REG_SZ, Bytes("0|" + std::string(2000, 'c')));
    SetRaw(cu, Shortcuts, "cmd511", plat::REG_SZ, Bytes("0|" + std::string(511, 'c')));
    SetRaw(cu, Shortcuts, "cmd512", plat::REG_SZ, Bytes("0|" + std::string(512, 'c')));
    SetRaw(cu, Shortcuts, "dir512", plat::REG_SZ, Bytes("0" + std::string(512, 'd') + "|x"));
    SetRaw(cu, Shortcuts, "both", plat::REG_SZ,
           Bytes("1" + std::string(511, 'd') + "|" + std::string(511, 'c')));
    SetRaw(cu, Shortcuts, "unterminated", plat::REG_SZ, Bytes("0|u.exe"));
    SetRaw(cu, Shortcuts, "after", plat::REG_SZ, Bytes(std::string("0|z.exe\0", 8)));
    LoadShortcuts(userKey, 0);
    for (const char* name : {"before", "after", "cmd511", "both", "unterminated"})
        ASSERT_NE(FindShortcut(name, 0, nullptr), nullptr) << name;
    ASSERT_NE(FindShortcut(std::string(31, 'n').c_str(), 0, nullptr), nullptr);
    for (const char* name : {"bigdata", "cmd512", "dir512"})
        EXPECT_EQ(FindShortcut(name, 0, nullptr), nullptr) << name;
    ASSERT_EQ(Order().size(), 6u);
    EXPECT_EQ(std::strlen(FindShortcut("cmd511", 0, nullptr)->command), 511u);
    Shortcut* both = FindShortcut("both", 0, nullptr);
    EXPECT_EQ(std::strlen(both->directory), 511u);
    EXPECT_EQ(std::strlen(both->command), 511u);
    EXPECT_STREQ(FindShortcut("unterminated", 0, nullptr)->command, "u.exe");
}

TEST_F(ShortcutStoreTest, AddTruncatesWhatDoesNotFit) {
    const std::string longName(40, 'k');
    const std::string longText(700, 't');
    Shortcut* n = nullptr;
    EXPECT_EQ(AddShortcut(longName.c_str(), longText.c_str(), longText.c_str(), 0, 0, &n), 0);
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(std::string(n->name), std::string(31, 'k'));
    EXPECT_EQ(std::strlen(n->command), 511u);
    EXPECT_EQ(std::strlen(n->directory), 511u);
    // The same long name finds the node it was stored as.
    Shortcut* again = nullptr;
    EXPECT_EQ(AddShortcut(longName.c_str(), "short", nullptr, 1, 0, &again), 1);
    EXPECT_EQ(again, n);
    EXPECT_STREQ(n->directory, "");
    EXPECT_EQ(FindShortcut(longName.c_str(), 0, nullptr), n);
    EXPECT_EQ(RemoveShortcut(longName.c_str(), 0), 1);
    EXPECT_EQ(shortcutStore.head, nullptr);

    // Cut before the character that would straddle the field: ten of the eleven 3-byte ones.
    std::string wide;
    for (int i = 0; i < 11; ++i) wide += "語";
    ASSERT_EQ(AddShortcut(wide.c_str(), wide.c_str(), nullptr, 0, 0, &n), 0);
    EXPECT_EQ(std::string(n->name), wide.substr(0, 30));
    EXPECT_EQ(std::string(n->command), wide);
}

TEST_F(ShortcutStoreTest, MachineKeyLoadsBehindUserShortcuts) {
    sim::LoadReg(RegHeader() + R"([HKEY_LOCAL_MACHINE\Software\Orvanne\Parmena\Shortcuts]
"web"="0|machine-web.exe"
"mail"="0|machine-mail.exe"

[HKEY_CURRENT_USER\Software\Orvanne\Parmena\Shortcuts]
"WEB"="0|user-web.exe"
)");
    Load();
    Shortcut* web = nullptr;
    for (Shortcut* n = shortcutStore.head; n; n = n->next)
        if (!web && (std::strcmp(n->name, "web") == 0 || std::strcmp(n->name, "WEB") == 0)) web = n;
    ASSERT_NE(web, nullptr);
    EXPECT_STREQ(web->command, "user-web.exe");
    EXPECT_EQ(web->root, 0);
    EXPECT_EQ(shortcutStore.head, web);
    EXPECT_EQ(Order().size(), 3u);
    EXPECT_NE(FindShortcut("web", 1, nullptr), nullptr);
}

TEST_F(ShortcutStoreTest, SaveWritesTheStoredFormUnexpanded) {
    OpenKeys();
    Shortcut* n = nullptr;
    AddShortcut("Np", "notepad.exe", "%windir%", 0, 0, &n);
    SaveShortcut(n);
    sim::RegValue v = sim::GetValue("HKCU", Shortcuts, "Np");
    ASSERT_TRUE(v.exists);
    EXPECT_EQ(v.type, plat::REG_SZ);
    EXPECT_EQ(v.data, Bytes(std::string("0%windir%|notepad.exe\0", 22)));

    Shortcut* m = nullptr;
    AddShortcut("calc", "calc.exe", "C:\\", 1, 1, &m);
    SaveShortcut(m);
    EXPECT_EQ(sim::GetValue("HKLM", Shortcuts, "calc").AsString(), "1C:\\|calc.exe");
    EXPECT_TRUE(sim::MessageBoxes().empty());

    // What was saved loads back the same.
    FreeShortcuts();
    LoadShortcuts(userKey, 0);
    LoadShortcuts(machineKey, 1);
    Shortcut* back = FindShortcut("np", 0, nullptr);
    ASSERT_NE(back, nullptr);
    EXPECT_STREQ(back->command, "notepad.exe");
    EXPECT_STREQ(back->directory, "%windir%");
    ASSERT_NE(FindShortcut("calc", 1, nullptr), nullptr);
    EXPECT_EQ(FindShortcut("calc", 1, nullptr)->show, 1);

    DeleteShortcut(back);
    EXPECT_FALSE(sim::GetValue("HKCU", Shortcuts, "Np").exists);
    EXPECT_EQ(FindShortcut("np", 0, nullptr), back);  // the list is not touched
}

TEST_F(ShortcutStoreTest, ShowValueOutsideOneDigitKeepsTheDirectoryIntact) {
    sim::LoadReg(RegHeader() + R"([HKEY_CURRENT_USER\Software\Orvanne\Parmena\Shortcuts]
"z"="Zc:\\dir|ed.exe"
)");
    OpenKeys();
    LoadShortcuts(userKey, 0);
    Shortcut* z = FindShortcut("z", 0, nullptr);
    ASSERT_NE(z, nullptr);
    EXPECT_EQ(z->show, 9);
    EXPECT_STREQ(z->directory, "c:\\dir");
    const struct {
        int show;
        const char* stored;
    } cases[] = {{42, "9c:\\dir|ed.exe"}, {-5, "0c:\\dir|ed.exe"}, {10, "9c:\\dir|ed.exe"},
                 {7, "7c:\\dir|ed.exe"}};
    for (const auto& c : cases) {
        z->show = c.show;
        SaveShortcut(z);
        EXPECT_EQ(sim::GetValue("HKCU", Shortcuts, "z").AsString(), c.stored) << c.show;
    }
    FreeShortcuts();
    LoadShortcuts(userKey, 0);
    ASSERT_NE(FindShortcut("z", 0, nullptr), nullptr);
    EXPECT_STREQ(FindShortcut("z", 0, nullptr)->directory, "c:\\dir");
}

TEST_F(ShortcutStoreTest, SaveFieldsWithoutTerminatorStayBounded) {
    OpenKeys();
    Shortcut* n = nullptr;
    AddShortcut("x", "c", "d", 3, 0, &n);
    std::memset(n->name, 'N', sizeof n->name);
    std::memset(n->command, 'C', sizeof n->command);
    std::memset(n->directory, 'D', sizeof n->directory);
    SaveShortcut(n);
    sim::RegValue v = sim::GetValue("HKCU", Shortcuts, std::string(32, 'N'));
    ASSERT_TRUE(v.exists);
    EXPECT_EQ(v.AsString(), "3" + std::string(512, 'D') + "|" + std::string(512, 'C'));
    DeleteShortcut(n);
    EXPECT_FALSE(sim::GetValue("HKCU", Shortcuts, std::string(32, 'N')).exists);
}

TEST_F(ShortcutStoreTest, SaveFailureShowsTheMessageAndKeepsTheNode) {
    sim::DenyAccess("HKLM", "SOFTWARE\\Orvanne");
    Shortcut* n = nullptr;
    AddShortcut("m", "m.exe", "", 0, 1, &n);
    SaveShortcut(n);
    std::vector<sim::MessageBoxRecord> boxes = sim::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_EQ(boxes[0].text, "Error writing shortcut information to registry!");
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].type, plat::MB_ICONERROR);
    EXPECT_EQ(shortcutStore.head, n);
    EXPECT_STREQ(n->command, "m.exe");

    DeleteShortcut(n);  // silent
    n->root = 7;        // no such root: fails like a key that cannot be opened
    SaveShortcut(n);
    DeleteShortcut(n);
    EXPECT_EQ(sim::MessageBoxes().size(), 2u);
    SaveShortcut(nullptr);
    DeleteShortcut(nullptr);
    EXPECT_EQ(sim::MessageBoxes().size(), 2u);
}

}  // namespace
