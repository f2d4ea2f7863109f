// The dialog thread (about and settings dialogs) and the move thread (late moves of windows
// that were hung during a switch), and the settings dialog run with its application.
#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "app/app.h"
#include "config/hookblock.h"
#include "config/settings.h"
#include "config/shortcuts.h"
#include "core/movebatch.h"
#include "core/pending.h"
#include "core/switching.h"
#include "core/unmovable.h"
#include "pager/pager.h"
#include "platform/kernel.h"
#include "platform/libs.h"
#include "platform/window.h"

namespace {

// Requests the move thread holds, touched only on that thread (MoveDone runs there too). A
// request is asked about first (its window has not answered yet); once it answers, its move is
// issued asynchronously, and it is held until the window is found where the move puts it.
struct HeldMove {
    MoveRequest* request;
    std::uintptr_t id;  // the callbacks' data: a freed request is never looked at
    bool issued;
    int checks;  // answers since the move was issued that did not find the window there
};
// The system posts an asynchronous move, and a sent question may overtake it; the window is
// asked again until it is there. A window its program moves meanwhile never is: the checks end.
constexpr int LandingChecks = 16;
std::vector<HeldMove> heldMoves;
std::uintptr_t lastMoveId;

std::vector<HeldMove>::iterator FindHeld(std::uintptr_t id) {
    return std::find_if(heldMoves.begin(), heldMoves.end(), [&](const HeldMove& h) { return h.id == id; });
}

void Forget(std::vector<HeldMove>::iterator it, bool arrived) {
    EndPendingMove(it->request->window, arrived);
    FreeMoveRequest(it->request);
    heldMoves.erase(it);
}

// A program that died hung never answers: its requests end instead of piling up.
void ForgetVanishedWindows() {
    for (auto it = heldMoves.begin(); it != heldMoves.end();) {
        if (plat::IsWindow(it->request->window)) {
            ++it;
            continue;
        }
        EndPendingMove(it->request->window, false);
        FreeMoveRequest(it->request);
        it = heldMoves.erase(it);
    }
}

// The switch planned this request from the target of any earlier one, so it holds the window's
// final place: a window that has not answered yet takes it instead of its old target, and only
// one move is made.
void TakeRequest(MoveRequest* request) {
    ForgetVanishedWindows();
    for (HeldMove& h : heldMoves) {
        if (h.issued || h.request->window != request->window) continue;
        h.request->x = request->x;
        h.request->y = request->y;
        EndPendingMove(request->window, false);
        FreeMoveRequest(request);
        return;
    }
    heldMoves.push_back({request, ++lastMoveId, false, 0});
    // WM_QUERYDRAGICON only probes; the move happens in MoveDone once the window answers.
    if (!plat::SendMessageCallback(request->window, plat::WM_QUERYDRAGICON, 0, 0, MoveDone,
                                    lastMoveId))
        Forget(heldMoves.end() - 1, false);
}

void ShowAbout(plat::Handle done) {
    aboutDialogOpen.store(true, std::memory_order_relaxed);
    plat::ShowAboutDlg();
    if (done) plat::SetEvent(done);
    aboutDialogOpen.store(false, std::memory_order_relaxed);
}

// The main thread may be in a switch; a copy is all it is asked for meanwhile.
constexpr std::uint32_t CopyTimeoutMs = 10000;
constexpr std::uint32_t ApplyPollMs = 100;

bool TakeCopy(SettingsEdit& edit) {
    std::uintptr_t answered = 0;
    return plat::SendMessageTimeout(PagerWindow(), MsgSettingsCopy, 0,
                                    reinterpret_cast<plat::LParam>(&edit), plat::SMTO_NORMAL,
                                    CopyTimeoutMs, &answered) != 0 &&
           answered != 0;
}

// Posted, so that the main thread takes it between its other work, never inside a switch;
// waited for, since the save publishes the hook block under the mutex this thread holds and a
// dialog shown again starts from what is in force.
void HandOver(SettingsEdit& edit) {
    const plat::Hwnd pager = PagerWindow();
    if (!plat::PostMessage(pager, MsgSettingsApplied, 0, reinterpret_cast<plat::LParam>(&edit)))
        return;
    // A pager destroyed before it took the message never will.
    while (plat::WaitForSingleObject(edit.applied, ApplyPollMs) == plat::WAIT_TIMEOUT)
        if (!plat::IsWindow(pager)) return;
}

}  // namespace

