// What the 100 ms poll does for the desktop core: edge switching and follow-active.
#pragma once
#include "platform/types.h"

// A step of the view the poll decided on, and where the cursor goes after it.
struct ViewStep {
    int columnsRight, rowsDown;
    plat::Point cursor;  // edge switches only: the re-entry point on the opposite edge
};

// The switch a cursor at p (screen coordinates) asks for when it is pushed against an outer
// border of the virtual screen, as the grid allows; false for none. No system calls.
bool PlanEdgeSwitch(plat::Point p, ViewStep* step);
// The switch that brings a window at r onto the screen; false when it is there already, does
// not touch the virtual screen, or lies farther than one switch reaches. No system calls.
bool PlanFollow(const plat::Rect& r, ViewStep* step);

// Switches when the cursor is pushed against a border of the screen. Returns true when a
// border and the grid both allowed a switch (whether or not the switch itself succeeded).
bool EdgeSwitch();
// Follows a newly active window that lies on another desktop.
void FollowActive();
void FollowWindow(plat::Hwnd w);
