// The host-checkable parts of the Windows side: where the companion libraries are looked
// for, and the action tables the hook library hands to the settings dialog.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "config_fixture.h"
#include "libs/parmm/actions.h"
#include "platform/path.h"

namespace {

std::string Path(const char* exe, const char* name, std::size_t size = 260) {
    char out[600];
    std::memset(out, 'x', sizeof out);
    if (!plat::CompanionPath(exe, name, out, size)) {
        EXPECT_EQ(out[0], '\0') << "a refused path must leave the buffer empty";
        return "<refused>";
    }
    return out;
}

TEST(CompanionPath, LibraryLiesBesideTheProgram) {
    EXPECT_EQ(Path("C:\\Programs\\Parmena\\parmena.exe", "parmm.dll"),
              "C:\\Programs\\Parmena\\parmm.dll");
    EXPECT_EQ(Path("C:\\parmena.exe", "parmdlg.dll"), "C:\\parmdlg.dll");
    EXPECT_EQ(Path("\\\\server\\share\\p.exe", "parmm.dll"), "\\\\server\\share\\parmm.dll");
    // Whichever separator comes last ends the folder.
    EXPECT_EQ(Path("C:/a\\b/parmena.exe", "parmm.dll"), "C:/a\\b/parmm.dll");
    EXPECT_EQ(Path("C:\\a/b\\parmena.exe", "parmm.dll"), "C:\\a/b\\parmm.dll");
}

TEST(CompanionPath, NeverFallsBackToTheSearchPath) {
    // Without a folder the bare name would be looked up on the search path.
    EXPECT_EQ(Path("parmena.exe", "parmm.dll"), "<refused>");
    EXPECT_EQ(Path("", "parmm.dll"), "<refused>");
    EXPECT_EQ(Path(nullptr, "parmm.dll"), "<refused>");
    EXPECT_EQ(Path("C:\\p\\parmena.exe", ""), "<refused>");
    EXPECT_EQ(Path("C:\\p\\parmena.exe", nullptr), "<refused>");
}

TEST(CompanionPath, LongPathsAreRefusedNotCut) {
    const char* exe = "C:\\dir\\parmena.exe";  // folder "C:\dir\" is 7 characters
    const std::string full = "C:\\dir\\parmm.dll";  // 16 characters
    EXPECT_EQ(Path(exe, "parmm.dll", full.size() + 1), full);
    EXPECT_EQ(Path(exe, "parmm.dll", full.size()), "<refused>");
    EXPECT_EQ(Path(exe, "parmm.dll", 1), "<refused>");

    std::string deep = "C:";
    while (deep.size() < 300) deep += "\\folder";
    deep += "\\parmena.exe";
    EXPECT_EQ(Path(deep.c_str(), "parmm.dll", 261), "<refused>");

    char none[1] = {'x'};
    EXPECT_FALSE(plat::CompanionPath(exe, "parmm.dll", none, 0));
    EXPECT_EQ(none[0], 'x') << "a zero-sized buffer is not written";
    EXPECT_FALSE(plat::CompanionPath(exe, "parmm.dll", nullptr, 10));
}

void ExpectWellFormed(const MouseAction* table, const char* which) {
    SCOPED_TRACE(which);
    int n = CountMouseActions(table, 1000);
    ASSERT_GT(n, 0) << "the table must end with {0, nullptr}";
    EXPECT_EQ(table[n].code, 0);
    std::set<std::int32_t> codes;
    for (int i = 0; i < n; ++i) {
        EXPECT_NE(table[i].code, 0) << "0 ends the table";
        EXPECT_NE(table[i].code, -1) << "-1 marks an entry that uses the defaults";
        EXPECT_GT(std::strlen(table[i].name), 0u);
        EXPECT_TRUE(codes.insert(table[i].code).second) << "code " << table[i].code << " twice";
        EXPECT_EQ(FindMouseAction(table, table[i].code), &table[i]);
    }
    EXPECT_EQ(FindMouseAction(table, 0), nullptr);
    EXPECT_EQ(FindMouseAction(table, 999999), nullptr);
}

TEST(MouseActions, TablesAreTerminatedAndUnambiguous) {
    ExpectWellFormed(ClickActions, "click actions");
    ExpectWellFormed(DragActions, "drag actions");
    for (int i = 0; ClickActions[i].name; ++i)
        EXPECT_EQ(FindMouseAction(DragActions, ClickActions[i].code), nullptr)
            << "click code " << ClickActions[i].code << " is also a drag code";
    EXPECT_EQ(CountMouseActions(ClickActions, 2), -1) << "a limit below the length finds no end";
}

// The program fills the default entry of the shared block with its own defaults; each of
// those codes must be one the hook library describes, or the dialog could not show it.
class DefaultActions : public cfgtest::ConfigTest {};

TEST_F(DefaultActions, EveryDefaultCodeIsDescribedByTheLibrary) {
    cfgtest::Load();
    ASSERT_TRUE(CreateHookBlock());
    const MiddleButtonEntry& d = hookBlock->defaultEntry;
    for (int j = 0; j < 4; ++j) {
        EXPECT_NE(FindMouseAction(ClickActions, d.click[j]), nullptr)
            << "default click " << j << " = " << d.click[j];
        EXPECT_NE(FindMouseAction(DragActions, d.drag[j]), nullptr)
            << "default drag " << j << " = " << d.drag[j];
    }
}

}  // namespace