std::uint32_t PLAT_CALLBACK DialogThreadMain(void*) {
    plat::Msg m;
    while (plat::GetMessage(&m, nullptr, 0, 0) > 0) {
        switch (m.message) {
            case MsgShowSettings:
                RunSettingsDialog(static_cast<std::uint32_t>(m.wParam));
                break;
            case MsgShowStartupAbout:
                ShowAbout(reinterpret_cast<plat::Handle>(m.lParam));
                break;
            case MsgShowAbout:
                ShowAbout(nullptr);
                break;
            default:
                break;
        }
    }
    return 0;
}

std::uint32_t PLAT_CALLBACK MoveThreadMain(void*) {
    // What an earlier run left pending died with its move thread.
    ResetPendingMoves();
    plat::Msg m;
    while (plat::GetMessage(&m, nullptr, 0, 0) > 0) {
        if (m.message == MsgMoveWindow && m.lParam != 0)
            TakeRequest(reinterpret_cast<MoveRequest*>(m.lParam));
    }
    // Windows that never answered keep their requests: the exit moves them (TakeUnfinishedMoves).
    return 0;
}

std::vector<PendingMove> TakeUnfinishedMoves() {
    std::vector<PendingMove> moves;
    for (const HeldMove& h : heldMoves) {
        const MoveRequest* r = h.request;
        const auto seen = std::find_if(moves.begin(), moves.end(),
                                       [&](const PendingMove& m) { return m.window == r->window; });
        // Later requests of a window were planned from the earlier ones: the last one holds its
        // final target.
        if (seen != moves.end())
            *seen = {r->window, r->x, r->y};
        else
            moves.push_back({r->window, r->x, r->y});
        FreeMoveRequest(h.request);
    }
    std::vector<HeldMove>().swap(heldMoves);
    return moves;
}

void PLAT_CALLBACK MoveDone(plat::Hwnd, std::uint32_t, std::uintptr_t id, plat::LResult) {
    const auto it = FindHeld(id);
    if (it == heldMoves.end()) return;
    const MoveRequest* r = it->request;
    if (!it->issued) {
        // Asynchronous: a window that answered and hung again must not catch this thread, whose
        // end the exit waits for. The window's thread carries the move out in order.
        if (!MoveWindowAsync(r->window, r->x, r->y)) {
            // Refused for good (a program with higher rights): marked, and not waited for.
            if (NoteFailedMove(r->window)) {
                Forget(it, false);
                return;
            }
        }
        it->issued = true;
    } else {
        plat::Rect now{};
        const bool there = plat::GetWindowRect(r->window, &now) && now.left == r->x && now.top == r->y;
        if (there || ++it->checks >= LandingChecks) {
            Forget(it, true);
            return;
        }
    }
    // The window stays pending until it is found there.
    if (!plat::SendMessageCallback(r->window, 0 /* WM_NULL */, 0, 0, MoveDone, id)) Forget(it, false);
}

void RunSettingsDialog(std::uint32_t requested) {
    const int page = static_cast<int>(requested) - 1;
    if (plat::WaitForSingleObject(hookMutex, 500) == plat::WAIT_TIMEOUT) return;
    settingsDialogOpen.store(true, std::memory_order_relaxed);

    const std::unique_ptr<SettingsEdit> edit(new (std::nothrow) SettingsEdit{});
    if (edit) edit->applied = plat::CreateEvent(nullptr, 0, 0, nullptr);
    // Each showing starts from what is in force, so nothing is applied twice.
    while (edit && edit->applied && TakeCopy(*edit)) {
        const std::uintptr_t moveFuncs = plat::GetMoveFuncs();
        const std::uintptr_t clickFuncs = plat::GetClickFuncs();
        const int result = plat::ShowPrefDlg(&edit->chosen, clickFuncs, moveFuncs, page, &shortcutStore);
        if (result == PrefDialogCancelled) break;
        HandOver(*edit);
        if (result == PrefDialogApplied) break;
    }
    if (edit && edit->applied) plat::CloseHandle(edit->applied);

    settingsDialogOpen.store(false, std::memory_order_relaxed);
    plat::ReleaseMutex(hookMutex);
}
