// Pager refresh cost on the simulated desktop: the timer's unchanged refresh, a full
// drawing, and the heap allocations of an unchanged tick. Prints figures only.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "app/app.h"
#include "bench/bench_support.h"
#include "config/settings.h"
#include "core/desktop.h"
#include "pager/pager.h"
#include "platform/gdi.h"
#include "platform/sim/sim.h"
#include "platform/window.h"

namespace {

std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

void* CountedAlloc(std::size_t n) {
    if (counting.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(n ? n : 1);
}

}  // namespace

void* operator new(std::size_t n) {
    void* p = CountedAlloc(n);
    if (!p) throw std::bad_alloc();
    return p;
}
void* operator new[](std::size_t n) { return operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return CountedAlloc(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return CountedAlloc(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

using Clock = std::chrono::steady_clock;

plat::LResult PLAT_CALLBACK BenchPagerProc(plat::Hwnd w, std::uint32_t msg, plat::WParam wp,
                                           plat::LParam lp) {
    return plat::DefWindowProc(w, msg, wp, lp);
}

}  // namespace

void StartBenchDesktop(std::uint32_t pagerStyle) {
    sim::Reset();
    int x = 0, y = 0;
    LoadSettingsAndState(&x, &y);
    plat::WndClass wc{};
    wc.lpfnWndProc = BenchPagerProc;
    wc.lpszClassName = "BenchPager";
    plat::RegisterClass(&wc);
    settings.pagerWindow = plat::CreateWindowEx(plat::WS_EX_TOOLWINDOW, "BenchPager", "Parmena",
                                                 pagerStyle, x, y, 9, 9, nullptr, nullptr, nullptr,
                                                 nullptr);
}

namespace {

void SetUpDesktop(int windowCount) {
    StartBenchDesktop(plat::WS_POPUP | plat::WS_THICKFRAME);
    // Expanded and at full size: the state in which the timer refresh runs.
    ExpandPager(false);

    // Windows spread over all desktops of the grid, some overlapping.
    const int spanX = desktop.screenWidth * desktop.columns;
    const int spanY = desktop.screenHeight * desktop.rows;
    for (int i = 0; i < windowCount; ++i) {
        sim::WindowSpec desc;
        desc.title = "Window number " + std::to_string(i);
        const int left = (i * 397) % (spanX - 400);
        const int top = (i * 211) % (spanY - 300);
        desc.rect = plat::Rect{left, top, left + 400, top + 300};
        desc.minimized = (i % 17) == 0;
        sim::AddWindow(desc);
    }
}

double MicrosSince(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

void Run(int windowCount) {
    SetUpDesktop(windowCount);
    plat::Hdc dc = plat::GetDC(PagerWindow());

    PaintPager(dc, false);
    sim::ClearDrawCalls();

    const int fullRounds = windowCount >= 1000 ? 5 : 20;
    double fullMicros = 0;
    for (int i = 0; i < fullRounds; ++i) {
        const Clock::time_point t = Clock::now();
        PaintPager(dc, false);
        fullMicros += MicrosSince(t);
        sim::ClearDrawCalls();  // the recording would otherwise grow without bound
    }

    const int quietRounds = 1000;
    Clock::time_point t = Clock::now();
    for (int i = 0; i < quietRounds; ++i) TakeWindowSnapshot(true);
    const double snapshotMicros = MicrosSince(t);

    t = Clock::now();
    for (int i = 0; i < quietRounds; ++i) PaintPager(dc, true);
    const double quietMicros = MicrosSince(t);
    const std::size_t drawnWhileQuiet = sim::DrawCalls().size();

    allocations = 0;
    counting = true;
    for (int i = 0; i < quietRounds; ++i) PaintPager(dc, true);
    counting = false;
    const long quietAllocations = allocations.load();

    // The same count around ticks that do find a change (one window moved each time); the
    // simulation's drawing records allocate, so this shows the counter at work.
    const plat::Hwnd moved = sim::ZOrder().back();
    const int changedRounds = 5;
    allocations = 0;
    for (int i = 0; i < changedRounds; ++i) {
        sim::SetRect(moved, plat::Rect{i, 0, i + 100, 100});
        counting = true;
        PaintPager(dc, true);
        counting = false;
        sim::ClearDrawCalls();
    }
    const long changedAllocations = allocations.load();

    std::printf("%5d windows: unchanged refresh %8.2f us (compare only %8.2f us, %6.3f us/window),"
                " full drawing %9.1f us (%6.2f us/window), allocations per unchanged tick %.2f,"
                " draw calls while unchanged %zu, allocations per changed tick %.1f\n",
                windowCount, quietMicros / quietRounds, snapshotMicros / quietRounds,
                snapshotMicros / quietRounds / windowCount, fullMicros / fullRounds,
                fullMicros / fullRounds / windowCount,
                static_cast<double>(quietAllocations) / quietRounds, drawnWhileQuiet,
                static_cast<double>(changedAllocations) / changedRounds);

    plat::ReleaseDC(PagerWindow(), dc);
    FreeWindowSnapshot();
}

}  // namespace

int main() {
    std::printf("Pager refresh on the simulated desktop (host build); the times include the\n"
                "simulation's own bookkeeping, which grows with the number of windows\n");
    for (int n : {50, 200, 1000}) Run(n);
    RunRelayoutBench();
    return 0;
}
