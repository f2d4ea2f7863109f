// The command edit field's history (Up/Down) and file-name completion (Tab), driven by keys.
#include "launcher/command_window.h"
#include "launcher/line_edit.h"
#include "platform/sim/sim.h"
#include "platform/window.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class LineEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::Reset();
        ASSERT_TRUE(CreateCommandWindow(nullptr));
        edit = plat::GetDlgItem(CommandWindow, CommandEditId);
        ASSERT_NE(edit, nullptr);
    }
    void TearDown() override { DestroyCommandWindow(); }

    void Key(int vk) {
        plat::SendMessage(edit, plat::WM_KEYDOWN, static_cast<plat::WParam>(vk), 0);
    }
    void Char(char c) {
        plat::SendMessage(edit, plat::WM_CHAR, static_cast<unsigned char>(c), 0);
    }
    // As the keyboard delivers it: the key, then its character.
    void Type(const std::string& text) {
        for (char c : text) {
            Key(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
            Char(c);
        }
    }
    void Enter(const std::string& text) {
        plat::SetWindowText(edit, text.c_str());
        Key(plat::VK_RETURN);
        Char('\r');
    }
    void Tab() {
        Key(plat::VK_TAB);
        Char('\t');
    }
    void ShiftTab() {
        sim::SetKeyDown(plat::VK_SHIFT, true);
        Tab();
        sim::SetKeyDown(plat::VK_SHIFT, false);
    }
    // The window comes up with the last command selected, as the hotkey leaves it.
    void Summon() {
        sim::SetCursor(500, 400);
        plat::SendMessage(CommandWindow, plat::WM_HOTKEY, 5, 0);
    }
    std::string Text() {
        char buffer[2048] = "";
        plat::GetWindowText(edit, buffer, sizeof buffer);
        return buffer;
    }
    std::pair<std::uint32_t, std::uint32_t> Selection() {
        std::uint32_t start = 99, end = 99;
        plat::SendMessage(edit, plat::EM_GETSEL, reinterpret_cast<plat::WParam>(&start),
                           reinterpret_cast<plat::LParam>(&end));
        return {start, end};
    }
    static std::vector<std::string> Entries() {  // newest first
        std::vector<std::string> out;
        for (const HistoryEntry* e = commandHistory.newest; e; e = e->older) out.push_back(e->text);
        return out;
    }
    static std::intptr_t Slot() { return plat::GetWindowLongPtr(CommandWindow, 0); }
    void DirCalcHistory() {
        Enter("dir");
        Enter("calc");
        Enter("Dir c:");
    }
    plat::Hwnd edit = nullptr;
};

using Sel = std::pair<std::uint32_t, std::uint32_t>;

TEST_F(LineEditTest, UpFromTheSelectedLastCommandBrowsesEverything) {
    DirCalcHistory();
    Summon();
    const char* upDown[] = {"Dir c:", "calc", "dir", "dir"};
    for (const char* expected : upDown) {
        Key(plat::VK_UP);
        EXPECT_EQ(Text(), expected);
        EXPECT_EQ(Selection(), Sel(std::strlen(expected), std::strlen(expected)));
    }
    Key(plat::VK_DOWN);
    EXPECT_EQ(Text(), "calc");
    Key(plat::VK_DOWN);
    Key(plat::VK_DOWN);
    EXPECT_EQ(Text(), "Dir c:");  // stays at the newest
}

TEST_F(LineEditTest, TypedTextIsAPrefixMatchedWithoutCase) {
    DirCalcHistory();
    Summon();
    Type("d");
    Key(plat::VK_UP);
    EXPECT_EQ(Text(), "Dir c:");
    Key(plat::VK_UP);
    EXPECT_EQ(Text(), "dir");
    Key(plat::VK_UP);
    EXPECT_EQ(Text(), "dir");  // 'calc' is skipped, nothing older
    Key(plat::VK_DOWN);
    EXPECT_EQ(Text(), "Dir c:");
}

