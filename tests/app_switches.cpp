// The installer's switches: which command lines name one, the close of a running pager, and
// the log-on entry that goes only when it starts the copy being removed.
#include <gtest/gtest.h>

#include "app/switches.h"
#include "platform/entry.h"
#include "platform/sim/sim.h"
#include "platform/types.h"

namespace {

const char Exe[] = "C:\\Users\\ann\\AppData\\Local\\Programs\\Parmena\\parmena.exe";
const char RunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

TEST(Switches, OnlyAWholeKnownSwitchAfterTheProgramCounts) {
    const struct {
        const char* line;
        Switch want;
    } cases[] = {
        {"\"C:\\Program Files\\Parmena\\parmena.exe\" /close", Switch::Close},
        {"parmena.exe /CLOSE  ", Switch::Close},
        {"  \"C:\\a b\\parmena.exe\"\t/Uninstall", Switch::Uninstall},
        {"\"C:\\a b\\parmena.exe\"/uninstall", Switch::Uninstall},
        {"parmena.exe /LogOn", Switch::Logon},
        {"\"C:\\odd /close\\parmena.exe\"", Switch::None},  // inside the program's own path
        {"parmena.exe", Switch::None},
        {"parmena.exe /close now", Switch::None},
        {"parmena.exe /closer", Switch::None},
        {"parmena.exe -close", Switch::None},
        {"\"C:\\unterminated /close", Switch::None},
        {"", Switch::None},
        {nullptr, Switch::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseSwitch(c.line), c.want) << (c.line ? c.line : "(null)");
}

TEST(Switches, LogonEntryGoesOnlyWhenItStartsThisCopy) {
    const struct {
        const char* reg;  // the Run value as a .reg line, or "" for none
        bool kept;
    } cases[] = {
        {"\"Parmena\"=\"\\\"C:\\\\Users\\\\ann\\\\AppData\\\\Local\\\\Programs\\\\Parmena\\\\parmena.exe\\\"\"", false},
        {"\"Parmena\"=\"c:\\\\users\\\\ann\\\\appdata\\\\local\\\\programs\\\\parmena\\\\PARMENA.EXE \"", false},
        {"\"Parmena\"=\"\\\"D:\\\\Portable\\\\parmena.exe\\\"\"", true},
        {"\"Parmena\"=\"\\\"C:\\\\Users\\\\ann\\\\AppData\\\\Local\\\\Programs\\\\Parmena\\\\parmena.exe\\\" /x\"", true},
        {"\"Parmena\"=dword:00000001", true},
        {"", false},
    };
    for (const auto& c : cases) {
        sim::Reset();
        sim::LoadReg(std::string("Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\") + RunKey +
                     "]\n" + c.reg + "\n\"Other\"=\"x.exe\"\n");
        ForgetLogonEntry(Exe);
        EXPECT_EQ(sim::GetValue("HKCU", RunKey, "Parmena").exists, c.kept) << c.reg;
        EXPECT_TRUE(sim::GetValue("HKCU", RunKey, "Other").exists) << c.reg;
    }
}

TEST(Switches, UninstallWithNothingRunningForgetsTheEntryAndCloseKeepsIt) {
    for (const char* sw : {"/close", "/uninstall"}) {
        sim::Reset();
        sim::SetProgramPath(Exe);
        sim::LoadReg(std::string("Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\") + RunKey +
                     "]\n\"Parmena\"=\"\\\"C:\\\\Users\\\\ann\\\\AppData\\\\Local\\\\Programs\\\\Parmena\\\\parmena.exe\\\"\"\n");
        EXPECT_EQ(ParmenaSwitch((std::string("parmena.exe ") + sw).c_str()), 0) << sw;
        EXPECT_EQ(sim::GetValue("HKCU", RunKey, "Parmena").exists, std::string(sw) == "/close") << sw;
    }
    EXPECT_EQ(ParmenaSwitch("parmena.exe"), -1);
}

TEST(Switches, LogonWritesTheEntryThatStartsThisCopyAndReportsAFailure) {
    sim::Reset();
    sim::SetProgramPath(Exe);
    EXPECT_EQ(ParmenaSwitch("parmena.exe /logon"), 0);
    const sim::RegValue v = sim::GetValue("HKCU", RunKey, "Parmena");
    EXPECT_EQ(v.type, plat::REG_SZ);
    EXPECT_EQ(v.AsString(), std::string("\"") + Exe + "\"");
    ForgetLogonEntry(Exe);  // what /logon writes, /uninstall takes away
    EXPECT_FALSE(sim::GetValue("HKCU", RunKey, "Parmena").exists);
    sim::FailValueWrite("Parmena", true);
    EXPECT_EQ(ParmenaSwitch("parmena.exe /logon"), 1);
}

TEST(Switches, APagerThatStaysIsReportedAndOnlyPagersAreAskedToClose) {
    sim::Reset();
    sim::WindowSpec pager;
    pager.title = "Parmena";
    pager.className = "ParmClass";
    const plat::Hwnd p = sim::AddWindow(pager);
    sim::WindowSpec other;
    other.title = "Editor";
    const plat::Hwnd o = sim::AddWindow(other);
    EXPECT_FALSE(CloseRunningParmena(200));
    int toPager = 0;
    for (const sim::PostRecord& r : sim::Posts()) {
        EXPECT_NE(r.window, o);
        if (r.window == p && r.message == plat::WM_CLOSE) ++toPager;
    }
    EXPECT_EQ(toPager, 1);
    sim::RemoveWindow(p);
    EXPECT_TRUE(CloseRunningParmena(200));
}

}  // namespace
