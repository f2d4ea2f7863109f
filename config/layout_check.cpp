// Records shared byte for byte with the companion libraries and the shell. The hook block is
// the same in every build; the other records have their fixed layout only in the 32-bit build.
#include <cstddef>
#include <cstdint>

#include "config/hookblock.h"
#include "config/settings.h"
#include "config/shortcuts.h"
#include "platform/types.h"

#define PARM_AT(type, field, offset) \
    static_assert(offsetof(type, field) == (offset), #type "." #field " offset")

// The hook block is the same in both builds: window and hook handles fit in 32 bits.
PARM_AT(HookBlock, hookHandle, 0x000);
PARM_AT(HookBlock, pagerWindow, 0x004);
PARM_AT(HookBlock, reserved008, 0x008);
PARM_AT(HookBlock, reserved00C, 0x00C);
PARM_AT(HookBlock, reserved01C, 0x01C);
PARM_AT(MiddleButtonEntry, click, 128);
PARM_AT(MiddleButtonEntry, drag, 144);
PARM_AT(MiddleButtonEntry, transmit, 160);

#if UINTPTR_MAX == 0xFFFFFFFFu

PARM_AT(Settings, pagerWindow, 0);
PARM_AT(Settings, disableNavigation, 4);
PARM_AT(Settings, disableMiddleButton, 8);
PARM_AT(Settings, disableShell, 12);
PARM_AT(Settings, corner, 16);
PARM_AT(Settings, xResolution, 20);
PARM_AT(Settings, yResolution, 24);
PARM_AT(Settings, hideProgramManager, 28);
PARM_AT(Settings, followActive, 32);
PARM_AT(Settings, switchAtBorders, 36);
PARM_AT(Settings, onlyWhenButtonDown, 40);
PARM_AT(Settings, switchHotkeys, 44);
PARM_AT(Settings, enableTopmost, 48);
PARM_AT(Settings, rescaleOnExit, 52);
PARM_AT(Settings, minimizeTolvo, 56);
PARM_AT(Settings, navMouseSwitch, 60);
PARM_AT(Settings, navMouseDrag, 64);
PARM_AT(Settings, navMouseDragDD, 68);
PARM_AT(Settings, navMouseMenu, 72);
PARM_AT(Settings, navMouseMove, 76);
PARM_AT(Settings, background, 80);
PARM_AT(Settings, grid, 84);
PARM_AT(Settings, window, 88);
PARM_AT(Settings, windowFrame, 92);
PARM_AT(Settings, windowCaption, 96);
PARM_AT(Settings, windowText, 100);
PARM_AT(Settings, font, 104);
PARM_AT(Settings, resetAtStart, 164);
PARM_AT(Settings, positionList, 168);
PARM_AT(Settings, defaultMiddleEntry, 180);
PARM_AT(Settings, programEntries, 184);
PARM_AT(Settings, programEntryCount, 188);
PARM_AT(Settings, shellHotkeyModif, 192);
PARM_AT(Settings, shellHotkeyKey, 196);
PARM_AT(Settings, xSize, 200);
PARM_AT(Settings, ySize, 204);
PARM_AT(Settings, pagerFont, 208);
static_assert(sizeof(Settings) == 212, "Settings size");

// The font fields, 104 to 163 of the record, are one LOGFONTA.
PARM_AT(plat::LogFont, lfHeight, 0);
PARM_AT(plat::LogFont, lfWidth, 4);
PARM_AT(plat::LogFont, lfEscapement, 8);
PARM_AT(plat::LogFont, lfOrientation, 12);
PARM_AT(plat::LogFont, lfWeight, 16);
PARM_AT(plat::LogFont, lfItalic, 20);
PARM_AT(plat::LogFont, lfUnderline, 21);
PARM_AT(plat::LogFont, lfStrikeOut, 22);
PARM_AT(plat::LogFont, lfCharSet, 23);
PARM_AT(plat::LogFont, lfOutPrecision, 24);
PARM_AT(plat::LogFont, lfClipPrecision, 25);
PARM_AT(plat::LogFont, lfQuality, 26);
PARM_AT(plat::LogFont, lfPitchAndFamily, 27);
PARM_AT(plat::LogFont, lfFaceName, 28);
static_assert(sizeof(plat::LogFont) == 60, "LOGFONTA size");

PARM_AT(WindowPositionEntry, next, 0);
PARM_AT(WindowPositionEntry, name, 4);
PARM_AT(WindowPositionEntry, position, 8);
static_assert(sizeof(WindowPositionEntry) == 12, "WindowPositionEntry size");

PARM_AT(Shortcut, next, 0);
PARM_AT(Shortcut, name, 4);
PARM_AT(Shortcut, command, 36);
PARM_AT(Shortcut, directory, 548);
PARM_AT(Shortcut, show, 1060);
PARM_AT(Shortcut, root, 1064);
static_assert(sizeof(Shortcut) == 1068, "Shortcut size");

PARM_AT(ShortcutStore, head, 0);
PARM_AT(ShortcutStore, add, 4);
PARM_AT(ShortcutStore, remove, 8);
PARM_AT(ShortcutStore, save, 12);
PARM_AT(ShortcutStore, del, 16);
PARM_AT(ShortcutStore, find, 20);
static_assert(sizeof(ShortcutStore) == 24, "ShortcutStore size");


PARM_AT(plat::NotifyIconData, cbSize, 0);
PARM_AT(plat::NotifyIconData, hWnd, 4);
PARM_AT(plat::NotifyIconData, uID, 8);
PARM_AT(plat::NotifyIconData, uFlags, 12);
PARM_AT(plat::NotifyIconData, uCallbackMessage, 16);
PARM_AT(plat::NotifyIconData, hIcon, 20);
PARM_AT(plat::NotifyIconData, szTip, 24);
static_assert(sizeof(plat::NotifyIconData) == 88, "NOTIFYICONDATAA size");

#endif

#undef PARM_AT
