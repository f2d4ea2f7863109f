#include "core/compress.h"

#include <atomic>
#include <cstdint>

#include "config/settings.h"
#include "core/desktop.h"
#include "core/movebatch.h"
#include "core/windows.h"
#include "pager/pager.h"
#include "platform/window.h"

namespace {

// The dialog thread and the main thread may both ask for a compress; the flag makes the
// test and the set one step, so exactly one of them runs and the other's request is dropped.
std::atomic_flag compressGate = ATOMIC_FLAG_INIT;

constexpr int MaximizedCorner = -4;

constexpr std::uint32_t ProbeTimeoutMs = 40;

// A batch holding a hung window waits for it to answer, and the compress at exit would hang
// the shutdown with it; such a window gets its move posted instead, made whenever it answers.
void MoveFolded(MoveBatch& batch, plat::Hwnd w, int x, int y) {
    std::uintptr_t answer = 0;
    if (plat::SendMessageTimeoutW(w, plat::WM_GETTEXTLENGTH, 0, 0, plat::SMTO_ABORTIFHUNG,
                                  ProbeTimeoutMs, &answer))
        AddToMoveBatch(batch, w, x, y);
    else
        plat::SetWindowPos(w, nullptr, x, y, 0, 0, BatchMoveFlags | plat::SWP_ASYNCWINDOWPOS);
}

void FoldWindow(MoveBatch& batch, plat::Hwnd w, bool onlyKept) {
    if (!plat::IsWindowVisible(w) || plat::IsIconic(w)) return;
    if (onlyKept && !IsKeptInPlace(w)) return;
    plat::Rect r{};
    if (!plat::GetWindowRect(w, &r)) return;
    if (plat::IsZoomed(w)) {
        MoveFolded(batch, w, MaximizedCorner, MaximizedCorner);
        return;
    }
    const FoldResult fold = FoldOntoScreen(r);
    if (fold.moved) MoveFolded(batch, w, fold.rect.left, fold.rect.top);
}

plat::Bool PLAT_CALLBACK ApplyEntryTo(plat::Hwnd w, plat::LParam data) {
    MoveBatch& batch = *reinterpret_cast<MoveBatch*>(data);
    char title[256];
    ReadWindowTitle(w, title, sizeof title);

    for (const WindowPositionEntry* e = FirstPositionEntry(); e; e = e->next) {
        if ((e->position & KeepInPlace) || !MatchWindowName(e->name, title)) continue;
        // A desktop outside the grid (a smaller grid since, or a stray value) would put the
        // window where no switch can reach it.
        if (CellColumn(e->position) >= desktop.columns || CellRow(e->position) >= desktop.rows)
            continue;
        const DesktopCell cell = DesktopCellOfWindow(w);
        const int dc = CellColumn(e->position) - CellColumn(cell);
        const int dr = CellRow(e->position) - CellRow(cell);
        if (dc == 0 && dr == 0) continue;
        plat::Rect r{};
        if (plat::GetWindowRect(w, &r))
            AddToMoveBatch(batch, w,
                           OffsetCoordinate(r.left, static_cast<std::int64_t>(dc) * desktop.screenWidth),
                           OffsetCoordinate(r.top, static_cast<std::int64_t>(dr) * desktop.screenHeight));
        break;
    }
    return 1;
}

}  // namespace

void CompressDesktop(bool onlyKept) {
    if (compressGate.test_and_set()) return;
    if (desktop.compressBusy) {
        compressGate.clear();
        return;
    }
    desktop.compressBusy = 1;
    desktop.switching = 1;

    MoveBatch batch{};
    BeginMoveBatch(batch, 8);
    ForEachWindowBelow(PagerWindow, [&](plat::Hwnd w) { FoldWindow(batch, w, onlyKept); });
    EndMoveBatch(batch);

    desktop.switching = 0;
    desktop.compressBusy = 0;
    compressGate.clear();
}

void ApplyRememberedPositions() {
    desktop.switching = 1;
    MoveBatch batch{};
    BeginMoveBatch(batch, 8);
    plat::EnumWindows(ApplyEntryTo, reinterpret_cast<plat::LParam>(&batch));
    EndMoveBatch(batch);
    desktop.switching = 0;
    plat::InvalidateRect(PagerWindow, nullptr, 1);
    plat::UpdateWindow(PagerWindow);
}
