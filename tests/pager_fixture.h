// A pager window on the simulated desktop, for the pager test programs.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "config/settings.h"
#include "core/desktop.h"
#include "pager/pager.h"
#include "platform/gdi.h"
#include "platform/sim/sim.h"
#include "platform/window.h"

namespace pagertest {

inline const char PreferencesPath[] = "Software\\Orvanne\\Parmena\\Preferences";

// Stands in for the main window procedure: only what the pager's own behaviour needs.
inline plat::LResult PLAT_CALLBACK PagerProc(plat::Hwnd w, std::uint32_t msg, plat::WParam wp,
                                             plat::LParam lp) {
    switch (msg) {
        case plat::WM_PAINT: {
            plat::PaintStruct ps{};
            plat::Hdc dc = plat::BeginPaint(w, &ps);
            PaintPager(dc, false);
            plat::EndPaint(w, &ps);
            return 0;
        }
        case plat::WM_ERASEBKGND:
            return 0;
        case plat::WM_SIZE:
            if (pager.expanded) RememberPagerSize();
            return 0;
        case plat::WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<plat::MinMaxInfo*>(lp);
            info->ptMinTrackSize = plat::Point{CollapsedSize, CollapsedSize};
            return 0;
        }
        default:
            return plat::DefWindowProc(w, msg, wp, lp);
    }
}

class PagerTest : public ::testing::Test {
protected:
    // The registry text is loaded before the settings, like a user's stored preferences.
    void StartPager(const std::string& preferences = "") {
        sim::Reset();
        if (!preferences.empty())
            sim::LoadReg("Windows Registry Editor Version 5.00\n\n"
                         "[HKEY_CURRENT_USER\\Software\\Orvanne\\Parmena\\Preferences]\n" +
                         preferences);
        int x = 0, y = 0;
        LoadSettingsAndState(&x, &y);
        plat::WndClass wc{};
        wc.style = plat::CS_HREDRAW | plat::CS_VREDRAW | plat::CS_DBLCLKS;
        wc.lpfnWndProc = PagerProc;
        wc.lpszClassName = "PagerUnderTest";
        plat::RegisterClass(&wc);
        settings.pagerWindow = plat::CreateWindowEx(
            plat::WS_EX_TOOLWINDOW, "PagerUnderTest", "Parmena",
            plat::WS_POPUP | plat::WS_THICKFRAME, x, y, CollapsedSize, CollapsedSize, nullptr,
            nullptr, nullptr, nullptr);
        ASSERT_NE(PagerWindow(), nullptr);
        plat::ShowWindow(PagerWindow(), plat::SW_SHOWNOACTIVATE);
        plat::SetWindowPos(PagerWindow(), plat::HWND_TOPMOST, 0, 0, 0, 0,
                           plat::SWP_NOMOVE | plat::SWP_NOSIZE);
        sim::ClearMoves();
    }

    void SetUp() override { StartPager(); }

    void TearDown() override {
        FreeWindowSnapshot();
        ResetPagerState();
        settings.pagerWindow = nullptr;
    }

    static sim::RegValue Pref(const std::string& name) {
        return sim::GetValue("HKCU", PreferencesPath, name);
    }

    static std::vector<sim::MoveRecord> MovesOf(plat::Hwnd w) {
        std::vector<sim::MoveRecord> out;
        for (const sim::MoveRecord& m : sim::Moves())
            if (m.window == w) out.push_back(m);
        return out;
    }

    static std::vector<sim::DrawCall> Calls(const std::string& op) {
        std::vector<sim::DrawCall> out;
        for (const sim::DrawCall& c : sim::DrawCalls())
            if (c.op == op) out.push_back(c);
        return out;
    }

    // Expanded at full size in its corner: the state in which the user works with it.
    static void Expand() { ExpandPager(false); }

    // One full drawing through a window DC, as the timer refresh does it.
    static void Draw(bool onlyIfChanged = false) {
        plat::Hdc dc = plat::GetDC(PagerWindow());
        PaintPager(dc, onlyIfChanged);
        plat::ReleaseDC(PagerWindow(), dc);
    }

    static plat::Rect Client() {
        plat::Rect r{};
        plat::GetClientRect(PagerWindow(), &r);
        return r;
    }
};

}  // namespace pagertest
