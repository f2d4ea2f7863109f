// The program's own start, which the entry point of the Windows build calls. It is defined
// above the platform (app/main.cpp); the declaration lives here so that the entry point
// needs nothing from there.
#pragma once
#include "platform/types.h"

// The whole program: start-up, message loop, shutdown. Returns the exit code: 0 after a run
// or when another instance runs, 1 when the start failed.
int ParmenaMain(plat::Hinstance inst);

// The installer's switches (/close, /uninstall, /logon), which end at once with their own code:
// 0 done, 1 not done (Parmena still runs, or the Run value could not be written). -1 when the command line names none and the program is to run.
int ParmenaSwitch(const char* commandLine);
