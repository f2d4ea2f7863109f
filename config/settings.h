// The settings record, shared byte for byte with the dialog library, and its registry load.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "config/settings_table.h"
#include "platform/types.h"

// One remembered window; also the list head inside Settings.
struct WindowPositionEntry {
    WindowPositionEntry* next;
    char* name;
    std::uint32_t position;  // DesktopCell in bits 0-15, flags above
};

constexpr std::uint32_t KeepInPlace = 1u << 16;
constexpr std::uint32_t MinimizeOnSwitch = 1u << 17;

struct MiddleButtonEntry;

// The layout the dialog library has always known; PARMENA_SETTINGS gives each setting's field
// its registry value.
struct Settings {
    plat::Hwnd pagerWindow;
    std::int32_t disableNavigation, disableMiddleButton, disableShell, corner;
    std::int32_t xResolution, yResolution, hideProgramManager;
    std::int32_t followActive, switchAtBorders, onlyWhenButtonDown;  // low byte at load
    std::int32_t switchHotkeys, enableTopmost, rescaleOnExit;
    std::int32_t collapsePager;  // "MinimizeTolvo": the pager collapses when the mouse leaves
    std::int32_t navMouseSwitch, navMouseDrag, navMouseDragDD, navMouseMenu, navMouseMove;
    std::uint32_t background, grid, window, windowFrame, windowCaption, windowText;
    plat::LogFont font;
    std::int32_t resetAtStart;
    WindowPositionEntry positionList;  // sentinel; positionList.next is the first entry
    MiddleButtonEntry* defaultMiddleEntry;
    MiddleButtonEntry* programEntries;
    std::int32_t programEntryCount;
    std::int32_t shellHotkeyModif, shellHotkeyKey, xSize, ySize;
    plat::Hgdi pagerFont;
    // Added after every field the dialog library has always known, so that none of them moves.
    std::int32_t navigationModifiers;  // index into NavigationModifierTable
};

extern Settings settings;

// One row of PARMENA_SETTINGS, with where its field lies in the record.
struct SettingInfo {
    SettingKey key;
    const char* name;
    SettingKind kind;
    std::int32_t defaultValue;
    std::int32_t dialogMin, dialogMax;
    std::size_t offset, size;
};
#define PARMENA_SETTING_INFO(key, name, field, kind, def, lo, hi, offset32)                      \
    SettingInfo{SettingKey::key, name, SettingKind::kind, def, lo, hi, offsetof(Settings, field), \
                sizeof(static_cast<Settings*>(nullptr)->field)},
inline constexpr SettingInfo SettingTable[] = {PARMENA_SETTINGS(PARMENA_SETTING_INFO)};
#undef PARMENA_SETTING_INFO

// The row of the field at offset in the record (offsetof(Settings, field)).
constexpr const SettingInfo& SettingAt(std::size_t offset) {
    for (const SettingInfo& s : SettingTable)
        if (s.offset == offset) return s;
    return SettingTable[0];  // a constant expression with an unknown field is caught by its user
}

