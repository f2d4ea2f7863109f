// The command window driven on the test thread: showing at the cursor, and running what is typed.
#include "config/shortcuts.h"
#include "launcher/command_window.h"
#include "pager/pager.h"
#include "platform/sim/sim.h"
#include "platform/window.h"

#include <gtest/gtest.h>

namespace {

std::string Repeat(const std::string& s, int n) {
    std::string out;
    while (n-- > 0) out += s;
    return out;
}

class CommandWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::Reset();
        FreeShortcuts();
        ASSERT_TRUE(CreateCommandWindow(nullptr));
        edit = plat::GetDlgItem(CommandWindow, CommandEditId);
        ASSERT_NE(edit, nullptr);
    }
    void TearDown() override {
        DestroyCommandWindow();
        FreeShortcuts();
    }
    // Types the text and runs it as Enter would.
    void Run(const char* text) {
        plat::SetWindowText(edit, text);
        plat::SendMessage(CommandWindow, MsgRunCommand, 0, 0);
    }
    static void Add(const char* name, const char* command, const char* dir, int show, int root) {
        AddShortcut(name, command, dir, show, root, nullptr);
    }
    static sim::ShellExecuteRecord OnlyRun() {
        EXPECT_EQ(sim::ShellExecutes().size(), 1u);
        return sim::ShellExecutes().empty() ? sim::ShellExecuteRecord{} : sim::ShellExecutes()[0];
    }
    plat::Hwnd edit = nullptr;
};

TEST_F(CommandWindowTest, ShowsAtTheCursorClampedToTheDesktop) {
    struct Case {
        int cx, cy;
        plat::Rect expect;
    };
    const Case cases[] = {{500, 400, {436, 391, 564, 409}},
                          {3, 2, {0, 0, 128, 18}},
                          {1023, 767, {1024 - 128, 768 - 18, 1024, 768}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cx);
        plat::SendMessage(CommandWindow, MsgRunCommand, 1, 0);  // hidden again
        plat::SetWindowText(edit, "previous");
        sim::SetCursor(c.cx, c.cy);
        plat::SendMessage(CommandWindow, plat::WM_HOTKEY, 5, 0);
        const plat::Rect r = sim::WindowRect(CommandWindow);
        EXPECT_EQ(r.left, c.expect.left);
        EXPECT_EQ(r.top, c.expect.top);
        EXPECT_EQ(r.right, c.expect.right);
        EXPECT_EQ(r.bottom, c.expect.bottom);
        EXPECT_TRUE(sim::IsVisible(CommandWindow));
        EXPECT_EQ(sim::Foreground(), CommandWindow);
        std::uint32_t start = 1, end = 0;
        plat::SendMessage(edit, plat::EM_GETSEL, reinterpret_cast<plat::WParam>(&start),
                           reinterpret_cast<plat::LParam>(&end));
        EXPECT_EQ(start, 0u);  // the whole previous command is selected
        EXPECT_EQ(end, 8u);
    }
}

// On a second monitor at 200 %: twice the size, and kept on that monitor, not the primary.
TEST_F(CommandWindowTest, ShowsOnTheCursorsMonitorAtItsScale) {
    sim::Monitor primary, second;
    primary.rect = primary.work = {0, 0, 1024, 768};
    primary.primary = true;
    second.rect = second.work = {1024, 0, 2048, 768};
    second.dpi = 192;
    sim::SetMonitors({primary, second});
    sim::SetCursor(2040, 760);
    plat::SendMessage(CommandWindow, plat::WM_HOTKEY, 5, 0);
    const plat::Rect r = sim::WindowRect(CommandWindow);
    EXPECT_EQ(r.left, 2048 - 256);
    EXPECT_EQ(r.top, 768 - 36);
    EXPECT_EQ(r.right, 2048);
    EXPECT_EQ(sim::WindowRect(edit).right - sim::WindowRect(edit).left, 256);
    EXPECT_EQ(sim::WindowRect(edit).bottom - sim::WindowRect(edit).top, 36);
}