TEST_F(LineEditTest, UnmatchedPrefixLeavesTheTextWithTheCaretAtTheStart) {
    Summon();
    Key(plat::VK_UP);  // empty history
    EXPECT_EQ(Text(), "");
    DirCalcHistory();
    Summon();
    Type("xy");
    Key(plat::VK_UP);
    EXPECT_EQ(Text(), "xy");
    EXPECT_EQ(Selection(), Sel(0, 0));
    Key(plat::VK_DOWN);  // not browsing: nothing happens
    EXPECT_EQ(Text(), "xy");
    EXPECT_EQ(Selection(), Sel(0, 0));
}

TEST_F(LineEditTest, AnotherKeyEndsBrowsingAndTheShownTextBecomesThePrefix) {
    DirCalcHistory();
    Summon();
    Key(plat::VK_UP);
    Key(plat::VK_UP);
    ASSERT_EQ(Text(), "calc");
    Key(plat::VK_LEFT);
    Key(plat::VK_UP);  // a new browse filtered on 'calc', not a step on to 'dir'
    EXPECT_EQ(Text(), "calc");
    Key(plat::VK_UP);
    EXPECT_EQ(Text(), "calc");
}

TEST_F(LineEditTest, EnterAddsALineUnlessItRepeatsTheNewestOrTheBrowsedEntry) {
    Enter("calc");
    Enter("CALC");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"calc"}));
    Enter("dir");
    Enter("calc");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"calc", "dir", "calc"}));

    Summon();
    Key(plat::VK_UP);
    Key(plat::VK_UP);
    ASSERT_EQ(Text(), "dir");
    Key(plat::VK_RETURN);
    Char('\r');  // run the recalled 'dir': no second copy
    EXPECT_EQ(Entries(), (std::vector<std::string>{"calc", "dir", "calc"}));
    Enter("");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"", "calc", "dir", "calc"}));
}

TEST_F(LineEditTest, OverlongLinesAreCutTo1023Characters) {
    const std::string longLine = "x" + std::string(1499, 'y');
    Enter(longLine);
    ASSERT_EQ(Entries().size(), 1u);
    EXPECT_EQ(Entries()[0], longLine.substr(0, 1023));
    AddToHistory(longLine.c_str());  // same once cut
    EXPECT_EQ(Entries().size(), 1u);

    plat::SetWindowText(edit, longLine.c_str());
    plat::SendMessage(edit, plat::EM_SETSEL, 1500, 1500);
    Key(plat::VK_UP);  // the prefix is cut the same way, so the entry still matches
    EXPECT_EQ(Text(), longLine.substr(0, 1023));
}

TEST_F(LineEditTest, TabCyclesFoldersInFileSystemOrderWithoutWrapping) {
    sim::AddFile("c:\\win32app\\");
    sim::AddFile("c:\\windows\\");
    sim::AddFile("c:\\winter.txt");
    sim::AddFile("c:\\other\\");
    Type("c:\\win");
    Tab();
    EXPECT_EQ(Text(), "c:\\win32app\\");
    EXPECT_EQ(Selection(), Sel(12, 12));
    Tab();
    EXPECT_EQ(Text(), "c:\\windows\\");
    Tab();
    EXPECT_EQ(Text(), "c:\\winter.txt");
    Tab();
    EXPECT_EQ(Text(), "c:\\winter.txt");
    ShiftTab();
    EXPECT_EQ(Text(), "c:\\windows\\");
    ShiftTab();
    ShiftTab();
    EXPECT_EQ(Text(), "c:\\win32app\\");
}

TEST_F(LineEditTest, QuotedFirstWordCompletesInQuotesAndDropsTheRest) {
    sim::AddFile("c:\\program files\\editor\\ed.exe");
    Type("\"c:\\program files\\ed\" -n readme.txt");
    Tab();
    EXPECT_EQ(Text(), "\"c:\\program files\\editor\\\"");

    DiscardCompletion(CommandWindow);
    sim::AddFile("c:\\tools\\my editor.exe");
    plat::SetWindowText(edit, "c:\\tools\\my");
    Tab();  // a space in the name alone also quotes
    EXPECT_EQ(Text(), "\"c:\\tools\\my editor.exe\"");
}

