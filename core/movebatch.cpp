#include "core/movebatch.h"

#include "core/unmovable.h"
#include "platform/window.h"

namespace {

// A window the system will not let this program move is marked, and no batch holds it again.
void MoveNow(const PendingMove& m) {
    if (!plat::SetWindowPos(m.window, nullptr, m.x, m.y, 0, 0, plat::QuietMoveFlags))
        NoteFailedMove(m.window);
}

// A batch the system refused as a whole moved nothing, or stopped part way: each window not
// yet where it was going goes alone, so the one that cannot be moved is found and marked.
void MoveEachAlone(const std::vector<PendingMove>& moves) {
    for (const PendingMove& m : moves) {
        plat::Rect r{};
        if (!plat::GetWindowRect(m.window, &r) || (r.left == m.x && r.top == m.y)) continue;
        MoveNow(m);
    }
}

// A failed DeferWindowPos destroys the whole batch, so every move deferred before it would be
// lost. Open a new batch and defer the remembered moves again; a move that fails once more is
// made directly and dropped from the batch, so each round shrinks it and the loop ends.
void RebuildBatch(MoveBatch& b) {
    for (;;) {
        const int hint = static_cast<int>(b.deferred.size()) < 8 ? 8 : static_cast<int>(b.deferred.size());
        b.handle = plat::BeginDeferWindowPos(hint);
        if (!b.handle) {
            for (const PendingMove& m : b.deferred)
                if (plat::IsWindow(m.window)) MoveNow(m);
            b.deferred.clear();
            return;
        }
        bool failed = false;
        for (std::size_t i = 0; i < b.deferred.size(); ++i) {
            const PendingMove m = b.deferred[i];
            if (!plat::IsWindow(m.window)) {
                b.deferred.erase(b.deferred.begin() + static_cast<std::ptrdiff_t>(i));
                --i;
                continue;
            }
            plat::Hdwp next = plat::DeferWindowPos(b.handle, m.window, nullptr, m.x, m.y, 0, 0,
                                                   plat::QuietMoveFlags);
            if (!next) {
                b.deferred.erase(b.deferred.begin() + static_cast<std::ptrdiff_t>(i));
                if (plat::IsWindow(m.window)) MoveNow(m);
                failed = true;
                break;
            }
            b.handle = next;
        }
        if (!failed) return;
    }
}

}  // namespace

void BeginMoveBatch(MoveBatch& b, int expected) {
    b.deferred.clear();
    b.handle = plat::BeginDeferWindowPos(expected);
}

void AddToMoveBatch(MoveBatch& b, plat::Hwnd w, int x, int y) {
    if (IsUnmovable(w)) return;
    const PendingMove m{w, x, y};
    if (!b.handle) {
        MoveNow(m);
        return;
    }
    plat::Hdwp next = plat::DeferWindowPos(b.handle, w, nullptr, x, y, 0, 0, plat::QuietMoveFlags);
    if (next) {
        b.handle = next;
        b.deferred.push_back(m);
        return;
    }
    // Usually the window vanished after it was looked at; if it is still there, move it alone.
    if (plat::IsWindow(w)) MoveNow(m);
    RebuildBatch(b);
}

void EndMoveBatch(MoveBatch& b) {
    if (b.handle && !plat::EndDeferWindowPos(b.handle)) MoveEachAlone(b.deferred);
    b.handle = nullptr;
    b.deferred.clear();
}

bool MoveWindowAsync(plat::Hwnd w, int x, int y) {
    return plat::SetWindowPos(w, nullptr, x, y, 0, 0, plat::QuietMoveFlags | plat::SWP_ASYNCWINDOWPOS) != 0;
}
