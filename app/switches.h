// The command-line switches the installer runs; any other command line starts Parmena as usual.
//   /close      before the files go: a running Parmena brings its windows home and ends (an
//               upgrade);
//   /uninstall  the same, then the "Start Parmena when I log on" value goes if it starts this
//               copy (a removal);
//   /logon      after an upgrade whose removal of the old version took that value away: it
//               starts this copy again.
#pragma once
#include <cstdint>

enum class Switch { None, Close, Uninstall, Logon };

// commandLine: the whole line, the program's own path (quoted or not) first.
Switch ParseSwitch(const char* commandLine);

// How long a running Parmena gets to end: its shutdown waits up to 5 s for each worker thread.
constexpr std::uint32_t CloseWaitMs = 30000;

// Asks every pager window to close (WM_CLOSE, as any program may) and waits for its process.
// False when one is still running after waitMs: its files are in use, so nothing may go.
bool CloseRunningParmena(std::uint32_t waitMs);

// Deletes the Run value when it names this program (exePath); leaves any other alone.
void ForgetLogonEntry(const char* exePath);
// Writes the Run value that starts this program; false when it cannot.
bool WriteLogonEntry(const char* exePath);
