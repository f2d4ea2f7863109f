// Windows whose move the move thread still holds. The switch that hands a move over records it,
// the move thread ends it; the pager drawing, activation and follow-active read it on the main
// thread. A window that is gone counts as pending no more.
#pragma once
#include "platform/types.h"

// A window the move thread moved this recently still counts as arriving with a switch.
constexpr int LateArrivalGraceMs = 1000;

// Before the request for w is posted: it carries the target (x, y), computed from the window's
// position (fromX, fromY). A window still pending from an earlier switch goes on from the
// target it is already heading for.
void NotePendingMove(plat::Hwnd w, int x, int y, int fromX, int fromY);
// One request for w is finished: moved (arrived) or given up.
void EndPendingMove(plat::Hwnd w, bool arrived);
bool IsMovePending(plat::Hwnd w);
// Where a pending window is heading (its top-left corner); false when w is not pending.
bool PendingMoveTarget(plat::Hwnd w, int* x, int* y);
// The same without waiting for the lock (false when it is held), for the fold of a crash.
bool PendingMoveTargetNoWait(plat::Hwnd w, int* x, int* y);
// The move thread moved w within the last LateArrivalGraceMs.
bool ArrivedLate(plat::Hwnd w);
bool AnyMovePending();
void ResetPendingMoves();