// What is typed, against the shortcuts and environment of the row, opens one file.
TEST_F(CommandWindowTest, TypedTextOpensTheShortcutOrItself) {
    struct Shortcut {
        const char* name;
        const char* command;
        const char* dir;
        int show, root;
    };
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> env;
        std::vector<Shortcut> shortcuts;
        std::string typed;
        std::string file;
        bool hasParams;
        std::string params;
        bool hasDir;  // a shortcut's directory is passed even when empty
        std::string dir;
        int show;
    };
    const std::string programFiles = "C:\\Program Files\\Editor\\ed.exe";
    const Case cases[] = {
        {"shortcut name ignoring case, and arguments", {}, {{"ed", "notepad.exe", "", 0, 0}},
         "ED readme.txt", "notepad.exe", true, "readme.txt", true, "", plat::SW_SHOWDEFAULT},
        {"text that is no shortcut is opened as typed", {}, {{"ed", "notepad.exe", "", 0, 0}},
         "edit", "edit", false, "", false, "", plat::SW_SHOWDEFAULT},
        {"environment references in command and directory",
         {{"windir", "C:\\WINDOWS"}, {"TEMP", "C:\\Temp Files"}},
         {{"np", "%windir%\\notepad.exe", "%TEMP%", 1, 0}},
         "np", "C:\\WINDOWS\\notepad.exe", false, "", true, "C:\\Temp Files",
         plat::SW_SHOWMAXIMIZED},
        {"expanded path with spaces stays one file", {{"ProgramFiles", "C:\\Program Files"}},
         {{"ed", "%ProgramFiles%\\Editor\\ed.exe", "", 0, 0}},
         "ed", programFiles, false, "", true, "", plat::SW_SHOWDEFAULT},
        {"expanded path with spaces, and expanded arguments",
         {{"ProgramFiles", "C:\\Program Files"}, {"DOC", "my notes.txt"}},
         {{"ed2", "%ProgramFiles%\\Editor\\ed.exe -n", "", 0, 0}},
         "ed2 %DOC%", programFiles, true, "-n my notes.txt", true, "", plat::SW_SHOWDEFAULT},
        {"quoted file keeps its spaces, parameters their quotes", {},
         {{"e", "\"C:\\Program Files\\Editor\\ed.exe\" -n", "", 2, 0}},
         "e \"my file.txt\"", programFiles, true, "-n \"my file.txt\"", true, "",
         plat::SW_MINIMIZE},
        {"per-user shortcut shadows the machine one", {},
         {{"ed", "machine.exe", "", 0, 1}, {"ed", "user.exe", "", 0, 0}},
         "ed", "user.exe", false, "", true, "", plat::SW_SHOWDEFAULT},
        {"typed text is cut to 255 characters", {}, {}, std::string(300, 'a'),
         std::string(255, 'a'), false, "", false, "", plat::SW_SHOWDEFAULT},
        {"a shortcut into a folder named beyond the code page", {},
         {{"li", "\"C:\\Users\\李明\\Ωmega 🎉.exe\" -x", "C:\\Users\\李明", 0, 0}},
         "LI 語", "C:\\Users\\李明\\Ωmega 🎉.exe", true, "-x 語", true, "C:\\Users\\李明",
         plat::SW_SHOWDEFAULT},
        // 255 bytes: "a", then 84 of the 3-byte characters; the 85th would straddle the cut.
        {"typed text is cut before a character", {}, {}, "a" + Repeat("語", 100),
         "a" + Repeat("語", 84), false, "", false, "", plat::SW_SHOWDEFAULT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        for (const auto& [name, value] : c.env) sim::SetEnv(name, value);
        for (const Shortcut& k : c.shortcuts) Add(k.name, k.command, k.dir, k.show, k.root);
        Run(c.typed.c_str());
        const sim::ShellExecuteRecord r = OnlyRun();
        EXPECT_EQ(r.verb, "open");
        EXPECT_EQ(r.file, c.file);
        EXPECT_EQ(r.hasParams, c.hasParams);
        EXPECT_EQ(r.params, c.params);
        EXPECT_EQ(r.hasDir, c.hasDir);
        EXPECT_EQ(r.dir, c.dir);
        EXPECT_EQ(r.show, c.show);
        EXPECT_FALSE(sim::IsVisible(CommandWindow));
    }
}

TEST_F(CommandWindowTest, ShowValuesOutsideTheDialogsChoicesOpenNormally) {
    const std::pair<int, int> cases[] = {{0, plat::SW_SHOWDEFAULT}, {1, plat::SW_SHOWMAXIMIZED},
                                         {2, plat::SW_MINIMIZE},    {3, plat::SW_SHOWDEFAULT},
                                         {9, plat::SW_SHOWDEFAULT}, {-1, plat::SW_SHOWDEFAULT}};
    for (const auto& [stored, show] : cases) EXPECT_EQ(ShortcutShowCommand(stored), show) << stored;
}

TEST_F(CommandWindowTest, SplitAtTheFirstSpaceOutsideQuotes) {
    char a[] = "\"a b\"c d \"e f\"";
    EXPECT_STREQ(SplitFileAndParameters(a), "d \"e f\"");
    EXPECT_STREQ(a, "a bc");
    char b[] = "x ";
    EXPECT_STREQ(SplitFileAndParameters(b), "");
    char c[] = "\"unclosed quote";
    EXPECT_EQ(SplitFileAndParameters(c), nullptr);
    EXPECT_STREQ(c, "unclosed quote");
}

