// Every setting the record holds under its registry value, listed once. Load, save, the
// dialog's ranges and commit, the apply's comparison and the record's layout checks are all
// expanded from this list; the companion libraries take the value names from it.
#pragma once
#include <cstdint>

#include "config/protocol.h"

// How a value is stored and what a load accepts.
enum class SettingKind : std::uint8_t {
    Int,          // REG_DWORD as stored
    LowByte,      // REG_DWORD whose low byte alone counts at load
    Grid,         // REG_DWORD; outside 1..MaxGridSize the default
    ShellKey,     // REG_DWORD index into ShellHotkeyKeyTable; outside it 0
    Modifiers,    // REG_DWORD index into NavigationModifierTable; outside it 0
    PagerSize,    // REG_DWORD the pager writes itself when resized; the save leaves it alone
    RunOnlyFlag,  // REG_DWORD; the save may keep the stored value (SwitchHotkeysToSave)
    Color,        // REG_SZ, hexadecimal; the default is the system colour of that index
    FontInt,      // REG_DWORD, a 32-bit field of the LOGFONT
    FontByte,     // REG_DWORD whose low byte fills a byte field of the LOGFONT
    FaceName,     // REG_SZ, the LOGFONT's face name; kept when it does not fit
};

enum class SettingKey : std::uint8_t { Preferences, Colors, Font, WindowPositions };

// X(key, "value name", field, kind, default, dialog minimum, dialog maximum, 32-bit offset).
// Within a key the order is the save's. A dialog range of 0..0 means the dialog offers no typed number.
// The offsets are the layout the dialog library has always known (checked in the 32-bit build).
#define PARMENA_SETTINGS(X) PARMENA_PLAIN_SETTINGS(X) PARMENA_FONT_SETTINGS(X)

// The settings held in fields of their own (the font's are fields of one LOGFONT).
#define PARMENA_PLAIN_SETTINGS(X)                                                         \
    X(Preferences, "Disable navigation", disableNavigation, Int, 0, 0, 0, 4)              \
    X(Preferences, "Disable middle button", disableMiddleButton, Int, 0, 0, 0, 8)         \
    X(Preferences, "Disable shell", disableShell, Int, 0, 0, 0, 12)                       \
    X(Preferences, "Switch hotkeys", switchHotkeys, RunOnlyFlag, 1, 0, 0, 44)             \
    X(Preferences, "Enable topmost", enableTopmost, Int, 1, 0, 0, 48)                     \
    X(Preferences, "Rescale On Exit", rescaleOnExit, Int, 1, 0, 0, 52)                    \
    X(Preferences, "HideProgramManager", hideProgramManager, Int, 1, 0, 0, 28)            \
    X(Preferences, "Follow active", followActive, LowByte, 1, 0, 0, 32)                   \
    X(Preferences, "Switch at borders", switchAtBorders, LowByte, 1, 0, 0, 36)            \
    X(Preferences, "Only when button down", onlyWhenButtonDown, LowByte, 1, 0, 0, 40)     \
    X(Preferences, "MinimizeTolvo", collapsePager, Int, 1, 0, 0, 56)                      \
    X(Preferences, "NavMouseSwitch", navMouseSwitch, Int, 1, 0, 0, 60)                    \
    X(Preferences, "NavMouseDrag", navMouseDrag, Int, 4, 0, 0, 64)                        \
    X(Preferences, "NavMouseDragDD", navMouseDragDD, Int, 0, 0, 0, 68)                    \
    X(Preferences, "NavMouseMenu", navMouseMenu, Int, 2, 0, 0, 72)                        \
    X(Preferences, "NavMouseMove", navMouseMove, Int, 6, 0, 0, 76)                        \
    X(Preferences, "Corner", corner, Int, 2, 0, 0, 16)                                    \
    X(Preferences, "XResolution", xResolution, Grid, 3, 1, 16, 20)                        \
    X(Preferences, "YResolution", yResolution, Grid, 3, 1, 16, 24)                        \
    X(Preferences, "ShellHotkey Modif", shellHotkeyModif, Int, 6, 0, 0, 192)              \
    X(Preferences, "ShellHotkey Key", shellHotkeyKey, ShellKey, 0, 0, 0, 196)             \
    X(Preferences, "Navigation modifiers", navigationModifiers, Modifiers, 0, 0, 0, 212)  \
    X(Preferences, "XSize", xSize, PagerSize, 192, 9, 4096, 200)                          \
    X(Preferences, "YSize", ySize, PagerSize, 144, 9, 4096, 204)                          \
    X(Colors, "Background", background, Color, plat::COLOR_BACKGROUND, 0, 0, 80)          \
    X(Colors, "Grid", grid, Color, plat::COLOR_WINDOWFRAME, 0, 0, 84)                     \
    X(Colors, "Window", window, Color, plat::COLOR_WINDOW, 0, 0, 88)                      \
    X(Colors, "WindowFrame", windowFrame, Color, plat::COLOR_WINDOWFRAME, 0, 0, 92)       \
    X(Colors, "WindowCaption", windowCaption, Color, plat::COLOR_ACTIVECAPTION, 0, 0, 96) \
    X(Colors, "WindowText", windowText, Color, plat::COLOR_CAPTIONTEXT, 0, 0, 100)        \
    X(WindowPositions, "ResetAtStart", resetAtStart, Int, 0, 0, 0, 164)

