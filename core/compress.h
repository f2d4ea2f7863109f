// Folding windows onto the screen and applying remembered positions.
#pragma once

#include <cstdint>

#include "core/desktop.h"

// Folds the windows onto the screen: every one (onlyKept false) or those kept in place. This
// covers the windows above the pager too, since a window can rise above it while off-screen.
// Main thread only; asked for inside a running compress, it does nothing.
void CompressDesktop(bool onlyKept);
// Folds only the windows above the pager: they take no part in switches, so going back to
// desktop (0,0) at exit does not bring them home.
void FoldWindowsAbovePager();
// Brings every window whose centre lies outside the grid onto the nearest desktop inside it:
// after the grid has shrunk, and at the end of a run that does not fold.
void FoldWindowsIntoGrid();
// The whole-desktop steps that bring r's centre into the grid, and r moved by them.
FoldResult FoldIntoGrid(const plat::Rect& r);
void ApplyRememberedPositions();
// Where the first remembered entry that names `title` and would move a window at r sends it:
// whole desktops to the entry's, inside the grid. False for none. No system calls.
bool PlanRememberedMove(const char* title, const plat::Rect& r, plat::Point* to);
// Where a window at r goes to lie at the same place within desktop (column, row): whole
// desktops from the one its centre is on.
plat::Point DesktopMoveTarget(const plat::Rect& r, int column, int row);
// index as a column (row) of a grid `count` wide (high): the nearest one inside it.
int ClampToGrid(std::int64_t index, int count);
// Where a window at r goes when carried columnsRight columns and rowsDown rows by whole
// desktops, stopping at the grid's edge; false when that leaves it where it is. No system calls.
bool PlanCarryByDesktops(const plat::Rect& r, int columnsRight, int rowsDown, plat::Point* to);
// Sends w to desktop (column, row) of the grid without switching the view; a window shown on
// every desktop loses that mark. False when refused (outside the grid, moves stopped, gone).
bool MoveWindowToDesktop(plat::Hwnd w, int column, int row);
// The fold of a dying process: no batch, no probe and no lock, every move asynchronous so
// that no hung window can hold it up. Safe to call from an unhandled-exception filter.
void EmergencyFold();
