// Global hotkeys on the pager window, and the tray icon that stands in for a hidden pager.
#include <cstring>

#include "app/app.h"
#include "config/settings.h"
#include "pager/pager.h"
#include "platform/shell.h"
#include "platform/window.h"

plat::NotifyIconDataA TrayIconData;

namespace {

constexpr std::uint32_t DesktopModifiers = plat::MOD_ALT | plat::MOD_CONTROL;

struct DesktopKey {
    int id;
    int vk;
};
constexpr DesktopKey DesktopKeys[] = {{HotkeyUp, plat::VK_UP},
                                      {HotkeyDown, plat::VK_DOWN},
                                      {HotkeyLeft, plat::VK_LEFT},
                                      {HotkeyRight, plat::VK_RIGHT}};

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
    for (const DesktopKey& k : DesktopKeys) {
        if (!plat::RegisterHotKey(PagerWindow(), k.id, DesktopModifiers,
                                  static_cast<std::uint32_t>(k.vk))) {
            plat::MessageBoxA(PagerWindow(), "Unable to register hot keys - disabling!", nullptr,
                              plat::MB_ICONINFORMATION);
            // For this run only: the next start tries again.
            SwitchHotkeysOffForRun();
            return;
        }
    }
}

void UnregisterDesktopHotkeys() {
    for (const DesktopKey& k : DesktopKeys) plat::UnregisterHotKey(PagerWindow(), k.id);
}

void RegisterShellHotkey() {
    if (plat::RegisterHotKey(PagerWindow(), HotkeyShell, ShellModifiers(settings.shellHotkeyModif),
                             ShellKey(settings.shellHotkeyKey)))
        return;
    plat::MessageBoxA(PagerWindow(), "Unable to register shell hotkey - disabling!", nullptr,
                      plat::MB_ICONINFORMATION);
    settings.disableShell = 1;
    WriteDword(settingsKeys.preferences, "Disable shell", 1);
}

void UnregisterShellHotkey() { plat::UnregisterHotKey(PagerWindow(), HotkeyShell); }

void AddTrayIcon() {
    std::memset(&TrayIconData, 0, sizeof TrayIconData);
    TrayIconData.cbSize = 88;
    TrayIconData.hWnd = PagerWindow();
    TrayIconData.uID = TrayIconId;
    TrayIconData.uFlags = plat::NIF_MESSAGE | plat::NIF_ICON | plat::NIF_TIP;
    TrayIconData.uCallbackMessage = MsgTrayIcon;
    TrayIconData.hIcon = plat::LoadIconA(instance, plat::MakeIntResource(IconTray));
    std::strcpy(TrayIconData.szTip, "Parmena");
    plat::Shell_NotifyIconA(plat::NIM_ADD, &TrayIconData);
}

void RemoveTrayIcon() {
    plat::Shell_NotifyIconA(plat::NIM_DELETE, &TrayIconData);
    if (TrayIconData.hIcon) plat::DestroyIcon(TrayIconData.hIcon);
    TrayIconData.hIcon = nullptr;
}
