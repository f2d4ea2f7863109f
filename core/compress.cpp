#include "core/compress.h"

#include <atomic>
#include <cstdint>

#include "config/settings.h"
#include "core/desktop.h"
#include "core/movebatch.h"
#include "core/unmovable.h"
#include "core/windows.h"
#include "core/zorder.h"
#include "platform/window.h"

namespace {

// The dialog thread and the main thread may both ask for a compress; the flag makes the
// test and the set one step, so exactly one of them runs and the other's request is dropped.
std::atomic_flag compressGate = ATOMIC_FLAG_INIT;

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

constexpr std::uint32_t ProbeTimeoutMs = 40;

// A batch holding a hung window waits for it to answer, and the compress at exit would hang
// the shutdown with it; such a window gets its move posted instead, made whenever it answers.
void MoveFolded(MoveBatch& batch, plat::Hwnd w, int x, int y) {
    std::uintptr_t answer = 0;
    if (plat::SendMessageTimeoutW(w, plat::WM_GETTEXTLENGTH, 0, 0, plat::SMTO_ABORTIFHUNG,
                                  ProbeTimeoutMs, &answer))
        AddToMoveBatch(batch, w, x, y);
    else if (!plat::SetWindowPos(w, nullptr, x, y, 0, 0, BatchMoveFlags | plat::SWP_ASYNCWINDOWPOS))
        NoteFailedMove(w);
}

void FoldWindow(MoveBatch& batch, plat::Hwnd w, bool onlyKept) {
    if (!plat::IsWindowVisible(w) || plat::IsIconic(w) || IsUnmovable(w)) return;
    if (onlyKept && !IsKeptInPlace(w)) return;
    plat::Rect r{};
    if (!plat::GetWindowRect(w, &r)) return;
    // Asked only of the windows that would move: most lie on the screen already.
    if (plat::IsZoomed(w)) {
        if (IsCloaked(w)) return;
        const plat::Point p = MaximizedPlace(r);
        MoveFolded(batch, w, p.x, p.y);
        return;
    }
    const FoldResult fold = FoldOntoScreen(r);
    if (fold.moved && !IsCloaked(w)) MoveFolded(batch, w, fold.rect.left, fold.rect.top);
}

plat::Bool PLAT_CALLBACK ApplyEntryTo(plat::Hwnd w, plat::LParam data) {
    MoveBatch& batch = *reinterpret_cast<MoveBatch*>(data);
    const WindowTitle title = ReadWindowTitle(w);

    for (const WindowPositionEntry* e = FirstPositionEntry(); e; e = e->next) {
        if ((e->position & KeepInPlace) || !MatchWindowName(e->name, title.text)) continue;
        // A desktop outside the grid (a smaller grid since, or a stray value) would put the
        // window where no switch can reach it.
        if (CellColumn(e->position) >= desktop.columns || CellRow(e->position) >= desktop.rows)
            continue;
        const DesktopCell cell = DesktopCellOfWindow(w);
        const int dc = CellColumn(e->position) - CellColumn(cell);
        const int dr = CellRow(e->position) - CellRow(cell);
        if (dc == 0 && dr == 0) continue;
        if (IsCloaked(w)) break;
        plat::Rect r{};
        if (plat::GetWindowRect(w, &r))
            AddToMoveBatch(batch, w,
                           OffsetCoordinate(r.left, static_cast<std::int64_t>(dc) * desktop.screenWidth),
                           OffsetCoordinate(r.top, static_cast<std::int64_t>(dr) * desktop.screenHeight));
        break;
    }
    return 1;
}

// Takes the gate; with time allowed, waits for the other holder while serving the messages
// it may send to this thread.
bool TakeCompressGate(std::uint32_t waitMs) {
    for (std::uint32_t waited = 0; compressGate.test_and_set(); ++waited) {
        if (waited >= waitMs) return false;
        plat::MsgWaitForMultipleObjects(0, nullptr, 0, 1, plat::QS_SENDMESSAGE);
        plat::Msg m;
        plat::PeekMessage(&m, nullptr, 0, 0, plat::PM_REMOVE | plat::PM_QS_SENDMESSAGE);
    }
    return true;
}

enum class FoldSet { All, Kept, AbovePager };

void Fold(FoldSet which, std::uint32_t waitMs) {
    if (!TakeCompressGate(waitMs)) return;
    if (desktop.compressBusy) {
        compressGate.clear();
        return;
    }
    desktop.compressBusy = 1;
    desktop.switching.store(1, std::memory_order_relaxed);

    MoveBatch batch{};
    BeginMoveBatch(batch, 8);
    bool abovePager = settings.pagerWindow != nullptr;
    ForEachTopLevelWindow(nullptr, [&](plat::Hwnd w) {
        if (w == settings.pagerWindow) abovePager = false;
        else if (which != FoldSet::AbovePager || abovePager)
            FoldWindow(batch, w, which == FoldSet::Kept);
    });
    EndMoveBatch(batch);

    desktop.switching.store(0, std::memory_order_relaxed);
    desktop.compressBusy = 0;
    compressGate.clear();
}

}  // namespace

void CompressDesktop(bool onlyKept, std::uint32_t waitMs) {
    Fold(onlyKept ? FoldSet::Kept : FoldSet::All, waitMs);
}

void FoldWindowsAbovePager(std::uint32_t waitMs) { Fold(FoldSet::AbovePager, waitMs); }

void EmergencyFold() {
    ForEachTopLevelWindow(settings.pagerWindow, [](plat::Hwnd w) {
        if (!plat::IsWindowVisible(w) || plat::IsIconic(w)) return;
        plat::Rect r{};
        if (!plat::GetWindowRect(w, &r)) return;
        plat::Point corner{-MaximizedFrame, -MaximizedFrame};
        if (plat::IsZoomed(w)) corner = MaximizedPlace(r);
        int x = corner.x, y = corner.y;
        if (!plat::IsZoomed(w)) {
            const FoldResult fold = FoldOntoScreen(r);
            if (!fold.moved) return;
            x = fold.rect.left;
            y = fold.rect.top;
        }
        plat::SetWindowPos(w, nullptr, x, y, 0, 0, BatchMoveFlags | plat::SWP_ASYNCWINDOWPOS);
    });
}

void ApplyRememberedPositions() {
    desktop.switching.store(1, std::memory_order_relaxed);
    MoveBatch batch{};
    BeginMoveBatch(batch, 8);
    plat::EnumDesktopWindows(nullptr, ApplyEntryTo, reinterpret_cast<plat::LParam>(&batch));
    EndMoveBatch(batch);
    desktop.switching.store(0, std::memory_order_relaxed);
    plat::InvalidateRect(settings.pagerWindow, nullptr, 1);
    plat::UpdateWindow(settings.pagerWindow);
}
