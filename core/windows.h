// Which windows switching manages, and how remembered windows are recognised by title.
#pragma once
#include "config/settings.h"
#include "platform/types.h"

bool MatchWindowName(const char* pattern, const char* title);
bool IsKeptInPlace(plat::Hwnd w);
bool IsMinimizedOnSwitch(plat::Hwnd w);
bool IsTaskbar(plat::Hwnd w);
// Some remembered window carries this position flag.
bool AnyPositionEntryHas(std::uint32_t flag);

// The title as matching sees it: cut to size - 1 characters, empty when it cannot be read.
void ReadWindowTitle(plat::Hwnd w, char* buf, int size);

// First entry of the remembered-window list (null when empty).
inline WindowPositionEntry* FirstPositionEntry() { return settings.positionList.next; }
