// The settings dialog's logic, free of the window system so that it can be tested alone.
#include "libs/parmdlg/prefcore.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/text.h"

namespace prefs {

namespace {

bool SameNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && SameFoldedAscii(a.data(), b.data(), a.size());
}

std::string Bounded(const char* text, std::size_t size) {
    return std::string(text, BoundedLength(text, size));
}

std::string Printf(const char* fmt, ...) {
    char buf[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    return buf;
}

bool Refuse(Refusal* refusal, EntryField field) {
    refusal->field = field;
    return false;
}

// The cells a remembered position can name: those of the grid, within what a byte holds.
int GridLimit(std::int32_t cells) {
    return std::max(MinGridSize, std::min<std::int32_t>(cells, MaxGridSize));
}

}  // namespace

void BeginEdit(const Settings& record, const ShortcutStore* store, bool runAtLogonStored, Edit* edit) {
    *edit = Edit{};
    edit->record = edit->original = record;
    edit->haveMiddleButton = record.defaultMiddleEntry != nullptr && record.programEntries != nullptr;
    if (edit->haveMiddleButton) {
        edit->defaultEntry = *record.defaultMiddleEntry;
        const std::int32_t count = std::max(0, std::min(record.programEntryCount, MaxProgramEntries));
        edit->programs.assign(record.programEntries, record.programEntries + count);
        // The hook library shares these names; a missing terminator must not run on.
        for (MiddleButtonEntry& e : edit->programs) e.name[sizeof e.name - 1] = '\0';
    }
    for (const WindowPositionEntry* p = record.positionList.next; p; p = p->next)
        edit->positions.push_back({p->name ? p->name : "", p->position});
    if (store) {
        for (const Shortcut* s = store->head; s; s = s->next) {
            ShortcutEdit e{Bounded(s->name, sizeof s->name), Bounded(s->name, sizeof s->name),
                           Bounded(s->command, sizeof s->command),
                           Bounded(s->directory, sizeof s->directory), s->show, false};
            (s->root == 0 ? edit->shortcuts : edit->machineShortcuts).push_back(e);
        }
    }
    edit->runAtLogon = edit->runAtLogonStored = runAtLogonStored;
}

RunKeyAction DecideRunKey(const Edit& edit) {
    if (edit.runAtLogon == edit.runAtLogonStored) return RunKeyAction::None;
    return edit.runAtLogon ? RunKeyAction::Write : RunKeyAction::Remove;
}

bool PositionsChanged(const Edit& edit, const Settings& record) {
    std::size_t i = 0;
    for (const WindowPositionEntry* p = record.positionList.next; p; p = p->next, ++i) {
        if (i >= edit.positions.size()) return true;
        const PositionEdit& e = edit.positions[i];
        if (e.position != p->position || e.name != (p->name ? p->name : "")) return true;
    }
    return i != edit.positions.size();
}

void Commit(const Edit& edit, Settings* record, ShortcutStore* store) {
    // Setting by setting: the copy's pointers and handles are stale by now.
    for (const SettingInfo& s : SettingTable)
        if (SettingDiffers(edit.record, edit.original, s)) CopySetting(*record, edit.record, s);
    Settings& r = *record;

    if (edit.haveMiddleButton && r.defaultMiddleEntry && r.programEntries) {
        *r.defaultMiddleEntry = edit.defaultEntry;
        const std::size_t count = std::min<std::size_t>(edit.programs.size(), MaxProgramEntries);
        std::copy(edit.programs.begin(), edit.programs.begin() + static_cast<std::ptrdiff_t>(count),
                  r.programEntries);
        r.programEntryCount = static_cast<std::int32_t>(count);
    }

    if (!store || !store->find || !store->add || !store->remove || !store->save || !store->del)
        return;
    // Removals and renames first, so that a name given up can be taken by another entry.
    auto drop = [&](const std::string& name) {
        if (Shortcut* node = store->find(name.c_str(), 0, nullptr)) store->del(node);
        store->remove(name.c_str(), 0);
    };
    for (const std::string& name : edit.removedShortcuts) drop(name);
    for (const ShortcutEdit& s : edit.shortcuts)
        if (s.changed && !s.storedName.empty() && s.storedName != s.name) drop(s.storedName);
    for (const ShortcutEdit& s : edit.shortcuts) {
        if (!s.changed) continue;
        Shortcut* node = nullptr;
        store->add(s.name.c_str(), s.command.c_str(), s.directory.c_str(), s.show, 0, &node);
        if (node) store->save(node);
    }
}

bool ParseNumber(const std::string& text, const char* field, int lo, int hi, std::int32_t stored,
                 std::int32_t* out, std::string* message) {
    std::string t = text;
    t.erase(0, t.find_first_not_of(" \t"));
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.pop_back();
    if (t == std::to_string(stored)) {
        *out = stored;
        return true;
    }
    const char* begin = t.c_str();
    char* end = nullptr;
    errno = 0;
    long long v = t.empty() ? 0 : std::strtoll(begin, &end, 10);
    if (t.empty() || errno != 0 || *end != '\0' || v < lo || v > hi) {
        *message = Printf("%s must be a whole number from %d to %d.", field, lo, hi);
        return false;
    }
    *out = static_cast<std::int32_t>(v);
    return true;
}

bool CheckLength(const std::string& text, const char* field, int minLength, int maxLength,
                 std::string* message) {
    const auto n = static_cast<long long>(text.size());
    if (n >= minLength && n <= maxLength) return true;
    // The fields count bytes of UTF-8: only plain ASCII takes one byte a character.
    const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
    if (n > maxLength && !ascii)
        *message = Printf("%s is too long: it may take %d bytes, and each character beyond plain "
                          "ASCII takes two to four of them.", field, maxLength);
    else if (minLength > 0)
        *message = Printf("%s must be %d to %d characters long.", field, minLength, maxLength);
    else
        *message = Printf("%s must be at most %d characters long.", field, maxLength);
    return false;
}

std::vector<Choice> ChoicesFor(const std::vector<Choice>& known, std::int32_t value, int* index) {
    std::vector<Choice> out = known;
    for (std::size_t i = 0; i < out.size(); ++i)
        if (out[i].value == value) {
            *index = static_cast<int>(i);
            return out;
        }
    out.push_back({value, Printf("Other (stored value %d)", static_cast<int>(value))});
    *index = static_cast<int>(out.size() - 1);
    return out;
}

const char* const GestureNames[8] = {
    "Left press",        "Left double-click",       "Right press",       "Right double-click",
    "Shift+Left press",  "Shift+Left double-click", "Shift+Right press", "Shift+Right double-click",
};

std::vector<Choice> GestureChoices() {
    std::vector<Choice> out;
    for (int i = 0; i < 8; ++i) out.push_back({i, GestureNames[i]});
    return out;
}

std::vector<Choice> NavigationModifierChoices() {
    std::vector<Choice> out;
    for (int i = 0; i < NavigationModifierCount; ++i)
        out.push_back({i, std::string(NavigationModifierNames[i]) + "+arrow keys"});
    return out;
}

std::vector<Choice> ShowChoices() { return {{0, "Normal"}, {1, "Maximized"}, {2, "Minimized"}}; }

std::vector<Choice> ActionChoices(const MouseAction* table, bool withUseDefault) {
    std::vector<Choice> out;
    if (withUseDefault) out.push_back({UseDefault, "Use default"});
    // A table from another library is trusted only this far.
    const int n = table ? CountMouseActions(table, 256) : -1;
    for (int i = 0; i < n; ++i) out.push_back({table[i].code, table[i].name});
    return out;
}

std::vector<Choice> TransmitChoices(bool withUseDefault) {
    std::vector<Choice> out;
    if (withUseDefault) out.push_back({UseDefault, "Use default"});
    out.push_back({0, "No"});
    out.push_back({1, "Yes"});
    return out;
}

std::uint16_t HotkeyWord(std::int32_t modif, std::int32_t keyIndex) {
    if (keyIndex < 0 || keyIndex >= ShellHotkeyKeyCount) return 0;
    return static_cast<std::uint16_t>(ShellHotkeyKeyTable[keyIndex] | ((modif & 7) << 8));
}

bool ParseHotkey(std::uint16_t word, std::uint16_t shownWord, std::int32_t* modif,
                 std::int32_t* keyIndex, std::string* message) {
    if (word == shownWord) return true;
    const std::uint8_t vk = static_cast<std::uint8_t>(word & 0xFF);
    const auto found = std::find(ShellHotkeyKeyTable, ShellHotkeyKeyTable + ShellHotkeyKeyCount, vk);
    const bool withModifier = (word & (HotkeyControl | HotkeyAlt)) != 0;
    if (vk == 0 || found == ShellHotkeyKeyTable + ShellHotkeyKeyCount || !withModifier) {
        *message =
            "Shell hotkey must be Ctrl or Alt (and Shift if wanted) with Space, Enter, "
            "F1 to F12 or a letter A to Z.";
        return false;
    }
    *keyIndex = static_cast<std::int32_t>(found - ShellHotkeyKeyTable);
    *modif = (word >> 8) & 7;
    return true;
}

bool PutPosition(Edit* edit, int index, const std::string& name, const std::string& column,
                 const std::string& row, bool keep, bool minimize, Refusal* refusal) {
    const PositionEdit* old =
        index >= 0 && index < static_cast<int>(edit->positions.size()) ? &edit->positions[index] : nullptr;
    if (!CheckLength(name, "Window name", 1, MaxPatternLength, &refusal->message))
        return Refuse(refusal, EntryField::Name);
    std::int32_t c = 0, r = 0;
    // Counted from 1 on screen, from 0 in the position word.
    const std::int32_t oldColumn = old ? PositionColumn(*old) : 0, oldRow = old ? PositionRow(*old) : 0;
    if (!ParseNumber(column, "Column", 1, GridLimit(edit->record.xResolution), oldColumn, &c, &refusal->message))
        return Refuse(refusal, EntryField::Column);
    if (!ParseNumber(row, "Row", 1, GridLimit(edit->record.yResolution), oldRow, &r, &refusal->message))
        return Refuse(refusal, EntryField::Row);
    std::uint32_t word = old ? old->position & ~(0xFFFFu | KeepInPlace | MinimizeOnSwitch) : 0;
    word |= static_cast<std::uint32_t>(c - 1) | static_cast<std::uint32_t>(r - 1) << 8;
    if (keep) word |= KeepInPlace;
    if (minimize) word |= MinimizeOnSwitch;
    if (old)
        edit->positions[index] = {name, word};
    else
        edit->positions.push_back({name, word});
    return true;
}

void RemovePosition(Edit* edit, int index) {
    if (index >= 0 && index < static_cast<int>(edit->positions.size()))
        edit->positions.erase(edit->positions.begin() + index);
}

int PositionColumn(const PositionEdit& p) { return static_cast<int>(p.position & 0xFF) + 1; }
int PositionRow(const PositionEdit& p) { return static_cast<int>((p.position >> 8) & 0xFF) + 1; }

bool PutShortcut(Edit* edit, int index, const std::string& name, const std::string& command,
                 const std::string& directory, std::int32_t show, Refusal* refusal) {
    const bool exists = index >= 0 && index < static_cast<int>(edit->shortcuts.size());
    if (!CheckLength(name, "Shortcut name", 1, MaxShortcutNameLength, &refusal->message))
        return Refuse(refusal, EntryField::Name);
    if (!CheckLength(command, "Command", 1, MaxShortcutTextLength, &refusal->message))
        return Refuse(refusal, EntryField::Command);
    if (!CheckLength(directory, "Directory", 0, MaxShortcutTextLength, &refusal->message))
        return Refuse(refusal, EntryField::Directory);
    // The stored value puts a "|" between directory and command and splits at the first one.
    if (directory.find('|') != std::string::npos) {
        refusal->message = "Directory must not contain \"|\".";
        return Refuse(refusal, EntryField::Directory);
    }
    // The command window takes the first word as the name.
    if (name.find_first_of(" \t") != std::string::npos) {
        refusal->message = "Shortcut name must be one word without spaces.";
        return Refuse(refusal, EntryField::Name);
    }
    for (std::size_t i = 0; i < edit->shortcuts.size(); ++i)
        if (static_cast<int>(i) != index && SameNoCase(edit->shortcuts[i].name, name)) {
            refusal->message = "A shortcut named \"" + edit->shortcuts[i].name + "\" already exists.";
            return Refuse(refusal, EntryField::Name);
        }
    if (exists) {
        ShortcutEdit& s = edit->shortcuts[index];
        if (s.name == name && s.command == command && s.directory == directory && s.show == show)
            return true;
        s.name = name;
        s.command = command;
        s.directory = directory;
        s.show = show;
        s.changed = true;
    } else {
        edit->shortcuts.push_back({"", name, command, directory, show, true});
    }
    return true;
}

void RemoveShortcutEdit(Edit* edit, int index) {
    if (index < 0 || index >= static_cast<int>(edit->shortcuts.size())) return;
    const std::string stored = edit->shortcuts[index].storedName;
    if (!stored.empty()) edit->removedShortcuts.push_back(stored);
    edit->shortcuts.erase(edit->shortcuts.begin() + index);
}

bool PutProgram(Edit* edit, int index, const std::string& name, const std::int32_t click[4],
                const std::int32_t drag[4], std::int32_t transmit, Refusal* refusal) {
    const bool exists = index >= 0 && index < static_cast<int>(edit->programs.size());
    if (!exists && edit->programs.size() >= static_cast<std::size_t>(MaxProgramEntries)) {
        refusal->message = Printf("There can be at most %d program entries.", MaxProgramEntries);
        return Refuse(refusal, EntryField::Name);
    }
    if (!CheckLength(name, "Program name", 1, MaxProgramNameLength, &refusal->message))
        return Refuse(refusal, EntryField::Name);
    for (std::size_t i = 0; i < edit->programs.size(); ++i)
        if (static_cast<int>(i) != index && SameNoCase(EntryName(edit->programs[i]), name)) {
            refusal->message = "The program \"" + name + "\" already has an entry.";
            return Refuse(refusal, EntryField::Name);
        }
    MiddleButtonEntry e{};
    std::memcpy(e.name, name.c_str(), name.size() + 1);
    std::copy(click, click + 4, e.click);
    std::copy(drag, drag + 4, e.drag);
    e.transmit = transmit;
    if (exists)
        edit->programs[index] = e;
    else
        edit->programs.push_back(e);
    return true;
}

void RemoveProgram(Edit* edit, int index) {
    if (index >= 0 && index < static_cast<int>(edit->programs.size()))
        edit->programs.erase(edit->programs.begin() + index);
}

std::string EntryName(const MiddleButtonEntry& e) { return Bounded(e.name, sizeof e.name); }

}  // namespace prefs
