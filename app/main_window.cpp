// The pager window procedure: one operation per message.
#include <atomic>
#include <cstdint>

#include "app/app.h"
#include "config/settings.h"
#include "core/compress.h"
#include "core/desktop.h"
#include "launcher/command_window.h"
#include "launcher/help.h"
#include "pager/pager.h"
#include "platform/display.h"
#include "platform/gdi.h"
#include "platform/kernel.h"
#include "platform/window.h"

namespace {

// Set only while the finished run destroys its pager, so that the destruction neither
// restores the windows a second time nor posts a quit into the next run.
bool discardingPager;

int MouseX(plat::LParam lp) {
    return static_cast<std::int16_t>(plat::LOWORD(static_cast<std::uintptr_t>(lp)));
}
// The high word as a signed 16-bit value: dividing the whole lParam by 65536 would put
// every negative y one pixel off whenever x is not 0.
int MouseY(plat::LParam lp) {
    return static_cast<std::int16_t>(plat::HIWORD(static_cast<std::uintptr_t>(lp)));
}

void StartupHandshake() {
    plat::Handle done = plat::CreateEvent(nullptr, 0, 0, nullptr);
    while (!plat::PostThreadMessage(dialogThreadId, MsgShowStartupAbout, 0,
                                     reinterpret_cast<plat::LParam>(done)))
        plat::Sleep(0);
    plat::WaitForSingleObject(done, plat::INFINITE);
    if (done) plat::CloseHandle(done);
}

void DesktopHotkey(plat::Hwnd w, plat::WParam id) {
    switch (id) {
        case HotkeyUp:
        case HotkeyDown:
        case HotkeyLeft:
        case HotkeyRight:
        case HotkeyCarryUp:
        case HotkeyCarryDown:
        case HotkeyCarryLeft:
        case HotkeyCarryRight:
            SwitchByHotkeys(static_cast<int>(id));
            break;
        case HotkeyShell:
            plat::PostMessage(CommandWindow, plat::WM_HOTKEY, 0, 0);
            break;
        default:
            break;
    }
    if (PagerExpanded()) plat::InvalidateRect(w, nullptr, 0);
}

void TrayClick(plat::Hwnd w, plat::LParam mouseMessage) {
    if (mouseMessage != plat::WM_LBUTTONDOWN && mouseMessage != plat::WM_RBUTTONDOWN) return;
    plat::Point at{0, 0};
    plat::GetCursorPos(&at);
    plat::Hwnd previous = plat::GetForegroundWindow();
    plat::SetForegroundWindow(w);
    ShowPagerMenu(at.x, at.y);
    plat::SetForegroundWindow(previous);
}

void MenuCommand(plat::Hwnd w, plat::WParam wp) {
    switch (plat::LOWORD(wp)) {
        case CmdAbout:
            plat::PostThreadMessage(dialogThreadId, MsgShowAbout, 0, 0);
            break;
        case CmdSettings:
            plat::PostThreadMessage(dialogThreadId, MsgShowSettings, plat::HIWORD(wp), 0);
            break;
        case CmdClose:
            RequestClose();
            break;
        case CmdCompress:
            CompressDesktop(false);
            plat::InvalidateRect(w, nullptr, 0);
            break;
        case CmdResetPositions:
            ApplyRememberedPositions();
            break;
        case CmdHelp:
            ShowHelp(w, plat::HELP_CONTENTS, 0);
            break;
        default:
            break;
    }
}

void ChangeHotkeys(HotkeyChange change, void (*unregister)(), void (*reg)()) {
    if (change == HotkeysOff || change == HotkeysRenew) unregister();
    if (change == HotkeysOn || change == HotkeysRenew) reg();
}

void MoveCursorLater(plat::WParam x, plat::LParam y) {
    plat::Sleep(50);
    plat::SetCursorPos(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y));
}

}  // namespace

void DiscardPagerWindow() {
    if (PagerWindow() && plat::IsWindow(PagerWindow())) {
        discardingPager = true;
        plat::DestroyWindow(PagerWindow());
        discardingPager = false;
    }
    settings.pagerWindow = nullptr;
}