TEST_F(LineEditTest, StarPatternIsTakenAsTypedAndDotFoldersAreCandidates) {
    sim::AddFile("a.txt");
    sim::AddFile("a.txt.bak");
    sim::AddFile("b.txt");
    Type("*.txt");
    Tab();
    EXPECT_EQ(Text(), "a.txt");
    Tab();  // no second star: a.txt.bak is no candidate
    EXPECT_EQ(Text(), "b.txt");

    DiscardCompletion(CommandWindow);
    sim::AddFile("c:\\dir\\sub\\f.txt");
    plat::SetWindowText(edit, "c:\\dir\\.");
    Tab();
    EXPECT_EQ(Text(), "c:\\dir\\.\\");
    Tab();
    EXPECT_EQ(Text(), "c:\\dir\\..\\");
}

TEST(CompletionDirectory, EndsAfterTheLastSeparatorOrDriveColon) {
    EXPECT_EQ(CompletionDirectoryLength("c:\\program files\\ed*"), 17u);
    EXPECT_EQ(CompletionDirectoryLength("*.txt"), 0u);
    EXPECT_EQ(CompletionDirectoryLength("c:win*"), 2u);  // the drive stays in the shown text
    EXPECT_EQ(CompletionDirectoryLength("c:/windows/sys*"), 11u);
}

TEST_F(LineEditTest, HashKeepsTheListAnyOtherCharacterDiscardsIt) {
    sim::AddFile("c:\\win32app\\");
    sim::AddFile("c:\\windows\\");
    Type("c:\\win");
    Tab();
    Type("#");
    EXPECT_EQ(Text(), "c:\\win32app\\#");
    EXPECT_NE(Slot(), 0);
    Key(plat::VK_LEFT);  // keys without a character keep it too
    Tab();
    EXPECT_EQ(Text(), "c:\\windows\\");

    Type("x");
    EXPECT_EQ(Slot(), 0);
    Tab();  // a fresh search for 'c:\windows\x*' finds nothing
    EXPECT_EQ(Text(), "c:\\windows\\x");
    EXPECT_EQ(Slot(), 0);
}

TEST_F(LineEditTest, CompletionNeverShowsMoreThan259Characters) {
    const std::string dir = "c:\\" + std::string(200, 'd') + "\\";  // 204 characters
    const std::string f = "k" + std::string(54, 'f'), g = "k" + std::string(55, 'g'),
                      h = "k" + std::string(53, 'h');
    sim::AddFile(dir + f);         // shown in 259
    sim::AddFile(dir + g);         // would need 260
    sim::AddFile(dir + h + "\\x");  // a folder: 259 with its '\'
    plat::SetWindowText(edit, (dir + "k").c_str());
    Tab();
    EXPECT_EQ(Text(), dir + f);
    Tab();
    EXPECT_EQ(Text(), dir + h + "\\");
    Tab();
    EXPECT_EQ(Text(), dir + h + "\\");

    DiscardCompletion(CommandWindow);
    const std::string spaced = "c:\\" + std::string(200, ' ') + "\\";  // quotes cost two more
    const std::string q = "k" + std::string(52, 'q'), r = "k" + std::string(53, 'r');
    sim::AddFile(spaced + r);
    sim::AddFile(spaced + q);
    plat::SetWindowText(edit, ("\"" + spaced + "k").c_str());
    Tab();
    EXPECT_EQ(Text(), "\"" + spaced + q + "\"");
    EXPECT_EQ(Text().size(), 259u);

    DiscardCompletion(CommandWindow);
    const std::string tooLong = dir + g;  // 260 typed characters
    plat::SetWindowText(edit, tooLong.c_str());
    Tab();
    EXPECT_EQ(Text(), tooLong);
    EXPECT_EQ(Slot(), 0);
}

TEST_F(LineEditTest, RightClickGoesToTheCommandWindowOnly) {
    plat::SendMessage(edit, plat::WM_RBUTTONDOWN, plat::MK_RBUTTON, 0x00050007);
    std::vector<sim::PostRecord> posts;
    for (const sim::PostRecord& p : sim::Posts())
        if (p.message == plat::WM_RBUTTONDOWN) posts.push_back(p);
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].window, CommandWindow);
    EXPECT_EQ(posts[0].wParam, static_cast<plat::WParam>(plat::MK_RBUTTON));
    EXPECT_EQ(posts[0].lParam, 0x00050007);
}

}  // namespace
