// The two command-line switches the installer runs before it removes the program's files:
//   /close      a running Parmena brings its windows home and ends (an upgrade);
//   /uninstall  the same, then the "Start Parmena when I log on" value goes if it starts this
//               copy (a removal).
// Any other command line starts Parmena as usual.
#pragma once
#include <cstdint>

enum class Switch { None, Close, Uninstall };

// commandLine: the whole line, the program's own path (quoted or not) first.
Switch ParseSwitch(const char* commandLine);

// How long a running Parmena gets to end: its shutdown waits up to 5 s for each worker thread.
constexpr std::uint32_t CloseWaitMs = 30000;

// Asks every pager window to close (WM_CLOSE, as any program may) and waits for its process.
// False when one is still running after waitMs: its files are in use, so nothing may go.
bool CloseRunningParmena(std::uint32_t waitMs);

// Deletes the Run value when it names this program (exePath); leaves any other alone.
void ForgetLogonEntry(const char* exePath);