// Inline: the dialog library uses them too. A byte field reads zero-extended.
inline std::int32_t SettingValue(const Settings& record, const SettingInfo& s) {
    const auto* p = reinterpret_cast<const unsigned char*>(&record) + s.offset;
    if (s.size == 1) return *p;
    std::int32_t v = 0;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void SetSettingValue(Settings& record, const SettingInfo& s, std::int32_t value) {
    auto* p = reinterpret_cast<unsigned char*>(&record) + s.offset;
    if (s.size == 1)
        *p = static_cast<unsigned char>(value);
    else
        std::memcpy(p, &value, sizeof value);
}
inline bool SettingDiffers(const Settings& a, const Settings& b, const SettingInfo& s) {
    return std::memcmp(reinterpret_cast<const unsigned char*>(&a) + s.offset,
                       reinterpret_cast<const unsigned char*>(&b) + s.offset, s.size) != 0;
}
inline void CopySetting(Settings& to, const Settings& from, const SettingInfo& s) {
    std::memcpy(reinterpret_cast<unsigned char*>(&to) + s.offset,
                reinterpret_cast<const unsigned char*>(&from) + s.offset, s.size);
}

// Set on the dialog thread while the dialog library shows the settings or the about dialog;
// the main thread then refuses to close and greys both menu items. Relaxed: plain flags, on
// which no other data depends.
extern std::atomic<bool> settingsDialogOpen;
extern std::atomic<bool> aboutDialogOpen;

// "Switch hotkeys" turned off for this run only, because its keys could not be registered:
// the record shows it off, while a save keeps what was stored unless the user changes it.
void SwitchHotkeysOffForRun();
// What a save writes for "Switch hotkeys"; a value the user set ends the run-only state.
std::int32_t SwitchHotkeysToSave();

// The eight keys opened at load and kept for the whole run.
struct SettingsKeys {
    plat::Hkey root;
    plat::Hkey preferences;
    plat::Hkey colors;
    plat::Hkey font;
    plat::Hkey windowPositions;
    plat::Hkey middleButton;
    plat::Hkey userShortcuts;
    plat::Hkey machineShortcuts;
};
extern SettingsKeys settingsKeys;
// The kept handle of a setting's key, and the key's name below the settings root.
plat::Hkey SettingsKeyOf(SettingKey key);
const char* SettingsKeyName(SettingKey key);

// Virtual keys of the shell hotkey, indexed by "ShellHotkey Key".
constexpr int ShellHotkeyKeyCount = 40;
// Inline so that the dialog library, which shares this header, uses the same keys.
inline constexpr const std::uint8_t ShellHotkeyKeyTable[ShellHotkeyKeyCount] = {
    plat::VK_SPACE, plat::VK_RETURN,
    plat::VK_F1 + 0, plat::VK_F1 + 1, plat::VK_F1 + 2, plat::VK_F1 + 3,
    plat::VK_F1 + 4, plat::VK_F1 + 5, plat::VK_F1 + 6, plat::VK_F1 + 7,
    plat::VK_F1 + 8, plat::VK_F1 + 9, plat::VK_F1 + 10, plat::VK_F1 + 11,
    'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M',
    'N', 'O', 'P', 'Q', 'R', 'S', 'T', 'U', 'V', 'W', 'X', 'Y', 'Z',
};

// The keys held with the arrows for the desktop hotkeys, indexed by "Navigation modifiers".
// Ctrl+Win and Shift+Win are the system's own with the arrows; Shift is kept free for
// carrying a window along.
constexpr int NavigationModifierCount = 3;
inline constexpr const std::uint32_t NavigationModifierTable[NavigationModifierCount] = {
    plat::MOD_CONTROL | plat::MOD_ALT,
    plat::MOD_ALT | plat::MOD_WIN,
    plat::MOD_CONTROL | plat::MOD_ALT | plat::MOD_WIN,
};
inline constexpr const char* const NavigationModifierNames[NavigationModifierCount] = {
    "Ctrl+Alt", "Alt+Win", "Ctrl+Alt+Win"};
// A stored index outside the table means the first combination.
inline int NavigationModifierIndex(std::int32_t stored) {
    return stored >= 0 && stored < NavigationModifierCount ? stored : 0;
}

// HKEY_CURRENT_USER "Software\Orvanne\Parmena\<subKey>", created when missing; the caller
// closes it. Null on failure, with the reason in *error when given.
plat::Hkey CreateSettingsKey(const char* subKey, long* error);

// Loads the record, the remembered windows, the shortcuts and the pager font, and opens the
// keys. The screen, the grid and the pager's position are the callers' (they lie above).
void LoadSettings();

// A REG_DWORD or REG_BINARY value of exactly 4 bytes; anything else reads as missing.
std::int32_t ReadDword(plat::Hkey key, const char* name, std::int32_t def);
// Reads a text value (REG_SZ or REG_EXPAND_SZ) into buf only when it fits together with a
// terminating zero, which is added when the stored data lacks one; buf is untouched on failure.
bool ReadBytes(plat::Hkey key, const char* name, void* buf, std::uint32_t size);
// Both return RegSetValueEx's result (ERROR_INVALID_HANDLE for a key that never opened). A
// settings key deleted while the program runs is created again for the write.
long WriteDword(plat::Hkey key, const char* name, std::int32_t value);
long WriteString(plat::Hkey key, const char* name, const char* text);
void ParseColor(const char* text, std::uint32_t* color);
// Lowercase hexadecimal without prefix or leading zeros; buf holds at least 9 bytes.
void FormatColor(char* buf, std::uint32_t color);

// Writes the record, the middle-button entries and the position list back, re-creates the
// pager font and repaints the pager (main thread, with the hook mutex held for it by the
// settings run on the dialog thread). The keys are created
// afresh for each save, so one deleted while the program runs comes back. A save that could
// not write everything says so in one message box; false then.
bool SaveSettings();

// A loaded "Pos%iName" holds at most this many characters.
constexpr std::uint32_t MaxPositionNameLength = 1023;
// Loading the position list stops after this many consecutive missing names, so that a huge
// "Count" cannot keep start-up busy.
constexpr std::int32_t MaxPositionGap = 1024;
// No more remembered windows than this are taken from a list box or a stored "Count".
constexpr std::int32_t MaxPositionEntries = 4096;

// An unlinked entry owning a copy of name (null when memory runs out). Every entry in the
// list must come from here: FreePositionList releases them.
WindowPositionEntry* NewPositionEntry(const char* name, std::uint32_t position);

// Frees every remembered window; the list is empty afterwards.
void FreePositionList();

// Gives back what LoadSettings took: the lists, the pager font and the registry keys.
// The real process leaves this to its end; repeated runs in one process need it.
void ReleaseSettings();
// ReleaseSettings, then every field cleared: the record as at program start.
void ResetSettings();

// Puts a new pager font in force and deletes the old one; the main thread alone paints and
// replaces it.
void ReplacePagerFont(plat::Hgdi newFont);
