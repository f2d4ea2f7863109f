// The settings record, its registry load and the registry helpers.
#include "config/settings.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>

#include "config/shortcuts.h"
#include "platform/gdi.h"
#include "platform/registry.h"
#include "platform/window.h"

Settings settings;
SettingsKeys settingsKeys;
std::atomic<bool> settingsDialogOpen{false};
std::atomic<bool> aboutDialogOpen{false};

namespace {

plat::Hkey CreateKey(plat::Hkey parent, const char* path) {
    plat::Hkey key = nullptr;
    if (!parent) return nullptr;
    if (plat::RegCreateKeyEx(parent, path, 0, "", plat::REG_OPTION_NON_VOLATILE,
                              plat::KEY_ALL_ACCESS, nullptr, &key, nullptr) != plat::ERROR_SUCCESS)
        return nullptr;
    return key;
}

// One setting from its key into the record. The colours and the font hold the system's
// values already, which a stored value replaces.
void LoadSetting(const SettingInfo& s) {
    const plat::Hkey k = SettingsKeyOf(s.key);
    const std::int32_t current = SettingValue(settings, s);
    std::int32_t v = 0;
    switch (s.kind) {
        case SettingKind::Int:
        case SettingKind::PagerSize:
        case SettingKind::RunOnlyFlag: v = ReadDword(k, s.name, s.defaultValue); break;
        case SettingKind::LowByte: v = ReadDword(k, s.name, s.defaultValue) & 0xFF; break;
        case SettingKind::Grid:
            v = ReadDword(k, s.name, s.defaultValue);
            if (!IsGridSize(v)) v = s.defaultValue;
            break;
        case SettingKind::ShellKey:
            v = ReadDword(k, s.name, s.defaultValue);
            if (v < 0 || v >= ShellHotkeyKeyCount) v = s.defaultValue;
            break;
        case SettingKind::Modifiers: v = NavigationModifierIndex(ReadDword(k, s.name, 0)); break;
        case SettingKind::Color: {
            std::uint32_t color = plat::GetSysColor(s.defaultValue);
            char text[30];
            if (ReadBytes(k, s.name, text, sizeof text)) ParseColor(text, &color);
            v = static_cast<std::int32_t>(color);
            break;
        }
        case SettingKind::FontInt: v = ReadDword(k, s.name, current); break;
        case SettingKind::FontByte: v = ReadDword(k, s.name, current) & 0xFF; break;
        case SettingKind::FaceName: {
            // A face name longer than the field cannot name an installed font; a truncated one
            // would silently pick some other face, so the system face stays.
            char* field = reinterpret_cast<char*>(&settings) + s.offset;
            char face[80];
            if (ReadBytes(k, s.name, face, sizeof face) && std::strlen(face) < s.size)
                std::memcpy(field, face, std::strlen(face) + 1);
            return;
        }
    }
    SetSettingValue(settings, s, v);
}

void LoadPositionList() {
    plat::Hkey k = settingsKeys.windowPositions;
    FreePositionList();
    std::int32_t count = ReadDword(k, list_value::PositionCount, 0);
    WindowPositionEntry* tail = &settings.positionList;
    std::int32_t gap = 0;
    std::int32_t loaded = 0;
    for (std::int32_t i = 0; i < count && gap < MaxPositionGap && loaded < MaxPositionEntries;
         ++i) {
        char valueName[32];
        char name[MaxPositionNameLength + 1];
        std::snprintf(valueName, sizeof valueName, list_value::PositionName, static_cast<int>(i));
        if (!ReadBytes(k, valueName, name, sizeof name)) {
            ++gap;
            continue;
        }
        gap = 0;
        std::snprintf(valueName, sizeof valueName, list_value::PositionWord, static_cast<int>(i));
        WindowPositionEntry* e =
            NewPositionEntry(name, static_cast<std::uint32_t>(ReadDword(k, valueName, 0)));
        if (!e) break;
        tail->next = e;
        tail = e;
        ++loaded;
    }
}

}  // namespace

plat::Hkey CreateSettingsKey(const char* subKey, long* error) {
    char path[128];
    std::snprintf(path, sizeof path, "%s\\%s", SettingsRootPath, subKey);
    plat::Hkey key = nullptr;
    long rc = plat::RegCreateKeyEx(plat::HKEY_CURRENT_USER, path, 0, "",
                                    plat::REG_OPTION_NON_VOLATILE, plat::KEY_ALL_ACCESS, nullptr,
                                    &key, nullptr);
    if (rc != plat::ERROR_SUCCESS) key = nullptr;
    if (error) *error = rc;
    return key;
}

