// Desktop hotkeys queued while a switch runs are taken together and make one switch.
#include <cstdlib>

#include "app/app.h"
#include "core/desktop.h"
#include "core/switching.h"
#include "pager/pager.h"
#include "platform/window.h"

namespace {

struct HotkeyStep {
    int id;
    HotkeyKind kind;
    int right, down;  // the view's step
};
constexpr HotkeyStep HotkeySteps[] = {
    {HotkeyUp, HotkeyKind::Switch, 0, -1},        {HotkeyDown, HotkeyKind::Switch, 0, 1},
    {HotkeyLeft, HotkeyKind::Switch, -1, 0},      {HotkeyRight, HotkeyKind::Switch, 1, 0},
    {HotkeyCarryUp, HotkeyKind::Carry, 0, -1},    {HotkeyCarryDown, HotkeyKind::Carry, 0, 1},
    {HotkeyCarryLeft, HotkeyKind::Carry, -1, 0},  {HotkeyCarryRight, HotkeyKind::Carry, 1, 0}};

const HotkeyStep* StepOf(int id) {
    for (const HotkeyStep& s : HotkeySteps)
        if (s.id == id) return &s;
    return nullptr;
}

// One key's step as it would go alone: nothing beyond the grid's edge.
int StepWithin(int at, int step, int count) {
    if (step < 0) return at > 0 ? at - 1 : at;
    if (step > 0) return at < count - 1 ? at + 1 : at;
    return at;
}

}  // namespace

HotkeyRun StartHotkeyRun(int id, int column, int row, int columns, int rows) {
    const HotkeyStep* s = StepOf(id);
    HotkeyRun run{s ? s->kind : HotkeyKind::Other, column, row, column, row, 0};
    JoinHotkeyRun(run, id, columns, rows);
    return run;
}

bool JoinHotkeyRun(HotkeyRun& run, int id, int columns, int rows) {
    const HotkeyStep* s = StepOf(id);
    if (!s || s->kind != run.kind) return false;
    const int column = StepWithin(run.column, s->right, columns);
    const int row = StepWithin(run.row, s->down, rows);
    // Farther than one switch reaches: the key waits for the next switch.
    if (!StepWithinLimit(std::int64_t{column} - run.fromColumn, std::int64_t{row} - run.fromRow)) return false;
    run.column = column;
    run.row = row;
    ++run.taken;
    return true;
}

// Only posted messages are looked at, so no sent message runs in between, and what the first
// look found is what the second takes.
void TakeQueuedHotkeys(HotkeyRun& run) {
    const plat::Hwnd pager = PagerWindow();
    for (;;) {
        plat::Msg m{};
        if (!plat::PeekMessage(&m, pager, plat::WM_HOTKEY, plat::WM_HOTKEY,
                               plat::PM_NOREMOVE | plat::PM_QS_POSTMESSAGE) ||
            m.message != plat::WM_HOTKEY || m.wParam > 0xFFFF ||
            !JoinHotkeyRun(run, static_cast<int>(m.wParam), desktop.columns, desktop.rows))
            return;
        plat::PeekMessage(&m, pager, plat::WM_HOTKEY, plat::WM_HOTKEY,
                          plat::PM_REMOVE | plat::PM_QS_POSTMESSAGE);
    }
}

// The hotkeys queued behind this one go in the same switch: the windows end where the
// switches one by one would have put them, without the batches in between.
void SwitchByHotkeys(int id) {
    HotkeyRun run = StartHotkeyRun(id, desktop.currentColumn, desktop.currentRow, desktop.columns,
                                   desktop.rows);
    TakeQueuedHotkeys(run);
    if (run.column == run.fromColumn && run.row == run.fromRow) return;
    const plat::Hwnd carried = run.kind == HotkeyKind::Carry ? CarriableWindow() : nullptr;
    // Keys that come while the windows are read and asked still go in this switch.
    MoveViewByGrowing(
        run.column - run.fromColumn, run.row - run.fromRow,
        [&run](int* right, int* down) {
            TakeQueuedHotkeys(run);
            *right = run.column - run.fromColumn;
            *down = run.row - run.fromRow;
        },
        carried);
}
