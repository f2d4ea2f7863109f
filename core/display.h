// A change of the virtual screen (resolution, monitors added or removed) keeps every window
// on its desktop.
#pragma once
#include <vector>

#include "core/desktop.h"
#include "core/switching.h"

// The moves that lay the candidates out again after the virtual screen changed from `before`
// to `now`, the current desktop staying. Each window keeps its desktop and its place as seen
// on the screen when its desktop is shown; that place is then clamped so that its title bar
// (titleHeight pixels high) lies inside the new desktop and on one of now's monitors. Windows
// that need no move are left out. No system calls.
std::vector<PlannedMove> PlanRelayout(const std::vector<SwitchCandidate>& candidates,
                                      const ScreenGeometry& before, const ScreenGeometry& now,
                                      int titleHeight);

// Stores `now` as the geometry and lays the managed windows out again from `before`, in one
// batch with the switch's probe. Main thread only.
void ChangeGeometry(const ScreenGeometry& before, const ScreenGeometry& now,
                    std::int32_t workWidth, std::int32_t workHeight);
// Measures the virtual screen and, when it changed, ChangeGeometry to it. Main thread only.
bool FollowDisplayChange();
