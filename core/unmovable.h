// Windows this program may not move: a program running with higher rights refuses the moves
// of one running without them. Learned from a failed move, kept for as long as the window lives.
#pragma once
#include "platform/types.h"

// After a move of w failed: marks w when the system refused it access. Returns whether it did.
bool NoteFailedMove(plat::Hwnd w);
bool IsUnmovable(plat::Hwnd w);
// Ends the entries of windows that are gone.
void ForgetGoneUnmovable();
void ResetUnmovable();
