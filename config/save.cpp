// Writing the settings record, the middle-button entries and the remembered windows back.
#include <cstdio>

#include "config/hookblock.h"
#include "config/settings.h"
#include "platform/gdi.h"
#include "platform/registry.h"
#include "platform/window.h"

namespace {

constexpr long ErrorOutOfMemory = 14, ErrorKeyDeleted = 1018, ErrorRegistryIo = 1016;

// One save: its own freshly created keys, and the first failure to tell the user about.
struct SaveRun {
    const char* keyName = nullptr;
    plat::Hkey key = nullptr;
    long keyError = plat::ERROR_SUCCESS;
    int failures = 0;
    char firstValue[48] = "";
    const char* firstKey = "";
    long firstError = plat::ERROR_SUCCESS;
};

void Use(SaveRun& run, const char* keyName) {
    if (run.key) plat::RegCloseKey(run.key);
    run.keyName = keyName;
    run.key = CreateSettingsKey(keyName, &run.keyError);
}

bool Record(SaveRun& run, const char* value, long rc) {
    if (rc == plat::ERROR_SUCCESS) return true;
    if (run.failures++ == 0) {
        std::snprintf(run.firstValue, sizeof run.firstValue, "%s", value);
        run.firstKey = run.keyName;
        run.firstError = rc;
    }
    return false;
}

bool PutDword(SaveRun& run, const char* value, std::int32_t v) {
    return Record(run, value, run.key ? WriteDword(run.key, value, v) : run.keyError);
}

bool PutString(SaveRun& run, const char* value, const char* text) {
    return Record(run, value, run.key ? WriteString(run.key, value, text) : run.keyError);
}

const char* Reason(long rc, char* buf, std::size_t size) {
    switch (rc) {
        case plat::ERROR_ACCESS_DENIED: return "access is denied";
        case plat::ERROR_INVALID_HANDLE: return "the key could not be opened";
        case ErrorKeyDeleted: return "the key was deleted";
        case ErrorOutOfMemory: return "not enough memory";
        case ErrorRegistryIo: return "the registry could not be written to disk";
        default: std::snprintf(buf, size, "system error %ld", rc); return buf;
    }
}

void Report(const SaveRun& run) {
    char reason[32];
    char text[400];
    std::snprintf(text, sizeof text,
                  "Parmena could not save all of its settings.\r\n\r\n"
                  "Writing \"%s\" in the registry key \"%s\" failed: %s.\r\n"
                  "%d value(s) were not saved; the others were.",
                  run.firstValue, run.firstKey, Reason(run.firstError, reason, sizeof reason),
                  run.failures);
    plat::MessageBox(nullptr, text, "Settings not saved", plat::MB_ICONERROR);
}

void SaveSetting(SaveRun& run, const SettingInfo& s) {
    switch (s.kind) {
        case SettingKind::PagerSize: return;  // the pager's own
        case SettingKind::RunOnlyFlag: PutDword(run, s.name, SwitchHotkeysToSave()); return;
        case SettingKind::Color: {
            char text[9];
            FormatColor(text, static_cast<std::uint32_t>(SettingValue(settings, s)));
            PutString(run, s.name, text);
            return;
        }
        case SettingKind::FaceName: {
            const char* field = reinterpret_cast<const char*>(&settings) + s.offset;
            char face[sizeof settings.font.lfFaceName + 1];
            std::snprintf(face, sizeof face, "%.*s", static_cast<int>(s.size), field);
            PutString(run, s.name, face);
            return;
        }
        default: PutDword(run, s.name, SettingValue(settings, s)); return;
    }
}

// Every setting of one key, in the table's order.
void SaveKey(SaveRun& run, SettingKey key) {
    Use(run, SettingsKeyName(key));
    for (const SettingInfo& s : SettingTable)
        if (s.key == key) SaveSetting(run, s);
}

// Entries before their count, and the count only once every entry went in: a save cut short
// leaves the count that matches what was stored before.
void SaveMiddleButton(SaveRun& run) {
    const MiddleButtonEntry* def = settings.defaultMiddleEntry;
    const MiddleButtonEntry* entries = settings.programEntries;
    // Without the block there is nothing to save, and the stored values must survive.
    if (!def || !entries) return;
    Use(run, MiddleButtonKeyName);
    char name[48];
    PutDword(run, list_value::DefaultTransmit, def->transmit);
    for (int j = 0; j < 4; ++j) {
        std::snprintf(name, sizeof name, list_value::DefaultClick, j);
        PutDword(run, name, def->click[j]);
        std::snprintf(name, sizeof name, list_value::DefaultDrag, j);
        PutDword(run, name, def->drag[j]);
    }

    // The dialog may leave any number here; the block only has room for so many.
    const std::int32_t count = ClampProgramEntryCount(settings.programEntryCount);
    settings.programEntryCount = count;
    bool all = true;
    for (int i = 0; i < count; ++i) {
        const MiddleButtonEntry& e = entries[i];
        char text[sizeof e.name + 1];
        std::snprintf(text, sizeof text, "%.*s",
                      static_cast<int>(BoundedNameLength(e.name, sizeof e.name)), e.name);
        std::snprintf(name, sizeof name, list_value::ProgramName, i);
        all = PutString(run, name, text) && all;
        std::snprintf(name, sizeof name, list_value::ProgramTransmit, i);
        all = PutDword(run, name, e.transmit) && all;
        for (int j = 0; j < 4; ++j) {
            std::snprintf(name, sizeof name, list_value::ProgramClick, i, j);
            all = PutDword(run, name, e.click[j]) && all;
            std::snprintf(name, sizeof name, list_value::ProgramDrag, i, j);
            all = PutDword(run, name, e.drag[j]) && all;
        }
    }
    if (all) PutDword(run, list_value::ProgramCount, count);
    PublishMiddleButtonEntries();
}

void SavePositionList(SaveRun& run) {
    SaveKey(run, SettingKey::WindowPositions);
    char name[32];
    int n = 0;
    bool all = true;
    for (const WindowPositionEntry* e = settings.positionList.next; e; e = e->next, ++n) {
        std::snprintf(name, sizeof name, list_value::PositionName, n);
        all = PutString(run, name, e->name ? e->name : "") && all;
        std::snprintf(name, sizeof name, list_value::PositionWord, n);
        all = PutDword(run, name, static_cast<std::int32_t>(e->position)) && all;
    }
    if (all) PutDword(run, list_value::PositionCount, n);
}

}  // namespace

bool SaveSettings() {
    // A font that cannot be created leaves the pager with the one it has.
    plat::Hgdi font = plat::CreateFontIndirect(&settings.font);
    if (font) ReplacePagerFont(font);

    SaveRun run;
    SaveKey(run, SettingKey::Preferences);
    SaveKey(run, SettingKey::Colors);
    SaveKey(run, SettingKey::Font);
    SaveMiddleButton(run);
    SavePositionList(run);
    if (run.key) plat::RegCloseKey(run.key);

    if (settings.pagerWindow) {
        plat::InvalidateRect(settings.pagerWindow, nullptr, 0);
        plat::UpdateWindow(settings.pagerWindow);
    }
    if (run.failures) Report(run);
    return run.failures == 0;
}
