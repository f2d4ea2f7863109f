// Windows shown on every desktop: no switch moves them, so they stay on the screen. The mark is
// a property of the window itself: it lives as long as the window, and the next run of Parmena
// finds it there. Switches look only at the set in memory.
#pragma once
#include "platform/types.h"

extern const char StickyPropertyName[];  // "ParmenaShownOnEveryDesktop"

bool IsSticky(plat::Hwnd w);
// Marks w (or ends its mark); false when w is gone or still waits for a move of the move
// thread. A window marked while on another desktop is brought onto the screen.
bool SetSticky(plat::Hwnd w, bool on);
// At start: takes up the marks an earlier run left on the windows that are still there.
void RecoverStickyMarks();
void ForgetGoneSticky();
void ResetSticky();
