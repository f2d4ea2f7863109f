// The installed program, for e2e/msi.sh: appDir is the install folder the package made.
//   parmdriver installed DIR SHOTS NAME  the installed exe starts, shows its pager, closes with 0
//   parmdriver uninstall DIR SHOTS MSI   Parmena runs on desktop (1,0); msiexec /x MSI /qn must
//                                        close it (windows home) before the files go
#include <windows.h>

#include <cstdio>
#include <string>

#include "e2e/scene.h"

namespace e2e {

namespace {

constexpr WPARAM CmdClose = 103;

void Plan(const char* name) {
    std::printf("PLAN %s\n", name);
    std::fflush(stdout);
}

// msiexec runs from the driver's own folder: a process whose current folder is the install
// folder would keep that folder from being removed.
bool RunMsiexec(const std::string& args, DWORD timeoutMs, DWORD* code) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string cl = "msiexec.exe " + args;
    if (!CreateProcessA(nullptr, &cl[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    const bool ended = WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0;
    if (ended) GetExitCodeProcess(pi.hProcess, code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return ended;
}

}  // namespace

int RunInstalledStart(const char* name) {
    Plan(name);
    Outcome o;
    Parmena p;
    if (o.Check(ParmenaPresent(), "no parmena.exe in %s", appDir.c_str()) &&
        o.Expect(StartParmena(p), "the installed parmena.exe")) {
        Shot("msi-installed-pager");
        PostMessageA(p.pager, WM_COMMAND, CmdClose, 0);
        DWORD code = 1234;
        if (o.Check(WaitExit(p, 20000, &code), "the installed Parmena did not end within 20 s of Close"))
            o.Check(code == 0, "the installed Parmena ended with exit code 0x%lx", code);
    }
    EndParmena(p);
    Report(name, o);
    return o.Ok() ? 0 : 1;
}

int RunUninstallWhileRunning(const char* msi) {
    Plan("msi_uninstall_running");
    Outcome o;
    Parmena p;
    guardChords = true;
    // The scene's notepad starts in appDir: a process whose current folder is the install
    // folder would keep that folder from being removed. Parmena itself starts there, as its
    // shortcut starts it, and has ended before anything is removed.
    const std::string installDir = appDir;
    char own[MAX_PATH];
    const DWORD n = GetCurrentDirectoryA(MAX_PATH, own);
    appDir.assign(own, n < MAX_PATH ? n : 0);
    const std::string why = SetUpScene(false);
    appDir = installDir;
    if (o.Expect(why, "test set-up") && o.Check(msi && *msi, "no package named") &&
        o.Expect(StartParmena(p), "the installed parmena.exe")) {
        const std::vector<HWND> ws = scene.Managed();
        const std::vector<RECT> base = Rects(ws);
        const std::vector<SIZE> sizes = Sizes(base);
        o.Expect(SettleAnchor(p.pager));
        // Every scene window now lies on desktop (0,0), off the screen.
        if (o.Expect(SwitchByHotkey(VK_RIGHT, Shifted(ws, base, -scene.screenW, 0), sizes, 8000), "Ctrl+Alt+Right")) {
            DWORD code = 1234;
            const std::string args = Format("/x \"%s\" /qn /l*v \"%s\\msiexec-uninstall.log\"", msi, shotDir.c_str());
            if (o.Check(RunMsiexec(args, 120000, &code), "msiexec %s did not end within 120 s", args.c_str()) &&
                o.Check(code == 0, "msiexec %s ended with exit code %lu", args.c_str(), code)) {
                DWORD parmenaCode = 1234;
                if (o.Check(WaitExit(p, 0, &parmenaCode), "Parmena still runs after the uninstall"))
                    o.Check(parmenaCode == 0, "Parmena ended with exit code 0x%lx", parmenaCode);
                o.Expect(WaitPositions(Shifted(ws, base, 0, 0), sizes, 5000), "after the uninstall");
                o.Check(GetFileAttributesA((appDir + "\\parmena.exe").c_str()) == INVALID_FILE_ATTRIBUTES,
                        "parmena.exe is still in %s", appDir.c_str());
            }
            Shot("msi-after-uninstall");
        }
    }
    EndParmena(p);
    TearDownScene();
    Report("msi_uninstall_running", o);
    return o.Ok() ? 0 : 1;
}

}  // namespace e2e
