// The two companion libraries: the mouse hook (parmm.dll) and the dialogs (parmdlg.dll).
#pragma once
#include "platform/types.h"

namespace plat {

// Loads both libraries and resolves their entry points. On failure returns false and
// names the missing library or function in `what` (at least 128 bytes).
bool LoadCompanionLibraries(char* what, std::size_t whatSize);

std::uint32_t SetMBHook(void* hookBlock, Handle mutex);
void RemoveMBHook(std::uint32_t hook);
std::uintptr_t GetClickFuncs();
std::uintptr_t GetMoveFuncs();

int ShowPrefDlg(void* settings, std::uintptr_t clickFuncs, std::uintptr_t moveFuncs, int page,
                void* shortcutStore);
void ShowAboutDlg();

}  // namespace plat
