// The windows every scenario works with, and the pieces shared by the scenario files.
#pragma once
#include <string>
#include <vector>

#include "e2e/driver.h"

namespace e2e {

struct Scene {
    int screenW = 0, screenH = 0;
    WindowThread windows;     // owns one, two, three and the anchor
    WindowThread hungThread;  // owns stuck; can be made to stop answering
    TestWindow* one = nullptr;
    TestWindow* two = nullptr;
    TestWindow* three = nullptr;
    TestWindow* stuck = nullptr;
    HWND notepad = nullptr;  // a window of another program
    PROCESS_INFORMATION notepadPi{};

    // Every window a switch must move.
    std::vector<HWND> Managed() const;
};
extern Scene scene;

std::string SetUpScene(bool withHungThread);  // empty on success
void TearDownScene();
bool PutOnDesktop(HWND w, const RECT& base, int column, int row);

// Mouse into the top-right corner / out to a neutral spot; each waits for the pager's new
// size and place and returns why it did not come (empty: it did).
std::string ExpandPager(Parmena& p);
SIZE ClientSize(HWND w);
void Click();  // left button, down and up where the pointer is
POINT OnPager(HWND pager, int x, int y);  // pager client point to the screen
// Pager client point over the centre of a window on the current desktop (0,0): the miniature
// spans the whole client area and the whole 3x3 virtual screen.
POINT MiniatureCentre(HWND pager, HWND w);
std::string CollapsePager(Parmena& p);

// Pager scenarios run in the second session, before it closes Parmena.
std::vector<const char*> PagerScenarioNames();
void RunPagerScenarios(Parmena& p);
std::vector<const char*> SpeedScenarioNames();
void RunSpeedScenarios();

// Hostile-input scenarios run after the third session, each with its own Parmena.
std::vector<const char*> HostileScenarioNames();
void RunHostileScenarios();
void RunTaskbarScenario();  // the very last, with its own Parmena
std::vector<const char*> MbuttonScenarioNames();
void RunMbuttonScenarios();  // starts and ends its own Parmena
int RunInjectMove(int argc, char** argv);
// Settings dialog scenarios run in a session of their own after the third.
std::vector<const char*> DialogScenarioNames();
void RunDialogScenarios();

// Exit paths and the short soak, each with its own Parmena, after the third session.
std::vector<const char*> ExitScenarioNames();
void RunExitScenarios();
int RunSoak();      // parmdriver soak: the long soak alone
int RunExitOnly();  // parmdriver exit: the exit scenarios and the short soak alone

// Text beyond the code page, with its own Parmena, after the exit scenarios.
std::vector<const char*> UnicodeScenarioNames();
void RunUnicodeScenarios();
int RunUnicodeOnly();                  // parmdriver unicode: these alone
// A group of scenarios alone, on the scene without its hung thread (parmdriver unicode, speed).
int RunGroupAlone(const std::vector<const char*>& names, void (*run)(), bool withHungThread = false);
int RunTouch(int argc, char** argv);   // parmdriver touch NAME: what their shortcut starts

// Taking windows along (carry keys, the pager menu's window section, windows shown on every
// desktop), with its own Parmena, after the Unicode scenarios.
std::vector<const char*> TakeAlongScenarioNames();
void RunTakeAlongScenarios();
int RunTakeAlongOnly();  // parmdriver takealong: these alone

// The installed program (e2e/msi.sh): its start, and an uninstall while it runs.
int RunInstalledStart(const char* name);
int RunUninstallWhileRunning(const char* msi);

}  // namespace e2e
