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
// Every setting at the offset its row gives.
#define PARM_SETTING_AT(key, name, field, kind, def, lo, hi, offset32) \
    PARM_AT(Settings, field, offset32);
PARMENA_SETTINGS(PARM_SETTING_AT)
#undef PARM_SETTING_AT
PARM_AT(Settings, font, 104);
PARM_AT(Settings, positionList, 168);
PARM_AT(Settings, defaultMiddleEntry, 180);
PARM_AT(Settings, programEntries, 184);
PARM_AT(Settings, programEntryCount, 188);
PARM_AT(Settings, pagerFont, 208);
static_assert(sizeof(Settings) == 216, "Settings size");

// The font fields, 104 to 163 of the record (their rows above), are one LOGFONTA.
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