namespace {
// By SettingKey.
plat::Hkey SettingsKeys::* const SettingKeyHandles[] = {&SettingsKeys::preferences, &SettingsKeys::colors,
                                                      &SettingsKeys::font, &SettingsKeys::windowPositions};
const char* const SettingKeyNames[] = {PreferencesKeyName, ColorsKeyName, FontKeyName, WindowPositionsKeyName};
}  // namespace

plat::Hkey SettingsKeyOf(SettingKey key) { return settingsKeys.*SettingKeyHandles[static_cast<int>(key)]; }
const char* SettingsKeyName(SettingKey key) { return SettingKeyNames[static_cast<int>(key)]; }

std::int32_t ReadDword(plat::Hkey key, const char* name, std::int32_t def) {
    if (!key) return def;
    std::uint8_t data[4];
    std::uint32_t size = sizeof data;
    std::uint32_t type = plat::REG_NONE;
    if (plat::RegQueryValueEx(key, name, nullptr, &type, data, &size) != plat::ERROR_SUCCESS)
        return def;
    if (size != sizeof data || (type != plat::REG_DWORD && type != plat::REG_BINARY)) return def;
    std::uint32_t v = static_cast<std::uint32_t>(data[0]) |
                      (static_cast<std::uint32_t>(data[1]) << 8) |
                      (static_cast<std::uint32_t>(data[2]) << 16) |
                      (static_cast<std::uint32_t>(data[3]) << 24);
    return static_cast<std::int32_t>(v);
}

bool ReadBytes(plat::Hkey key, const char* name, void* buf, std::uint32_t size) {
    if (!key || !buf || size == 0) return false;
    // The query may scribble on its buffer even when it fails, so it gets a scratch copy.
    std::uint8_t local[1024];
    std::uint8_t* tmp = local;
    if (size > sizeof local) {
        tmp = new (std::nothrow) std::uint8_t[size];
        if (!tmp) return false;
    }
    std::uint32_t got = size;
    std::uint32_t type = plat::REG_NONE;
    bool ok = plat::RegQueryValueEx(key, name, nullptr, &type, tmp, &got) == plat::ERROR_SUCCESS &&
              (type == plat::REG_SZ || type == plat::REG_EXPAND_SZ) && got <= size;
    if (ok && !std::memchr(tmp, 0, got)) {
        if (got < size)
            tmp[got++] = 0;
        else
            ok = false;
    }
    if (ok) std::memcpy(buf, tmp, got);
    if (tmp != local) delete[] tmp;
    return ok;
}

namespace {

constexpr long ErrorKeyDeleted = 1018;

// The sub-key a handle of SettingsKeys was opened for, or null for any other handle.
const char* SettingsSubKey(plat::Hkey key) {
    if (!key) return nullptr;
    if (key == settingsKeys.preferences) return PreferencesKeyName;
    if (key == settingsKeys.colors) return ColorsKeyName;
    if (key == settingsKeys.font) return FontKeyName;
    if (key == settingsKeys.windowPositions) return WindowPositionsKeyName;
    if (key == settingsKeys.middleButton) return MiddleButtonKeyName;
    if (key == settingsKeys.userShortcuts) return ShortcutsKeyName;
    return nullptr;
}

// A key of ours deleted while the program runs is created again for the write; the kept
// handle stays as it is, since another thread may be using it.
long SetValue(plat::Hkey key, const char* name, std::uint32_t type, const std::uint8_t* data,
              std::uint32_t size) {
    if (!key) return plat::ERROR_INVALID_HANDLE;
    long rc = plat::RegSetValueEx(key, name, 0, type, data, size);
    const char* sub = rc == ErrorKeyDeleted ? SettingsSubKey(key) : nullptr;
    if (!sub) return rc;
    plat::Hkey fresh = CreateSettingsKey(sub, &rc);
    if (!fresh) return rc;
    rc = plat::RegSetValueEx(fresh, name, 0, type, data, size);
    plat::RegCloseKey(fresh);
    return rc;
}

}  // namespace

long WriteDword(plat::Hkey key, const char* name, std::int32_t value) {
    std::uint32_t v = static_cast<std::uint32_t>(value);
    std::uint8_t data[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    return SetValue(key, name, plat::REG_DWORD, data, sizeof data);
}

long WriteString(plat::Hkey key, const char* name, const char* text) {
    if (!text) text = "";
    return SetValue(key, name, plat::REG_SZ, reinterpret_cast<const std::uint8_t*>(text),
                    static_cast<std::uint32_t>(std::strlen(text) + 1));
}

// strtoul in base 16, but always 32 bits wide whatever the host's unsigned long is.
void ParseColor(const char* text, std::uint32_t* color) {
    if (!color) return;
    std::uint32_t value = 0;
    if (!text) {
        *color = 0;
        return;
    }
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && digit(p[2]) >= 0) p += 2;
    bool overflow = false;
    for (; digit(*p) >= 0; ++p) {
        if (value > 0x0FFFFFFFu) overflow = true;
        value = (value << 4) | static_cast<std::uint32_t>(digit(*p));
    }
    if (overflow)
        value = 0xFFFFFFFFu;
    else if (negative)
        value = 0u - value;
    *color = value;
}

