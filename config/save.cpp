// Writing the settings record, the middle-button entries and the remembered windows back.
#include <cstdio>

#include "config/hookblock.h"
#include "config/settings.h"
#include "platform/gdi.h"
#include "platform/window.h"

namespace {

void WriteColor(const char* name, std::uint32_t color) {
    char text[9];
    FormatColor(text, color);
    WriteString(settingsKeys.colors, name, text);
}

void SaveMiddleButton() {
    const MiddleButtonEntry* def = settings.defaultMiddleEntry;
    const MiddleButtonEntry* entries = settings.programEntries;
    // Without the block there is nothing to save, and the stored values must survive.
    if (!def || !entries) return;
    plat::Hkey k = settingsKeys.middleButton;
    char name[48];
    WriteDword(k, "DefTransmit", def->transmit);
    for (int j = 0; j < 4; ++j) {
        std::snprintf(name, sizeof name, "DefClick%i", j);
        WriteDword(k, name, def->click[j]);
        std::snprintf(name, sizeof name, "DefDrag%i", j);
        WriteDword(k, name, def->drag[j]);
    }

    // The dialog may leave any number here; the block only has room for so many.
    std::int32_t count = settings.programEntryCount;
    if (count < 0) count = 0;
    if (count > MaxProgramEntries) count = MaxProgramEntries;
    settings.programEntryCount = count;
    WriteDword(k, "ProgSpecCount", count);
    for (int i = 0; i < count; ++i) {
        const MiddleButtonEntry& e = entries[i];
        // The hook library shares the block, so its name may lack a terminator.
        char text[sizeof e.name + 1];
        std::snprintf(text, sizeof text, "%.*s", static_cast<int>(sizeof e.name), e.name);
        std::snprintf(name, sizeof name, "PS%iName", i);
        WriteString(k, name, text);
        std::snprintf(name, sizeof name, "PS%iTransmit", i);
        WriteDword(k, name, e.transmit);
        for (int j = 0; j < 4; ++j) {
            std::snprintf(name, sizeof name, "PS%iClick%i", i, j);
            WriteDword(k, name, e.click[j]);
            std::snprintf(name, sizeof name, "PS%iDrag%i", i, j);
            WriteDword(k, name, e.drag[j]);
        }
    }
    // Keep the hook library's count in step with the entries just saved.
    if (hookBlock && entries == hookBlock->programs) hookBlock->entryCount = count;
}

void SavePositionList() {
    plat::Hkey k = settingsKeys.windowPositions;
    WriteDword(k, "ResetAtStart", settings.resetAtStart);
    char name[32];
    int n = 0;
    for (const WindowPositionEntry* e = settings.positionList.next; e; e = e->next, ++n) {
        std::snprintf(name, sizeof name, "Pos%iName", n);
        WriteString(k, name, e->name ? e->name : "");
        std::snprintf(name, sizeof name, "Pos%iPos", n);
        WriteDword(k, name, static_cast<std::int32_t>(e->position));
    }
    WriteDword(k, "Count", n);
}

}  // namespace

void SaveSettings() {
    // A font that cannot be created leaves the pager with the one it has.
    plat::Hgdi font = plat::CreateFontIndirectA(&settings.font);
    if (font) ReplacePagerFont(font);

    plat::Hkey p = settingsKeys.preferences;
    WriteDword(p, "Disable navigation", settings.disableNavigation);
    WriteDword(p, "Disable middle button", settings.disableMiddleButton);
    WriteDword(p, "Disable shell", settings.disableShell);
    WriteDword(p, "Switch hotkeys", settings.switchHotkeys);
    WriteDword(p, "Enable topmost", settings.enableTopmost);
    WriteDword(p, "Rescale On Exit", settings.rescaleOnExit);
    WriteDword(p, "HideProgramManager", settings.hideProgramManager);
    WriteDword(p, "Follow active", settings.followActive);
    WriteDword(p, "Switch at borders", settings.switchAtBorders);
    WriteDword(p, "Only when button down", settings.onlyWhenButtonDown);
    WriteDword(p, "MinimizeTolvo", settings.minimizeTolvo);
    WriteDword(p, "NavMouseSwitch", settings.navMouseSwitch);
    WriteDword(p, "NavMouseDrag", settings.navMouseDrag);
    WriteDword(p, "NavMouseDragDD", settings.navMouseDragDD);
    WriteDword(p, "NavMouseMenu", settings.navMouseMenu);
    WriteDword(p, "NavMouseMove", settings.navMouseMove);
    WriteDword(p, "Corner", settings.corner);
    WriteDword(p, "XResolution", settings.xResolution);
    WriteDword(p, "YResolution", settings.yResolution);

    WriteColor("Background", settings.background);
    WriteColor("Grid", settings.grid);
    WriteColor("Window", settings.window);
    WriteColor("WindowFrame", settings.windowFrame);
    WriteColor("WindowCaption", settings.windowCaption);
    WriteColor("WindowText", settings.windowText);

    plat::Hkey k = settingsKeys.font;
    const plat::LogFontA& f = settings.font;
    WriteDword(k, "Height", f.lfHeight);
    WriteDword(k, "Width", f.lfWidth);
    WriteDword(k, "Escapement", f.lfEscapement);
    WriteDword(k, "Orientation", f.lfOrientation);
    WriteDword(k, "Weight", f.lfWeight);
    WriteDword(k, "Italic", f.lfItalic);
    WriteDword(k, "Underline", f.lfUnderline);
    WriteDword(k, "StrikeOut", f.lfStrikeOut);
    WriteDword(k, "CharSet", f.lfCharSet);
    WriteDword(k, "OutPrecision", f.lfOutPrecision);
    WriteDword(k, "ClipPrecision", f.lfClipPrecision);
    WriteDword(k, "Quality", f.lfQuality);
    WriteDword(k, "PitchAndFamily", f.lfPitchAndFamily);
    char face[sizeof f.lfFaceName + 1];
    std::snprintf(face, sizeof face, "%.*s", static_cast<int>(sizeof f.lfFaceName), f.lfFaceName);
    WriteString(k, "FaceName", face);

    SaveMiddleButton();
    SavePositionList();

    WriteDword(p, "ShellHotkey Modif", settings.shellHotkeyModif);
    WriteDword(p, "ShellHotkey Key", settings.shellHotkeyKey);

    if (settings.pagerWindow) {
        plat::InvalidateRect(settings.pagerWindow, nullptr, 0);
        plat::UpdateWindow(settings.pagerWindow);
    }
}
