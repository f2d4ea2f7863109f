#include "core/compress.h"

#include <cstdint>

#include "config/settings.h"
#include "core/desktop.h"
#include "core/movebatch.h"
#include "core/pending.h"
#include "core/sticky.h"
#include "core/switching.h"
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

// A batch holding a hung window would wait for it; such a window, and one whose earlier move is
// still pending, is handed to the move thread as switching does (moved after what it holds).
// Cloaking is asked only of the windows that would move: most lie on the screen already.
void MoveOrHandOver(MoveBatch& batch, plat::Hwnd w, const plat::Rect& from, bool pending, int x,
                    int y) {
    if (IsCloaked(w)) return;
    if (!pending && ProbeAnswers(w))
        AddToMoveBatch(batch, w, x, y);
    else
        HandToMoveThread(PlannedMove{w, x, y, from.left, from.top, true});
}

enum class FoldSet { All, Kept, AbovePager, IntoGrid };

void FoldWindow(MoveBatch& batch, plat::Hwnd w, FoldSet which) {
    if (!plat::IsWindowVisible(w) || plat::IsIconic(w) || IsUnmovable(w)) return;
    if (which == FoldSet::Kept && !IsKeptInPlace(w)) return;
    plat::Rect r{};
    bool pending = false;
    if (!ReadPlacement(w, &r, &pending)) return;
    if (which != FoldSet::IntoGrid && plat::IsZoomed(w)) {
        const plat::Point p = MaximizedPlace(r);
        MoveOrHandOver(batch, w, r, pending, p.x, p.y);
        return;
    }
    const FoldResult fold = which == FoldSet::IntoGrid ? FoldIntoGrid(r) : FoldOntoScreen(r);
    if (fold.moved) MoveOrHandOver(batch, w, r, pending, fold.rect.left, fold.rect.top);
}

plat::Bool PLAT_CALLBACK ApplyEntryTo(plat::Hwnd w, plat::LParam data) {
    MoveBatch& batch = *reinterpret_cast<MoveBatch*>(data);
    const WindowTitle title = ReadWindowTitle(w);
    plat::Rect r{};
    bool pending = false;

    for (const WindowPositionEntry* e = FirstPositionEntry(); e; e = e->next) {
        if ((e->position & KeepInPlace) || !MatchWindowName(e->name, title.text)) continue;
        // A desktop outside the grid (a smaller grid since, or a stray value) would put the
        // window where no switch can reach it.
        if (CellColumn(e->position) >= desktop.columns || CellRow(e->position) >= desktop.rows)
            continue;
        if (!ReadPlacement(w, &r, &pending)) break;
        const plat::Point to = DesktopMoveTarget(r, CellColumn(e->position), CellRow(e->position));
        if (to.x == r.left && to.y == r.top) continue;
        MoveOrHandOver(batch, w, r, pending, to.x, to.y);
        break;
    }
    return 1;
}

// Only the main thread compresses; a request made inside a compress (by a window answering
// its questions) is dropped.
void Fold(FoldSet which) {
    if (desktop.compressBusy) return;
    desktop.compressBusy = 1;
    {
        SwitchingScope marked;
        MoveBatch batch{};
        BeginMoveBatch(batch, 8);
        bool abovePager = settings.pagerWindow != nullptr;
        ForEachTopLevelWindow(nullptr, [&](plat::Hwnd w) {
            if (w == settings.pagerWindow) abovePager = false;
            else if (which != FoldSet::AbovePager || abovePager)
                FoldWindow(batch, w, which);
        });
        EndMoveBatch(batch);
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
        plat::Point corner{-MaximizedFrame, -MaximizedFrame};
        if (plat::IsZoomed(w)) corner = MaximizedPlace(r);
        int x = corner.x, y = corner.y;
        if (!plat::IsZoomed(w)) {
            const FoldResult fold = FoldOntoScreen(r);
            if (!fold.moved && !pending) return;
            x = fold.rect.left;
            y = fold.rect.top;
        }
        plat::SetWindowPos(w, nullptr, x, y, 0, 0, BatchMoveFlags | plat::SWP_ASYNCWINDOWPOS);
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
    MoveBatch batch{};
    BeginMoveBatch(batch, 1);
    MoveOrHandOver(batch, w, r, pending, to.x, to.y);
    EndMoveBatch(batch);
    return true;
}

void ApplyRememberedPositions() {
    if (WindowMovesStopped()) return;
    {
        SwitchingScope marked;
        MoveBatch batch{};
        BeginMoveBatch(batch, 8);
        plat::EnumDesktopWindows(nullptr, ApplyEntryTo, reinterpret_cast<plat::LParam>(&batch));
        EndMoveBatch(batch);
    }
    plat::InvalidateRect(settings.pagerWindow, nullptr, 1);
    plat::UpdateWindow(settings.pagerWindow);
}