#define PARMENA_FONT_SETTINGS(X)                                                          \
    X(Font, "Height", font.lfHeight, FontInt, 0, 0, 0, 104)                               \
    X(Font, "Width", font.lfWidth, FontInt, 0, 0, 0, 108)                                 \
    X(Font, "Escapement", font.lfEscapement, FontInt, 0, 0, 0, 112)                       \
    X(Font, "Orientation", font.lfOrientation, FontInt, 0, 0, 0, 116)                     \
    X(Font, "Weight", font.lfWeight, FontInt, 0, 0, 0, 120)                               \
    X(Font, "Italic", font.lfItalic, FontByte, 0, 0, 0, 124)                              \
    X(Font, "Underline", font.lfUnderline, FontByte, 0, 0, 0, 125)                        \
    X(Font, "StrikeOut", font.lfStrikeOut, FontByte, 0, 0, 0, 126)                        \
    X(Font, "CharSet", font.lfCharSet, FontByte, 0, 0, 0, 127)                            \
    X(Font, "OutPrecision", font.lfOutPrecision, FontByte, 0, 0, 0, 128)                  \
    X(Font, "ClipPrecision", font.lfClipPrecision, FontByte, 0, 0, 0, 129)                \
    X(Font, "Quality", font.lfQuality, FontByte, 0, 0, 0, 130)                            \
    X(Font, "PitchAndFamily", font.lfPitchAndFamily, FontByte, 0, 0, 0, 131)              \
    X(Font, "FaceName", font.lfFaceName, FaceName, 0, 0, 0, 132)

// The grid a cell index can address: one byte each for column and row.
constexpr int MinGridSize = 1, MaxGridSize = 256;
constexpr bool IsGridSize(std::int64_t v) { return v >= MinGridSize && v <= MaxGridSize; }

// The values of the lists the record points to: the remembered windows ("Window Positions")
// and the middle-button entries ("Middle Button"). Each %i is an entry's or a button's index.
namespace list_value {
inline constexpr char PositionCount[] = "Count";
inline constexpr char PositionName[] = "Pos%iName";
inline constexpr char PositionWord[] = "Pos%iPos";
inline constexpr char ProgramCount[] = "ProgSpecCount";
inline constexpr char ProgramName[] = "PS%iName";
inline constexpr char ProgramTransmit[] = "PS%iTransmit";
inline constexpr char ProgramClick[] = "PS%iClick%i";
inline constexpr char ProgramDrag[] = "PS%iDrag%i";
inline constexpr char DefaultTransmit[] = "DefTransmit";
inline constexpr char DefaultClick[] = "DefClick%i";
inline constexpr char DefaultDrag[] = "DefDrag%i";
}  // namespace list_value

// The value names, for code that reads or writes one setting alone: setting_name::xSize.
namespace setting_name {
#define PARMENA_SETTING_NAME(key, name, field, ...) inline constexpr const char field[] = name;
PARMENA_PLAIN_SETTINGS(PARMENA_SETTING_NAME)
#undef PARMENA_SETTING_NAME
}  // namespace setting_name

// Their defaults: setting_default::xSize.
namespace setting_default {
#define PARMENA_SETTING_DEFAULT(key, name, field, kind, def, ...) inline constexpr std::int32_t field = def;
PARMENA_PLAIN_SETTINGS(PARMENA_SETTING_DEFAULT)
#undef PARMENA_SETTING_DEFAULT
}  // namespace setting_default
