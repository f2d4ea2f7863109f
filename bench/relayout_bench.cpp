// The re-layout after a display change beside a switch, both with 100 windows spread over the
// desktops of the simulated desktop. Prints figures only.
#include <chrono>
#include <cstdio>
#include <string>

#include "app/app.h"
#include "bench/bench_support.h"
#include "config/settings.h"
#include "core/desktop.h"
#include "core/display.h"
#include "core/switching.h"
#include "pager/pager.h"
#include "platform/sim/sim.h"
#include "platform/window.h"

namespace {

using Clock = std::chrono::steady_clock;

sim::Monitor Screen(int width, int height) {
    sim::Monitor m;
    m.rect = m.work = plat::Rect{0, 0, width, height};
    m.primary = true;
    return m;
}

}  // namespace

void RunRelayoutBench() {
    constexpr int Windows = 100, Rounds = 20;
    StartBenchDesktop(plat::WS_POPUP);
    for (int i = 0; i < Windows; ++i) {
        sim::WindowSpec desc;
        desc.title = "Window number " + std::to_string(i);
        const int left = (i * 397) % (3 * 1024 - 400) - 1024, top = (i * 211) % (3 * 768 - 300) - 768;
        desc.rect = plat::Rect{left, top, left + 400, top + 300};
        sim::AddWindow(desc);
    }
    // Above them all, as the real pager is: both walks go below it.
    plat::SetWindowPos(settings.pagerWindow, plat::HWND_TOPMOST, 0, 0, 0, 0,
                       plat::SWP_NOMOVE | plat::SWP_NOSIZE);
    double switchMicros = 0, relayoutMicros = 0;
    std::size_t switchMoves = 0, relayoutMoves = 0;
    for (int i = 0; i < Rounds; ++i) {
        Clock::time_point t = Clock::now();
        ShiftWindows(i % 2 ? 1 : -1, 0);
        switchMicros += std::chrono::duration<double, std::micro>(Clock::now() - t).count();
        switchMoves += sim::Moves().size();
        sim::ClearMoves();
        sim::SetMonitors({i % 2 ? Screen(1024, 768) : Screen(800, 600)});
        t = Clock::now();
        FollowDisplayChange();
        relayoutMicros += std::chrono::duration<double, std::micro>(Clock::now() - t).count();
        relayoutMoves += sim::Moves().size();
        sim::ClearMoves();
    }
    std::printf("%d windows: switch %8.1f us (%zu moves), re-layout after a display change"
                " %8.1f us (%zu moves); simulated desktop, the same probe and batch\n",
                Windows, switchMicros / Rounds, switchMoves / Rounds, relayoutMicros / Rounds,
                relayoutMoves / Rounds);
    sim::Reset();
}