TEST_F(CommandWindowTest, EmptyTextCancelAndAnExpansionTooLongRunNothing) {
    Run("");
    plat::SetWindowText(edit, "calc");
    plat::SendMessage(CommandWindow, MsgRunCommand, 1, 0);
    sim::SetEnv("BIG", std::string(1500, 'x'));
    Add("big", "%BIG%", "", 0, 0);
    Run("big");
    EXPECT_TRUE(sim::ShellExecutes().empty());
    EXPECT_FALSE(sim::IsVisible(CommandWindow));
}

TEST_F(CommandWindowTest, EditFieldTurnsKeysIntoRequests) {
    plat::SendMessage(edit, plat::WM_CHAR, plat::VK_RETURN, 0);
    plat::SendMessage(edit, plat::WM_CHAR, plat::VK_ESCAPE, 0);
    plat::SendMessage(edit, plat::WM_HELP, 0, 0);
    plat::SendMessage(edit, plat::WM_CHAR, 'q', 0);
    std::vector<std::pair<std::uint32_t, plat::WParam>> posted;
    for (const sim::PostRecord& p : sim::Posts())
        if (p.window == CommandWindow) posted.push_back({p.message, p.wParam});
    EXPECT_EQ(posted, (std::vector<std::pair<std::uint32_t, plat::WParam>>{
                          {MsgRunCommand, 0}, {MsgRunCommand, 1}, {MsgCommandHelp, 0}}));
    char text[16] = "";
    plat::GetWindowText(edit, text, sizeof text);
    EXPECT_STREQ(text, "q");  // other characters reach the edit control
}

// WinHelp only where an old installation ships its file; else the HTML guide beside the program.
TEST_F(CommandWindowTest, HelpKeyOpensWinHelpFileOrGuideBesideTheProgram) {
    struct Case {
        std::vector<std::string> files;
        int shellResult;
        std::size_t helpCalls, opens, boxes;
    };
    const std::string dir = "D:\\Tools\\Parm\\";
    const Case cases[] = {
        {{dir + "parm.hlp", dir + "parmena.html"}, 33, 1, 0, 0},
        {{dir + "parmena.html"}, 33, 0, 1, 0},
        {{dir + "parmena.html"}, 2, 0, 1, 1},               // the shell could not open it
        {{"C:\\parm.hlp", dir + "parm.hlp\\"}, 33, 0, 0, 1},  // elsewhere, or a folder
    };
    for (const Case& c : cases) {
        TearDown();
        SetUp();
        sim::SetProgramPath(dir + "parmena.exe");
        for (const std::string& f : c.files) sim::AddFile(f);
        sim::SetShellExecuteResult(c.shellResult);
        plat::SendMessage(CommandWindow, MsgCommandHelp, 0, 0);
        ASSERT_EQ(sim::HelpCalls().size(), c.helpCalls);
        if (c.helpCalls) {
            EXPECT_EQ(sim::HelpCalls()[0].window, PagerWindow());
            EXPECT_EQ(sim::HelpCalls()[0].file, "parm.hlp");
            EXPECT_EQ(sim::HelpCalls()[0].command, plat::HELP_CONTEXT);
            EXPECT_EQ(sim::HelpCalls()[0].data, 1004u);
        }
        ASSERT_EQ(sim::ShellExecutes().size(), c.opens);
        if (c.opens) {
            EXPECT_EQ(sim::ShellExecutes()[0].file, dir + "parmena.html");
        }
        EXPECT_EQ(sim::MessageBoxes().size(), c.boxes);
    }
}

TEST_F(CommandWindowTest, LosingFocusHidesAndCloseIsRefused) {
    sim::SetCursor(500, 400);
    plat::SendMessage(CommandWindow, plat::WM_HOTKEY, 5, 0);
    ASSERT_TRUE(sim::IsVisible(CommandWindow));
    plat::SendMessage(CommandWindow, plat::WM_COMMAND,
                       (static_cast<plat::WParam>(plat::EN_KILLFOCUS) << 16) | CommandEditId,
                       reinterpret_cast<plat::LParam>(edit));
    EXPECT_FALSE(sim::IsVisible(CommandWindow));
    plat::SendMessage(CommandWindow, plat::WM_CLOSE, 0, 0);
    EXPECT_TRUE(sim::Exists(CommandWindow));
}

}  // namespace
