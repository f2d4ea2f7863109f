#include "core/unmovable.h"

#include "core/window_set.h"
#include "platform/kernel.h"

namespace {
WindowSet unmovable;
}  // namespace

bool NoteFailedMove(plat::Hwnd w) {
    if (!w || plat::GetLastError() != static_cast<std::uint32_t>(plat::ERROR_ACCESS_DENIED))
        return false;
    return AddToWindowSet(unmovable, w);
}

bool IsUnmovable(plat::Hwnd w) { return InWindowSet(unmovable, w); }

void ForgetGoneUnmovable() { PruneWindowSet(unmovable); }

void ResetUnmovable() { ClearWindowSet(unmovable); }
