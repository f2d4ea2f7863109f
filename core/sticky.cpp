#include "core/sticky.h"

#include "core/desktop.h"
#include "core/movebatch.h"
#include "core/pending.h"
#include "core/switching.h"
#include "core/window_set.h"
#include "core/zorder.h"
#include "platform/window.h"

const char StickyPropertyName[] = "ParmenaShownOnEveryDesktop";

namespace {
WindowSet sticky;
}  // namespace

bool IsSticky(plat::Hwnd w) { return InWindowSet(sticky, w); }

bool SetSticky(plat::Hwnd w, bool on) {
    if (!w || !plat::IsWindow(w)) return false;
    if (!on) {
        plat::RemoveProp(w, StickyPropertyName);
        RemoveFromWindowSet(sticky, w);
        return true;
    }
    // The move the move thread holds would land after the mark and take the window off the
    // screen, where no switch would bring it back.
    if (IsMovePending(w) || !AddToWindowSet(sticky, w)) return false;
    // A window whose property cannot be set (one of a program with higher rights) is still
    // shown on every desktop for this run.
    plat::SetProp(w, StickyPropertyName, 1);
    plat::Rect r{};
    if (!WindowMovesStopped() && plat::GetWindowRect(w, &r)) {
        const FoldResult f = FoldOntoScreen(r);
        if (f.moved) MoveWindowAsync(w, f.rect.left, f.rect.top);
    }
    return true;
}

void RecoverStickyMarks() {
    ForEachTopLevelWindow(nullptr, [](plat::Hwnd w) {
        if (plat::GetProp(w, StickyPropertyName)) AddToWindowSet(sticky, w);
    });
}

void ForgetGoneSticky() { PruneWindowSet(sticky); }

void ResetSticky() { ClearWindowSet(sticky); }
