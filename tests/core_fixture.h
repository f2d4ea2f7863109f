// Shared set-up for the desktop-core tests: a fresh simulated desktop of 1024 x 768 (work area
// 1024 x 740), a 3 x 3 grid on desktop (0, 0), a topmost stand-in for the pager, and helpers
// for the remembered-window list.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "config/settings.h"
#include "core/desktop.h"
#include "core/pending.h"
#include "core/switching.h"
#include "pager/pager.h"
#include "platform/kernel.h"
#include "platform/sim/sim.h"

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSettings();
        sim::Reset();
        settings.enableTopmost = 1;
        ResetDesktopState();
        MeasureScreen();
        desktop.columns = 3;
        desktop.rows = 3;
        ResetPagerState();
        sim::WindowSpec desc;
        desc.title = "Parmena";
        desc.className = "ParmClass";
        desc.rect = plat::Rect{1016, -1, 1025, 8};
        desc.topmost = true;
        settings.pagerWindow = sim::AddWindow(desc);
    }
    void TearDown() override {
        ResetSettings();
        // Drops the simulation's records too, so that the sanitizer sees anything leaked.
        sim::Reset();
    }

    // Appends a remembered window, allocated the way the settings load does.
    static void Remember(const char* name, std::uint32_t position) {
        WindowPositionEntry* e = new WindowPositionEntry;
        const std::size_t n = std::strlen(name);
        e->name = new char[n + 1];
        std::memcpy(e->name, name, n + 1);
        e->position = position;
        e->next = nullptr;
        WindowPositionEntry* tail = &settings.positionList;
        while (tail->next) tail = tail->next;
        tail->next = e;
    }

    // An ordinary application window; later windows lie above earlier ones.
    static plat::Hwnd Add(const std::string& title, plat::Rect r, plat::Hwnd owner = nullptr) {
        sim::WindowSpec desc;
        desc.title = title;
        desc.rect = r;
        desc.owner = owner;
        return sim::AddWindow(desc);
    }

    static std::vector<sim::MoveRecord> MovesOf(plat::Hwnd w) {
        std::vector<sim::MoveRecord> out;
        for (const sim::MoveRecord& m : sim::Moves())
            if (m.window == w) out.push_back(m);
        return out;
    }
};

// The test's own thread stands in for the move thread: hung windows' requests land in its queue.
class MoveThreadTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        moveThreadId = plat::GetCurrentThreadId();
    }
    void TearDown() override {
        // Requests that reached the stand-in's queue are ours to free.
        for (const sim::PostRecord& p : sim::Posts())
            if (p.delivered && p.threadId != 0 && p.message == MsgMoveWindow)
                FreeMoveRequest(reinterpret_cast<MoveRequest*>(p.lParam));
        moveThreadId = 0;
        ResetPendingMoves();
        CoreTest::TearDown();
    }
};