plat::LResult PLAT_CALLBACK MainWindowProc(plat::Hwnd w, std::uint32_t msg, plat::WParam wp,
                                           plat::LParam lp) {
    switch (msg) {
        case plat::WM_CREATE:
            StartupHandshake();
            return plat::DefWindowProc(w, msg, wp, lp);
        case plat::WM_DESTROY:
            if (discardingPager) return 0;
            // Restored here rather than in WM_NCDESTROY: by then the dying pager is out of
            // the stacking order, and every walk below it would find no window at all.
            RestoreOnExit();
            plat::PostQuitMessage(0);
            return 0;
        case plat::WM_CLOSE:
            // Mid-switch (a probe serves sent messages) the fold would race the batch that is
            // being built; the close comes back once the switch is over.
            if (desktop.switching.load(std::memory_order_relaxed)) {
                plat::PostMessage(w, plat::WM_CLOSE, 0, 0);
                return 0;
            }
            return plat::DefWindowProc(w, msg, wp, lp);
        case plat::WM_QUERYENDSESSION:
            // Before the programs save their positions, wherever the session is going.
            LogoffFold();
            return 1;
        case plat::WM_ENDSESSION:
            if (wp)
                LogoffFold();
            else  // the run goes on with every window on this desktop
                ResumeAfterCancelledLogoff();
            return 0;
        case plat::WM_SIZE:
            if (PagerExpanded()) RememberPagerSize();
            return 0;
        case plat::WM_PAINT: {
            plat::PaintStruct ps{};
            plat::Hdc dc = plat::BeginPaint(w, &ps);
            PaintPager(dc, false);
            plat::EndPaint(w, &ps);
            return 0;
        }
        case plat::WM_ERASEBKGND:
            return 0;
        case plat::WM_GETMINMAXINFO:
            if (auto* info = reinterpret_cast<plat::MinMaxInfo*>(lp)) {
                const int side = ScaleToDpi(CollapsedSize, PagerDpi());
                info->ptMinTrackSize.x = side;
                info->ptMinTrackSize.y = side;
            }
            return 0;
        case plat::WM_QUERYDRAGICON:
            return reinterpret_cast<plat::LResult>(
                plat::LoadIcon(instance, plat::MakeIntResource(IconProgram)));
        case plat::WM_HELP:
            plat::PostMessage(w, plat::WM_COMMAND, CmdHelp, 0);
            return 0;
        case plat::WM_DISPLAYCHANGE:
            CheckDisplaySize();
            plat::InvalidateRect(w, nullptr, 0);
            return 0;
        case plat::WM_DPICHANGED:
            PagerDpiChanged(reinterpret_cast<const plat::Rect*>(lp));
            return 0;
        case plat::WM_NCMOUSEMOVE:
            ExpandPager(false);
            return 0;
        case plat::WM_COMMAND:
            MenuCommand(w, wp);
            return 0;
        case plat::WM_SYSCOMMAND:
            if (wp != plat::SC_CLOSE) return plat::DefWindowProc(w, msg, wp, lp);
            RequestClose();
            return 0;
        case plat::WM_TIMER:
            if (TakeDeferredDisplayChange()) CheckDisplaySize();
            PollTick();
            return 0;
        case plat::WM_MOUSEMOVE:
            TrackPagerMouse(MouseX(lp), MouseY(lp));
            return 0;
        case plat::WM_LBUTTONDOWN:
        case plat::WM_LBUTTONDBLCLK:
        case plat::WM_RBUTTONDOWN:
        case plat::WM_RBUTTONDBLCLK:
            DispatchPagerButton(PressGesture(msg, wp), MouseX(lp), MouseY(lp));
            return 0;
        case plat::WM_LBUTTONUP:
            PagerLeftButtonUp();
            return 0;
        case plat::WM_RBUTTONUP:
            PagerRightButtonUp();
            return 0;
        case plat::WM_HOTKEY:
            DesktopHotkey(w, wp);
            return 0;
        case MsgWindowCell:
            return static_cast<plat::LResult>(DesktopCellOfWindow(reinterpret_cast<plat::Hwnd>(wp)));
        case MsgPositionList:
            ReplacePositionList(reinterpret_cast<plat::Hwnd>(lp));
            return 0;
        case MsgTrayIcon:
            TrayClick(w, lp);
            return 0;
        case MsgShellHotkey:
            ChangeHotkeys(static_cast<HotkeyChange>(wp), UnregisterShellHotkey, RegisterShellHotkey);
            return 0;
        case MsgDesktopHotkeys:
            ChangeHotkeys(static_cast<HotkeyChange>(wp), UnregisterDesktopHotkeys,
                          RegisterDesktopHotkeys);
            return 0;
        case MsgMoveCursor:
            MoveCursorLater(wp, lp);
            return 0;
        case MsgHookSwitch:
            HookSwitch(static_cast<int>(static_cast<plat::LParam>(wp)), static_cast<int>(lp));
            return 0;
        case MsgHookMoveWindow:
            HookMoveWindow(reinterpret_cast<plat::Hwnd>(wp), MouseX(lp), MouseY(lp));
            return 0;
        case MsgSettingsCopy:
            FillSettingsEdit(*reinterpret_cast<SettingsEdit*>(lp));
            return 1;
        case MsgSettingsApplied:
            ApplySettingsEdit(*reinterpret_cast<const SettingsEdit*>(lp));
            return 0;
        case MsgHookMenu:
            HookMenu(w, static_cast<int>(static_cast<plat::LParam>(wp)), static_cast<int>(lp));
            return 0;
        default:
            if (msg == TaskbarCreatedMessage && msg != 0) {
                TaskbarCreated();
                return 0;
            }
            return plat::DefWindowProc(w, msg, wp, lp);
    }
}
