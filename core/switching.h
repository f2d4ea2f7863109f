// Moving every managed window by whole desktops.
#pragma once
#include <cstdint>

#include "platform/types.h"

// Handed to the move thread for a window that did not answer the probe; the move thread frees it.
struct MoveRequest {
    plat::Hwnd window;
    std::int32_t x;
    std::int32_t y;
};

constexpr std::uint32_t MsgMoveWindow = plat::WM_USER;

// Requests are allocated with new; whoever ends up owning one frees it with this.
void FreeMoveRequest(MoveRequest* request);

// Thread id of the move thread; 0 until it exists.
extern volatile std::uint32_t moveThreadId;

bool ShiftWindows(int dx, int dy);
// Gives the foreground to the uppermost qualifying window on the current screen.
// skipKept: also pass over windows kept in place.
void ActivateTopWindowOnScreen(bool skipKept);
// Switch by one step with the caller rule applied (current desktop updated on success).
// Returns true when the switch happened.
bool SwitchBy(int dx, int dy);
