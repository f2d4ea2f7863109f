// Help for the pager menu, F1 and the command line's help key.
#pragma once
#include <cstdint>

#include "platform/types.h"

extern const char HelpFile[];   // "parm.hlp"
extern const char GuideFile[];  // "parmena.html"

// Opens the WinHelp file when one lies beside the program (command HELP_CONTENTS or
// HELP_CONTEXT with context), otherwise the HTML user's guide beside the program. A guide
// that cannot be opened is reported in a message box.
void ShowHelp(plat::Hwnd owner, std::uint32_t command, std::uintptr_t context);
