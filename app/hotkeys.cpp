// Global hotkeys on the pager window, and the tray icon that stands in for a hidden pager.
#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "config/settings.h"
#include "pager/pager.h"
#include "platform/shell.h"
#include "platform/window.h"

plat::NotifyIconData TrayIconData;
std::uint32_t TaskbarCreatedMessage;

namespace {

// Adds the taskbar refused, each a retry interval apart; 0 when none is due.
int trayTriesLeft = 0;
int ticksToTrayTry = 0;
constexpr int TrayTries = 5;
constexpr int TicksBetweenTrayTries = 10;  // of the poll timer: a second

// The icon is there once the taskbar took it, or when it had it already (a taskbar that
// announces itself again without having lost its icons).
bool PutTrayIcon() {
    return plat::Shell_NotifyIcon(plat::NIM_ADD, &TrayIconData) ||
           plat::Shell_NotifyIcon(plat::NIM_MODIFY, &TrayIconData);
}

void TryTrayIcon() {
    if (PutTrayIcon()) {
        trayTriesLeft = 0;
        return;
    }
    // The taskbar is not ready yet (restarting, or not yet up at logon).
    ticksToTrayTry = TicksBetweenTrayTries;
    trayTriesLeft = TrayTries;
}

struct DesktopKey {
    int id;
    int vk;
    const char* name;
};
constexpr DesktopKey DesktopKeys[] = {{HotkeyUp, plat::VK_UP, "Up"},
                                      {HotkeyDown, plat::VK_DOWN, "Down"},
                                      {HotkeyLeft, plat::VK_LEFT, "Left"},
                                      {HotkeyRight, plat::VK_RIGHT, "Right"}};
// The same arrows with Shift added carry the foreground window along.
constexpr DesktopKey CarryKeys[] = {{HotkeyCarryUp, plat::VK_UP, "Up"},
                                    {HotkeyCarryDown, plat::VK_DOWN, "Down"},
                                    {HotkeyCarryLeft, plat::VK_LEFT, "Left"},
                                    {HotkeyCarryRight, plat::VK_RIGHT, "Right"}};

// Names the key that is taken and where other keys are chosen.
void ReportTakenHotkey(const DesktopKey& k, int modifiers, bool carry) {
    const char* keys = NavigationModifierNames[modifiers];
    const char* shift = carry ? "+Shift" : "";
    char text[480];
    std::snprintf(text, sizeof text,
                  "Unable to register hot keys - disabling!\r\n\r\n"
                  "Another program already uses %s%s+%s, so %s%s with the arrow keys cannot %s. "
                  "Choose other keys under \"Navigation modifiers\" on the Desktops page of the "
                  "settings.",
                  keys, shift, k.name, keys, shift,
                  carry ? "take the active window to other desktops" : "switch desktops");
    plat::MessageBox(PagerWindow(), text, nullptr, plat::MB_ICONINFORMATION);
}

// The carry keys alone are given up when one is taken: the plain keys still switch.
void RegisterCarryHotkeys(int modifiers) {
    for (const DesktopKey& k : CarryKeys) {
        if (plat::RegisterHotKey(PagerWindow(), k.id,
                                 NavigationModifierTable[modifiers] | plat::MOD_SHIFT,
                                 static_cast<std::uint32_t>(k.vk)))
            continue;
        ReportTakenHotkey(k, modifiers, true);
        for (const DesktopKey& taken : CarryKeys) {
            if (taken.id == k.id) break;
            plat::UnregisterHotKey(PagerWindow(), taken.id);
        }
        return;
    }
}

// Hotkey-control bits (1 Shift, 2 Ctrl, 4 Alt) to RegisterHotKey modifiers.
std::uint32_t ShellModifiers(std::int32_t modif) {
    std::uint32_t mods = 0;
    if (modif & 1) mods |= plat::MOD_SHIFT;
    if (modif & 2) mods |= plat::MOD_CONTROL;
    if (modif & 4) mods |= plat::MOD_ALT;
    return mods;
}

std::uint32_t ShellKey(std::int32_t index) {
    // A hand-edited index outside the table means the first key rather than a stray read.
    if (index < 0 || index >= ShellHotkeyKeyCount) index = 0;
    return ShellHotkeyKeyTable[index];
}

}  // namespace

void RegisterDesktopHotkeys() {
    const int modifiers = NavigationModifierIndex(settings.navigationModifiers);
    for (const DesktopKey& k : DesktopKeys) {
        if (!plat::RegisterHotKey(PagerWindow(), k.id, NavigationModifierTable[modifiers],
                                  static_cast<std::uint32_t>(k.vk))) {
            ReportTakenHotkey(k, modifiers, false);
            // For this run only: the next start tries again.
            SwitchHotkeysOffForRun();
            return;
        }
    }
    RegisterCarryHotkeys(modifiers);
}

void UnregisterDesktopHotkeys() {
    for (const DesktopKey& k : DesktopKeys) plat::UnregisterHotKey(PagerWindow(), k.id);
    for (const DesktopKey& k : CarryKeys) plat::UnregisterHotKey(PagerWindow(), k.id);
}

void RegisterShellHotkey() {
    if (plat::RegisterHotKey(PagerWindow(), HotkeyShell, ShellModifiers(settings.shellHotkeyModif),
                             ShellKey(settings.shellHotkeyKey)))
        return;
    plat::MessageBox(PagerWindow(), "Unable to register shell hotkey - disabling!", nullptr,
                      plat::MB_ICONINFORMATION);
    settings.disableShell = 1;
    WriteDword(settingsKeys.preferences, setting_name::disableShell, 1);
}

void UnregisterShellHotkey() { plat::UnregisterHotKey(PagerWindow(), HotkeyShell); }

void AddTrayIcon() {
    std::memset(&TrayIconData, 0, sizeof TrayIconData);
    TrayIconData.cbSize = sizeof TrayIconData;
    TrayIconData.hWnd = PagerWindow();
    TrayIconData.uID = TrayIconId;
    TrayIconData.uFlags = plat::NIF_MESSAGE | plat::NIF_ICON | plat::NIF_TIP;
    TrayIconData.uCallbackMessage = MsgTrayIcon;
    TrayIconData.hIcon = plat::LoadIcon(instance, plat::MakeIntResource(IconTray));
    std::strcpy(TrayIconData.szTip, "Parmena");
    TryTrayIcon();
}

void RemoveTrayIcon() {
    trayTriesLeft = 0;
    plat::Shell_NotifyIcon(plat::NIM_DELETE, &TrayIconData);
    if (TrayIconData.hIcon) plat::DestroyIcon(TrayIconData.hIcon);
    TrayIconData.hIcon = nullptr;
}

void TaskbarCreated() {
    if (!settings.disableNavigation) return;
    if (TrayIconData.hWnd) TryTrayIcon();
}

void RetryTrayIcon() {
    if (trayTriesLeft == 0 || ticksToTrayTry-- > 1) return;
    const int left = trayTriesLeft;
    if (left == 0 || !settings.disableNavigation) return;
    if (PutTrayIcon()) {
        trayTriesLeft = 0;
        return;
    }
    ticksToTrayTry = TicksBetweenTrayTries;
    trayTriesLeft = left - 1;
}
