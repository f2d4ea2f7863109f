// parmdriver.exe: runs inside Wine next to parmena.exe.
//   parmdriver run   [app folder] [screenshot folder]   the end-to-end scenarios
//   parmdriver demo  [app folder] [screenshot folder]   sample windows, one switch, pictures
//   parmdriver bench [app folder]                       switch latency and idle processor share
//   parmdriver soak  [app folder] [screenshot folder]   random switches for E2E_SOAK_SECONDS
//   parmdriver exit  [app folder] [screenshot folder]   the exit scenarios and the short soak
//   parmdriver mover                                    the benchmark's second process
//   parmdriver move X Y                                 one absolute mouse move, then it ends
//   parmdriver unicode [app folder] [screenshot folder] the Unicode text scenarios alone
//   parmdriver speed [app folder] [screenshot folder]   the speed scenarios alone
//   parmdriver touch NAME                               leaves the file NAME beside itself
//   parmdriver takealong [app folder] [screenshot folder] carrying and pinning windows alone
//   parmdriver installed|uninstall DIR SHOTS [MSI]      the installed program (e2e/msi.sh)
// One line per scenario on stdout: "PASS name" or "FAIL name: reason"; other lines start "INFO".
#include <cstdio>
#include <cstring>

#include "e2e/driver.h"
#include "e2e/scene.h"

namespace e2e {

int RunDemo() {
    if (!ParmenaPresent()) {
        ReportFail("demo", "parmena.exe not found in %s", appDir.c_str());
        return 1;
    }
    Outcome o;
    guardChords = true;
    if (o.Expect(SetUpScene(false), "set-up failed")) {
        // The pager stays at full size: under Wine a pointer held still reads as where it was
        // before SendInput moved it, and a collapsing pager would shrink before its picture.
        o.Check(WriteDword("Preferences", "MinimizeTolvo", 0), "could not store \"MinimizeTolvo\" = 0");
        Parmena p;
        if (o.Expect(StartParmena(p, "demo-1-about"), "Parmena did not start")) {
            Shot("demo-2-started");
            ShotAfterPaint(p.pager, "demo-3-pager-expanded");
            o.Expect(SettleAnchor(p.pager));
            const std::vector<HWND> ws = scene.Managed();
            const std::vector<RECT> base = Rects(ws);
            SendHotkey(VK_RIGHT);
            if (o.Expect(WaitPositions(Shifted(ws, base, -scene.screenW, 0), Sizes(base), 5000), "Ctrl+Alt+Right"))
                Shot("demo-4-after-ctrl-alt-right");
            PostMessageA(p.pager, WM_COMMAND, 103, 0);
            DWORD code = 1;
            o.Check(WaitExit(p, 20000, &code) && code == 0, "Parmena did not close cleanly");
            o.Expect(WaitPositions(Shifted(ws, base, 0, 0), Sizes(base), 5000), "after closing");
            Shot("demo-5-closed");
        }
        EndParmena(p);
    }
    TearDownScene();
    Report("demo", o);
    return o.Ok() ? 0 : 1;
}

}  // namespace e2e

int main(int argc, char** argv) {
    using namespace e2e;
    const char* mode = argc > 1 ? argv[1] : "run";
    if (argc > 2) {
        appDir = argv[2];
    } else {
        char path[MAX_PATH];
        DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
        appDir.assign(path, n);
        appDir.erase(appDir.find_last_of("\\/") == std::string::npos ? 0 : appDir.find_last_of("\\/"));
    }
    if (argc > 3) shotDir = argv[3];
    if (std::strcmp(mode, "run") == 0) return RunScenarios();
    if (std::strcmp(mode, "demo") == 0) return RunDemo();
    if (std::strcmp(mode, "bench") == 0) return RunBench();
    if (std::strcmp(mode, "soak") == 0) return RunSoak();
    if (std::strcmp(mode, "exit") == 0) return RunExitOnly();
    if (std::strcmp(mode, "mover") == 0) return RunMover();
    if (std::strcmp(mode, "move") == 0) return RunInjectMove(argc, argv);
    if (std::strcmp(mode, "unicode") == 0) return RunUnicodeOnly();
    if (std::strcmp(mode, "speed") == 0) return RunGroupAlone(SpeedScenarioNames(), RunSpeedScenarios);
    if (std::strcmp(mode, "dialog") == 0) return RunGroupAlone(DialogScenarioNames(), RunDialogScenarios);
    if (std::strcmp(mode, "mbutton") == 0) return RunGroupAlone(MbuttonScenarioNames(), RunMbuttonScenarios, true);
    if (std::strcmp(mode, "touch") == 0) return RunTouch(argc, argv);
    if (std::strcmp(mode, "takealong") == 0) return RunTakeAlongOnly();
    if (std::strcmp(mode, "installed") == 0) return RunInstalledStart(argc > 4 ? argv[4] : "msi_installed_starts");
    if (std::strcmp(mode, "uninstall") == 0) return RunUninstallWhileRunning(argc > 4 ? argv[4] : nullptr);
    std::fprintf(stderr, "usage: parmdriver run|demo|bench|soak|exit|unicode|speed|mbutton|dialog|takealong [app folder] [screenshot folder]\n");
    return 2;
}
