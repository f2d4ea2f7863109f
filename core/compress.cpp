#include "core/compress.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "config/settings.h"
#include "core/desktop.h"
#include "core/movebatch.h"
#include "core/pending.h"
#include "core/sticky.h"
#include "core/switching.h"
#include "core/ticks.h"
#include "core/unmovable.h"
#include "core/windows.h"
#include "core/zorder.h"
#include "platform/window.h"

namespace {

// A maximized window lies this far above and left of its monitor's work area.
constexpr int MaximizedFrame = 4;

// Where a maximized window goes: the work area's corner of the monitor its folded rectangle
// lands on.
plat::Point MaximizedPlace(const plat::Rect& r) {
    const plat::Rect f = FoldOntoScreen(r).rect;
    const plat::Point centre{static_cast<std::int32_t>((std::int64_t{f.left} + f.right) / 2),
                             static_cast<std::int32_t>((std::int64_t{f.top} + f.bottom) / 2)};
    const ScreenGeometry g = CurrentGeometry();
    const MonitorArea* m = MonitorAt(g, centre, true);
    if (!m) return plat::Point{-MaximizedFrame, -MaximizedFrame};
    return plat::Point{m->work.left - MaximizedFrame, m->work.top - MaximizedFrame};
}

// Whole screens that bring twice a centre coordinate, sum, into [0, 2 * count * size].
std::int64_t GridSteps(std::int64_t sum, std::int64_t size, std::int64_t count) {
    if (size <= 0 || count <= 0) return 0;
    const std::int64_t step = 2 * size, end = step * count;
    if (sum < 0) return (-sum + step - 1) / step;
    if (sum > end) return -((sum - end + step - 1) / step);
    return 0;
}

// Where the window is, or where the move the move thread still holds for it puts it. Asked
// before the rectangle, so that a move landing in between shows in the rectangle.
bool ReadPlacement(plat::Hwnd w, plat::Rect* r, bool* pending) {
    int x = 0, y = 0;
    *pending = PendingMoveTarget(w, &x, &y);
    if (!plat::GetWindowRect(w, r)) return false;
    if (*pending)
        *r = {x, y, OffsetCoordinate(x, std::int64_t{r->right} - r->left),
              OffsetCoordinate(y, std::int64_t{r->bottom} - r->top)};
    return true;
}

// A batch holding a hung window would wait for it: the windows that would move are asked
// together, and one that does not answer, or whose earlier move is still pending, is handed to
// the move thread as switching does (moved after what it holds). Cloaking is asked only of the
// windows that would move: most lie on the screen already.
void PushFolds(std::vector<PlannedMove> moves) {
    moves.erase(std::remove_if(moves.begin(), moves.end(),
                               [](const PlannedMove& m) { return IsCloaked(m.window); }),
                moves.end());
    std::vector<SwitchCandidate> asked;
    for (const PlannedMove& m : moves)
        if (!m.viaMoveThread) asked.push_back(SwitchCandidate{m.window, {0, 0, 0, 0}, true, false, false});
    if (!asked.empty()) ProbeCandidates(asked, CounterNow());
    std::size_t next = 0;
    for (PlannedMove& m : moves)
        if (!m.viaMoveThread) m.viaMoveThread = !asked[next++].answered;
    PushMoves(moves);
}

enum class FoldSet { All, Kept, AbovePager, IntoGrid };

// Where a fold of `which` puts a window at r; false when it stays. A maximized window always
// goes to its monitor's corner. No system calls.
bool PlanFold(const plat::Rect& r, bool maximized, FoldSet which, plat::Point* to) {
    if (which != FoldSet::IntoGrid && maximized) {
        *to = MaximizedPlace(r);
        return true;
    }
    const FoldResult fold = which == FoldSet::IntoGrid ? FoldIntoGrid(r) : FoldOntoScreen(r);
    *to = plat::Point{fold.rect.left, fold.rect.top};
    return fold.moved;
}

void PlanFoldOf(std::vector<PlannedMove>& plan, plat::Hwnd w, FoldSet which) {
    if (!plat::IsWindowVisible(w) || plat::IsIconic(w) || IsUnmovable(w)) return;
    if (which == FoldSet::Kept && !IsKeptInPlace(w)) return;
    plat::Rect r{};
    bool pending = false;
    plat::Point to{};
    if (ReadPlacement(w, &r, &pending) && PlanFold(r, plat::IsZoomed(w), which, &to))
        plan.push_back(PlannedMove{w, to.x, to.y, r.left, r.top, pending});
}

plat::Bool PLAT_CALLBACK PlanRememberedOf(plat::Hwnd w, plat::LParam data) {
    std::vector<PlannedMove>& plan = *reinterpret_cast<std::vector<PlannedMove>*>(data);
    const WindowTitle title = ReadWindowTitle(w);
    plat::Rect r{};
    bool pending = false;
    plat::Point to{};
    if (ReadPlacement(w, &r, &pending) && PlanRememberedMove(title.text, r, &to))
        plan.push_back(PlannedMove{w, to.x, to.y, r.left, r.top, pending});
    return 1;
}

// Only the main thread compresses; a request made inside a compress (by a window answering
// its questions) is dropped.
void Fold(FoldSet which) {
    if (desktop.compressBusy) return;
    desktop.compressBusy = 1;
    {
        SwitchingScope marked;
        std::vector<PlannedMove> plan;
        bool abovePager = settings.pagerWindow != nullptr;
        ForEachTopLevelWindow(nullptr, [&](plat::Hwnd w) {
            if (w == settings.pagerWindow) abovePager = false;
            else if (which != FoldSet::AbovePager || abovePager)
                PlanFoldOf(plan, w, which);
        });
        PushFolds(std::move(plan));
    }
    desktop.compressBusy = 0;
}

}  // namespace

