// The one-line command window summoned by the shell hotkey.
#pragma once
#include "platform/types.h"

extern const char CommandClassName[];  // "cmdlinewnd"

bool CreateCommandWindow();
void DestroyCommandWindow();
plat::LResult PLAT_CALLBACK CommandWindowProc(plat::Hwnd w, std::uint32_t msg, plat::WParam wp,
                                              plat::LParam lp);
