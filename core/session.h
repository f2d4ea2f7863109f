// The current desktop, and the record that lets the next start recover windows a run that
// was killed left off-screen.
#pragma once
#include <cstdint>

// Changes the current desktop; while the record is armed it is rewritten in the same step
// (one registry write per change).
void SetCurrentDesktop(int column, int row);

struct ScreenGeometry;

// What a start does about a record left by a run that ended without bringing windows home.
// Relayout: adopt the desktop, then lay the windows out again from the recorded geometry.
enum class Recovery { None, Adopt, Fold, Relayout };
struct RecoveryPlan {
    Recovery action;
    int column, row;  // with Adopt and Relayout: the desktop to take as the current one
    std::int32_t originX, originY, width, height;  // with Relayout: the recorded virtual screen
};
// Pure decision from the stored value (type and bytes as read) and the grid and virtual screen
// now: a desktop inside the grid is adopted, and laid out again when the recorded virtual
// screen differs; a record written while moves were pending, and anything else, is folded.
RecoveryPlan PlanRecovery(bool found, std::uint32_t type, const std::uint8_t* data,
                          std::uint32_t size, const ScreenGeometry& now, int columns, int rows);

// Start-up: reads the record, applies the plan (adopting sets the current desktop, folding
// brings every window onto the screen), then arms the record for this run.
RecoveryPlan RecoverPreviousRun();
// Removes the record: every window is home. Writes nothing more until armed again.
void DisarmSessionRecord();
// Arms the record and writes the current desktop.
void ArmSessionRecord();
// Rewrites an armed record: the virtual screen changed.
void RefreshSessionRecord();
// Rewrites a record that says moves were pending once none is: a kill from then on adopts.
void RefreshSessionRecordWhenSettled();

extern const char SessionValueName[];  // "Session" under the Preferences key
