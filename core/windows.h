// Which windows switching manages, and how remembered windows are recognised by title.
#pragma once
#include "config/settings.h"
#include "platform/types.h"

bool MatchWindowName(const char* pattern, const char* title);
bool IsKeptInPlace(plat::Hwnd w);
bool IsMinimizedOnSwitch(plat::Hwnd w);
// The top of w's chain of owners (w itself when it has none).
plat::Hwnd RootOwner(plat::Hwnd w);
bool IsTaskbar(plat::Hwnd w);
// Hidden by the window manager though it reports itself visible (a suspended app, a window on
// another of the system's own desktops). Not cloaked where the system cannot tell.
bool IsCloaked(plat::Hwnd w);
// Some remembered window carries this position flag.
bool AnyPositionEntryHas(std::uint32_t flag);

// Every title is read through ReadWindowTitle and cut to MaxTitleLength bytes (before a
// character, never inside its UTF-8 sequence), so that a
// window matches a pattern (or is the "Program Manager") alike wherever it is looked at.
constexpr int MaxTitleLength = 1023;
struct WindowTitle {
    char text[MaxTitleLength + 1];
};
// Empty when the title cannot be read.
WindowTitle ReadWindowTitle(plat::Hwnd w);

// First entry of the remembered-window list (null when empty).
inline WindowPositionEntry* FirstPositionEntry() { return settings.positionList.next; }