void CompressDesktop(bool onlyKept) { Fold(onlyKept ? FoldSet::Kept : FoldSet::All); }

void FoldWindowsAbovePager() { Fold(FoldSet::AbovePager); }

void FoldWindowsIntoGrid() { Fold(FoldSet::IntoGrid); }

FoldResult FoldIntoGrid(const plat::Rect& r) {
    const std::int64_t sw = desktop.screenWidth, sh = desktop.screenHeight;
    const std::int64_t kx = GridSteps(std::int64_t{r.left} + r.right - 2 * std::int64_t{desktop.originX} +
                                          2 * sw * desktop.currentColumn,
                                      sw, desktop.columns);
    const std::int64_t ky = GridSteps(std::int64_t{r.top} + r.bottom - 2 * std::int64_t{desktop.originY} +
                                          2 * sh * desktop.currentRow,
                                      sh, desktop.rows);
    FoldResult f{};
    f.rect = {OffsetCoordinate(r.left, kx * sw), OffsetCoordinate(r.top, ky * sh),
              OffsetCoordinate(r.right, kx * sw), OffsetCoordinate(r.bottom, ky * sh)};
    f.sx = static_cast<int>(kx);
    f.sy = static_cast<int>(ky);
    f.moved = kx != 0 || ky != 0;
    return f;
}

void EmergencyFold() {
    ForEachTopLevelWindow(settings.pagerWindow, [](plat::Hwnd w) {
        if (!plat::IsWindowVisible(w) || plat::IsIconic(w)) return;
        plat::Rect r{};
        if (!plat::GetWindowRect(w, &r)) return;
        // A move the move thread already issued lands first: fold from where it puts the window.
        int toX = 0, toY = 0;
        const bool pending = PendingMoveTargetNoWait(w, &toX, &toY);
        if (pending)
            r = {toX, toY, OffsetCoordinate(toX, std::int64_t{r.right} - r.left),
                 OffsetCoordinate(toY, std::int64_t{r.bottom} - r.top)};
        plat::Point to{};
        if (!PlanFold(r, plat::IsZoomed(w), FoldSet::All, &to)) {
            if (!pending) return;
            to = plat::Point{r.left, r.top};
        }
        MoveWindowAsync(w, to.x, to.y);
    });
}

plat::Point DesktopMoveTarget(const plat::Rect& r, int column, int row) {
    const plat::Point c{static_cast<int>((std::int64_t{r.left} + r.right) / 2),
                        static_cast<int>((std::int64_t{r.top} + r.bottom) / 2)};
    const DesktopCell cell = DesktopCellOfPoint(c.x, c.y);
    const std::int64_t dc = std::int64_t{column} - CellColumn(cell);
    const std::int64_t dr = std::int64_t{row} - CellRow(cell);
    return {OffsetCoordinate(r.left, dc * desktop.screenWidth),
            OffsetCoordinate(r.top, dr * desktop.screenHeight)};
}

int ClampToGrid(std::int64_t index, int count) {
    if (index < 0 || count <= 0) return 0;
    return index > count - 1 ? count - 1 : static_cast<int>(index);
}

bool PlanCarryByDesktops(const plat::Rect& r, int columnsRight, int rowsDown, plat::Point* to) {
    const DesktopCell cell = DesktopCellOfPoint(static_cast<int>((std::int64_t{r.left} + r.right) / 2),
                                                static_cast<int>((std::int64_t{r.top} + r.bottom) / 2));
    const int column = ClampToGrid(std::int64_t{CellColumn(cell)} + columnsRight, desktop.columns);
    const int row = ClampToGrid(std::int64_t{CellRow(cell)} + rowsDown, desktop.rows);
    if (column == CellColumn(cell) && row == CellRow(cell)) return false;
    *to = DesktopMoveTarget(r, column, row);
    return true;
}

bool MoveWindowToDesktop(plat::Hwnd w, int column, int row) {
    if (column < 0 || column >= desktop.columns || row < 0 || row >= desktop.rows ||
        WindowMovesStopped() || !plat::IsWindow(w) || IsUnmovable(w))
        return false;
    // A minimized window is moved by no switch: it would come back where it was minimized.
    if (plat::IsIconic(w)) return false;
    SetSticky(w, false);
    plat::Rect r{};
    bool pending = false;
    if (!ReadPlacement(w, &r, &pending)) return false;
    const plat::Point to = DesktopMoveTarget(r, column, row);
    if (to.x == r.left && to.y == r.top) return true;
    SwitchingScope marked;
    PushFolds({PlannedMove{w, to.x, to.y, r.left, r.top, pending}});
    return true;
}

bool PlanRememberedMove(const char* title, const plat::Rect& r, plat::Point* to) {
    for (const WindowPositionEntry* e = FirstPositionEntry(); e; e = e->next) {
        if ((e->position & KeepInPlace) || !MatchWindowName(e->name, title)) continue;
        // A desktop outside the grid (a smaller grid since, or a stray value) would put the
        // window where no switch can reach it.
        if (CellColumn(e->position) >= desktop.columns || CellRow(e->position) >= desktop.rows)
            continue;
        *to = DesktopMoveTarget(r, CellColumn(e->position), CellRow(e->position));
        if (to->x != r.left || to->y != r.top) return true;
    }
    return false;
}

void ApplyRememberedPositions() {
    if (WindowMovesStopped()) return;
    {
        SwitchingScope marked;
        std::vector<PlannedMove> plan;
        plat::EnumDesktopWindows(nullptr, PlanRememberedOf, reinterpret_cast<plat::LParam>(&plan));
        PushFolds(std::move(plan));
    }
    plat::InvalidateRect(settings.pagerWindow, nullptr, 1);
    plat::UpdateWindow(settings.pagerWindow);
}
