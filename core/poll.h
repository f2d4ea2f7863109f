// What the 100 ms poll does for the desktop core: edge switching and follow-active.
#pragma once
#include "platform/types.h"

// Switches when the cursor is pushed against a border of the screen. Returns true when a
// border and the grid both allowed a switch (whether or not the switch itself succeeded).
bool EdgeSwitch();
// Follows a newly active window that lies on another desktop.
void FollowActive();
void FollowWindow(plat::Hwnd w);
