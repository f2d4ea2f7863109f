// The middle-button actions the hook library offers. GetClickFuncs and GetMoveFuncs hand
// the dialog library the address of these tables; both libraries read them through this
// header, so it is kept free of Win32 types.
#pragma once
#include <cstdint>

struct MouseAction {
    std::int32_t code;  // the value stored in a MiddleButtonEntry's click or drag slot
    const char* name;   // shown in the settings dialog
};

// A table ends with {0, nullptr}; code 0 is never an action.
inline constexpr MouseAction ClickActions[] = {
    {1, "Pass the click on to the program"},
    {101, "Send the window to the back"},
    {102, "Bring the window to the front"},
    {103, "Minimize the window"},
    {104, "Maximize or restore the window"},
    {105, "Open the pager menu at the pointer"},
    {0, nullptr},
};

inline constexpr MouseAction DragActions[] = {
    {201, "Pass the drag on to the program"},
    {202, "Move the window"},
    {203, "Resize the window"},
    {204, "Move the window by whole desktops"},
    {205, "Move the window horizontally"},
    {206, "Scroll through the desktops"},
    {0, nullptr},
};

// Number of entries before the terminator, or -1 when none is found within `limit`.
inline int CountMouseActions(const MouseAction* table, int limit) {
    for (int i = 0; i < limit; ++i)
        if (table[i].name == nullptr) return i;
    return -1;
}

inline const MouseAction* FindMouseAction(const MouseAction* table, std::int32_t code) {
    for (; table->name != nullptr; ++table)
        if (table->code == code) return table;
    return nullptr;
}
