// The settings dialog without its windows: edit copies of everything the dialog changes,
// the conversions between those copies and the texts and choices the pages show, the checks
// with the messages the user sees, and writing the copies back on OK or Apply.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/hookblock.h"
#include "config/logon.h"
#include "config/settings.h"
#include "config/shortcuts.h"
#include "libs/parmm/actions.h"

namespace prefs {

// Ranges the dialog accepts. Stored values outside them are kept as long as the user does not
// change the field.
constexpr int MinGrid = SettingAt(offsetof(Settings, xResolution)).dialogMin;
constexpr int MaxGrid = SettingAt(offsetof(Settings, xResolution)).dialogMax;
constexpr int MaxPatternLength = 1023;
constexpr int MaxProgramNameLength = 127;
constexpr int MaxShortcutNameLength = 31;
constexpr int MaxShortcutTextLength = 511;
// The action value meaning "use the default entry's action".
constexpr std::int32_t UseDefault = -1;

struct PositionEdit {
    std::string name;
    std::uint32_t position;
};

struct ShortcutEdit {
    std::string storedName;  // the name it has in the store; empty for a new one
    std::string name, command, directory;
    std::int32_t show;
    bool changed;
};

struct Edit {
    Settings record;    // value fields only; pointers and handles are not written back
    Settings original;  // the record as the dialog found it
    bool haveMiddleButton;
    MiddleButtonEntry defaultEntry;
    std::vector<MiddleButtonEntry> programs;
    std::vector<PositionEdit> positions;
    std::vector<ShortcutEdit> shortcuts;        // per-user, editable
    std::vector<std::string> removedShortcuts;  // stored names to delete
    std::vector<ShortcutEdit> machineShortcuts; // shown read-only
    bool runAtLogon;
    bool runAtLogonStored;  // the box's state when the dialog opened
};

// Copies what the dialog shows. store may be null (no shortcuts then).
void BeginEdit(const Settings& record, const ShortcutStore* store, bool runAtLogonStored, Edit* edit);

// What OK or Apply must do with the Run value.
enum class RunKeyAction { None, Write, Remove };
RunKeyAction DecideRunKey(const Edit& edit);
using ::RunValueFor;
using ::RunValueIsProgram;

// Whether the remembered windows differ from the list the record holds.
bool PositionsChanged(const Edit& edit, const Settings& record);

// Writes the copies back: the record's value fields the dialog changed (others may have been
// written meanwhile by the program, for example the pager's size), the middle-button entries,
// the shortcuts through the store's operations. The position list and the Run value are the caller's (they
// need the window system).
void Commit(const Edit& edit, Settings* record, ShortcutStore* store);

// ---- fields

// Reads a whole number typed into a field. The text of the stored value is accepted as is,
// even outside [lo, hi]. On failure returns false and sets message, which names the field.
bool ParseNumber(const std::string& text, const char* field, int lo, int hi, std::int32_t stored,
                 std::int32_t* out, std::string* message);
bool CheckLength(const std::string& text, const char* field, int minLength, int maxLength,
                 std::string* message);

// A drop-down item: the value it stands for and the text shown.
struct Choice {
    std::int32_t value;
    std::string label;
};
// The items for a value: the known ones, plus one naming a stored unknown value so that it
// survives unless the user picks another. index receives the item of `value`.
std::vector<Choice> ChoicesFor(const std::vector<Choice>& known, std::int32_t value, int* index);

extern const char* const GestureNames[8];
std::vector<Choice> GestureChoices();
// The combinations "Navigation modifiers" offers for the desktop hotkeys, by their index.
std::vector<Choice> NavigationModifierChoices();
std::vector<Choice> ShowChoices();
// Actions from a hook library table (bounded walk), with "Use default" first when asked.
std::vector<Choice> ActionChoices(const MouseAction* table, bool withUseDefault);
std::vector<Choice> TransmitChoices(bool withUseDefault);

// ---- shell hotkey (the hot-key control's word: key in the low byte, modifiers above)

constexpr std::uint16_t HotkeyShift = 0x100, HotkeyControl = 0x200, HotkeyAlt = 0x400;
// 0 when the stored key index is outside the table.
std::uint16_t HotkeyWord(std::int32_t modif, std::int32_t keyIndex);
// Accepts a key of the table with Control or Alt. An unchanged word keeps the stored values.
bool ParseHotkey(std::uint16_t word, std::uint16_t shownWord, std::int32_t* modif,
                 std::int32_t* keyIndex, std::string* message);

// ---- list entries: each check returns false with the field it refuses; index -1 adds

enum class EntryField { None, Name, Column, Row, Command, Directory };
struct Refusal {
    EntryField field = EntryField::None;
    std::string message;  // names the field, for the user
};

bool PutPosition(Edit* edit, int index, const std::string& name, const std::string& column,
                 const std::string& row, bool keep, bool minimize, Refusal* refusal);
void RemovePosition(Edit* edit, int index);
// Column and row as shown (counted from 1).
int PositionColumn(const PositionEdit& p);
int PositionRow(const PositionEdit& p);

bool PutShortcut(Edit* edit, int index, const std::string& name, const std::string& command,
                 const std::string& directory, std::int32_t show, Refusal* refusal);
void RemoveShortcutEdit(Edit* edit, int index);

// actions: four clicks, four drags, transmit.
bool PutProgram(Edit* edit, int index, const std::string& name, const std::int32_t click[4],
                const std::int32_t drag[4], std::int32_t transmit, Refusal* refusal);
void RemoveProgram(Edit* edit, int index);

std::string EntryName(const MiddleButtonEntry& e);

}  // namespace prefs
