// What the program and its two companion libraries agree on: where the settings live and the
// private messages the libraries send to the pager window.
#pragma once
#include <cstdint>

#include "platform/types.h"

// HKEY_CURRENT_USER for the user's settings; HKEY_LOCAL_MACHINE for machine-wide shortcuts.
// Macros so that the full paths are made from the parts by the compiler.
#define PARMENA_ROOT_PATH "Software\\Orvanne\\Parmena"
#define PARMENA_PREFERENCES "Preferences"
#define PARMENA_SHORTCUTS "Shortcuts"
inline constexpr char SettingsRootPath[] = PARMENA_ROOT_PATH;
inline constexpr char PreferencesKeyName[] = PARMENA_PREFERENCES;
inline constexpr char ColorsKeyName[] = "Colors";
inline constexpr char FontKeyName[] = "Font";
inline constexpr char WindowPositionsKeyName[] = "Window Positions";
inline constexpr char MiddleButtonKeyName[] = "Middle Button";
inline constexpr char ShortcutsKeyName[] = PARMENA_SHORTCUTS;
inline constexpr char PreferencesPath[] = PARMENA_ROOT_PATH "\\" PARMENA_PREFERENCES;
inline constexpr char ShortcutsPath[] = PARMENA_ROOT_PATH "\\" PARMENA_SHORTCUTS;

// The pager's last place, written by the pager alone.
inline constexpr char PagerXPosName[] = "XPos";
inline constexpr char PagerYPosName[] = "YPos";

// From the dialog library: lParam a list box whose items are the remembered windows (text the
// pattern, item data the position word); the pager takes them as its list.
constexpr std::uint32_t MsgPositionList = plat::WM_USER + 1;
// From the middle-button hook library: desktop steps (wParam right, lParam down; signed), a
// window to carry by desktop steps (lParam: low word right, high word down; signed 16-bit),
// and the pager menu at a screen point.
constexpr std::uint32_t MsgHookSwitch = plat::WM_USER + 43;
constexpr std::uint32_t MsgHookMoveWindow = plat::WM_USER + 44;
constexpr std::uint32_t MsgHookMenu = plat::WM_USER + 45;

// What the dialog library's settings dialog (ShowPrefDlg) returns.
enum PrefDialogResult : int {
    PrefDialogCancelled = 0,         // nothing to apply
    PrefDialogApplied = 1,           // OK: apply, and the dialog is finished
    PrefDialogApplyAndShowAgain = 2  // Apply: apply, then show the dialog again
};
