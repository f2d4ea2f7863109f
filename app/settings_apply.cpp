// The settings dialog's results, applied on the main thread: the dialog thread edits copies
// only, so the program's state has one owner and an apply never runs beside a switch.
#include <algorithm>

#include "app/app.h"
#include "config/hookblock.h"
#include "config/settings.h"
#include "core/compress.h"
#include "pager/pager.h"
#include "platform/kernel.h"
#include "platform/window.h"

namespace {

void PostToPager(std::uint32_t msg, HotkeyChange change) {
    plat::PostMessage(PagerWindow(), msg, change, 0);
}

// What follows from the settings that changed since `old`.
void ApplyChanges(const Settings& old) {
    const bool middleOff = settings.disableMiddleButton != 0;
    if (old.disableMiddleButton && !middleOff) InstallMouseHook();
    if (!old.disableMiddleButton && middleOff) RemoveMouseHook();

    const bool navOff = settings.disableNavigation != 0;
    if (old.disableNavigation && !navOff) {
        plat::ShowWindow(PagerWindow(), plat::SW_SHOW);
        RemoveTrayIcon();
        if (settings.switchHotkeys) PostToPager(MsgDesktopHotkeys, HotkeysOn);
    } else if (!old.disableNavigation && navOff) {
        plat::ShowWindow(PagerWindow(), plat::SW_HIDE);
        AddTrayIcon();
        if (settings.switchHotkeys) PostToPager(MsgDesktopHotkeys, HotkeysOff);
    } else if (!navOff) {
        // Registered afresh: what the old keys, or a set that failed part way, left goes first.
        const bool otherKeys = NavigationModifierIndex(settings.navigationModifiers) !=
                               NavigationModifierIndex(old.navigationModifiers);
        if (old.switchHotkeys && !settings.switchHotkeys)
            PostToPager(MsgDesktopHotkeys, HotkeysOff);
        else if (settings.switchHotkeys && (otherKeys || !old.switchHotkeys))
            PostToPager(MsgDesktopHotkeys, HotkeysRenew);
    }

    const bool shellOff = settings.disableShell != 0;
    if (old.disableShell && !shellOff)
        PostToPager(MsgShellHotkey, HotkeysOn);
    else if (!old.disableShell && shellOff)
        PostToPager(MsgShellHotkey, HotkeysOff);
    else if (!shellOff && (settings.shellHotkeyModif != old.shellHotkeyModif ||
                           settings.shellHotkeyKey != old.shellHotkeyKey))
        PostToPager(MsgShellHotkey, HotkeysRenew);

    if (old.collapsePager && !settings.collapsePager) RestorePagerPosition();
    if (!old.collapsePager && settings.collapsePager) SetPagerExpanded(true);
    ApplyGrid(settings.xResolution, settings.yResolution);

    SaveSettings();
    CheckDisplaySize(true);
    plat::InvalidateRect(PagerWindow(), nullptr, 1);
    plat::UpdateWindow(PagerWindow());
    CompressDesktop(true);
}

}  // namespace

void FillSettingsEdit(SettingsEdit& edit) {
    edit.shown = settings;
    // The program's own count, never the block's: any process can write that one.
    edit.shown.programEntryCount = OwnedProgramEntryCount();
    edit.programs.assign(MaxProgramEntries, MiddleButtonEntry{});
    if (settings.defaultMiddleEntry && settings.programEntries) {
        edit.defaultEntry = *settings.defaultMiddleEntry;
        std::copy(settings.programEntries, settings.programEntries + MaxProgramEntries,
                  edit.programs.begin());
        edit.shown.defaultMiddleEntry = &edit.defaultEntry;
        edit.shown.programEntries = edit.programs.data();
    }
    edit.chosen = edit.shown;
}

void ApplySettingsEdit(const SettingsEdit& edit) {
    const Settings old = settings;
    // Only what the dialog changed: the program may have written others meanwhile (the
    // pager's size, a hotkey set switched off).
    for (const SettingInfo& s : SettingTable)
        if (SettingDiffers(edit.chosen, edit.shown, s)) CopySetting(settings, edit.chosen, s);
    if (edit.shown.programEntries && settings.defaultMiddleEntry && settings.programEntries) {
        *settings.defaultMiddleEntry = edit.defaultEntry;
        std::copy(edit.programs.begin(), edit.programs.end(), settings.programEntries);
        settings.programEntryCount = edit.chosen.programEntryCount;
    }
    ApplyChanges(old);
    plat::SetEvent(edit.applied);
}