void FormatColor(char* buf, std::uint32_t color) {
    if (!buf) return;
    static const char digits[] = "0123456789abcdef";
    char rev[8];
    int n = 0;
    do {
        rev[n++] = digits[color & 0xF];
        color >>= 4;
    } while (color != 0);
    for (int i = 0; i < n; ++i) buf[i] = rev[n - 1 - i];
    buf[n] = 0;
}

WindowPositionEntry* NewPositionEntry(const char* name, std::uint32_t position) {
    if (!name) name = "";
    std::size_t len = std::strlen(name);
    char* copy = new (std::nothrow) char[len + 1];
    if (!copy) return nullptr;
    std::memcpy(copy, name, len + 1);
    WindowPositionEntry* e = new (std::nothrow) WindowPositionEntry;
    if (!e) {
        delete[] copy;
        return nullptr;
    }
    e->next = nullptr;
    e->name = copy;
    e->position = position;
    return e;
}

void FreePositionList() {
    WindowPositionEntry* e = settings.positionList.next;
    settings.positionList.next = nullptr;
    while (e) {
        WindowPositionEntry* next = e->next;
        delete[] e->name;
        delete e;
        e = next;
    }
}

void ReplacePagerFont(plat::Hgdi newFont) {
    const plat::Hgdi old = settings.pagerFont;
    settings.pagerFont = newFont;
    if (old && old != newFont) plat::DeleteObject(old);
}

void LoadSettings() {
    settingsKeys.root = CreateKey(plat::HKEY_CURRENT_USER, SettingsRootPath);
    settingsKeys.preferences = CreateKey(settingsKeys.root, PreferencesKeyName);
    settingsKeys.colors = CreateKey(settingsKeys.root, ColorsKeyName);
    settingsKeys.font = CreateKey(settingsKeys.root, FontKeyName);
    settingsKeys.windowPositions = CreateKey(settingsKeys.root, WindowPositionsKeyName);
    settingsKeys.middleButton = CreateKey(settingsKeys.root, MiddleButtonKeyName);
    settingsKeys.userShortcuts = CreateKey(settingsKeys.root, ShortcutsKeyName);
    settingsKeys.machineShortcuts = CreateKey(plat::HKEY_LOCAL_MACHINE, ShortcutsPath);

    // The system's font, whose fields stored values replace one by one
    plat::SystemParametersInfo(plat::SPI_GETICONTITLELOGFONT, sizeof(plat::LogFont),
                                &settings.font, 0);
    for (const SettingInfo& s : SettingTable) LoadSetting(s);
    ReplacePagerFont(plat::CreateFontIndirect(&settings.font));

    LoadPositionList();

    // Shortcuts, machine-wide first so per-user ones end up in front
    LoadShortcuts(settingsKeys.machineShortcuts, 1);
    LoadShortcuts(settingsKeys.userShortcuts, 0);
}

void ReleaseSettings() {
    FreePositionList();
    FreeShortcuts();
    ReplacePagerFont(nullptr);
    plat::Hkey* keys[] = {&settingsKeys.root,            &settingsKeys.preferences,
                          &settingsKeys.colors,          &settingsKeys.font,
                          &settingsKeys.windowPositions, &settingsKeys.middleButton,
                          &settingsKeys.userShortcuts,   &settingsKeys.machineShortcuts};
    for (plat::Hkey* k : keys) {
        if (*k) plat::RegCloseKey(*k);
        *k = nullptr;
    }
}

namespace {
// The main thread's: a failed registration sets them, the save reads them.
bool switchHotkeysRunOnly = false;
std::int32_t switchHotkeysStored = 0;
}  // namespace

void SwitchHotkeysOffForRun() {
    if (!switchHotkeysRunOnly) switchHotkeysStored = settings.switchHotkeys;
    switchHotkeysRunOnly = true;
    settings.switchHotkeys = 0;
}

std::int32_t SwitchHotkeysToSave() {
    if (switchHotkeysRunOnly && settings.switchHotkeys == 0) return switchHotkeysStored;
    switchHotkeysRunOnly = false;
    return settings.switchHotkeys;
}

void ResetSettings() {
    ReleaseSettings();
    settings = Settings{};
    switchHotkeysRunOnly = false;
}
