// The remembered window positions, replaced by the list the settings dialog edited.
#include <cstdint>
#include <memory>
#include <new>

#include "app/app.h"
#include "config/settings.h"
#include "platform/kernel.h"
#include "platform/text.h"
#include "platform/window.h"

namespace {

// The dialog library's list box lives in this process. A window of another process, or
// something that is no list box at all, would replace the remembered windows from outside,
// and the next save would store them.
bool IsOwnListBox(plat::Hwnd w) {
    if (!w || !plat::IsWindow(w)) return false;
    std::uint32_t process = 0;
    if (!plat::GetWindowThreadProcessId(w, &process) || process != plat::GetCurrentProcessId())
        return false;
    char cls[16] = "";
    const int n = plat::GetClassName(w, cls, sizeof cls);
    static const char ListBoxClass[] = "listbox";
    if (n != static_cast<int>(sizeof ListBoxClass - 1)) return false;
    return SameFoldedAscii(cls, ListBoxClass, sizeof ListBoxClass - 1);
}

// Reads an item's text into scratch (MaxPositionNameLength + 1 bytes). Longer names could
// be saved but never loaded again: they are cut, before a character.
bool ReadListText(plat::Hwnd listBox, plat::WParam index, char* scratch) {
    return plat::GetListBoxText(listBox, static_cast<int>(index), scratch,
                                 static_cast<int>(MaxPositionNameLength) + 1) >= 0;
}

// Appends the list box items whose KeepInPlace bit equals `kept`, in list box order.
WindowPositionEntry** AppendPositions(plat::Hwnd listBox, plat::LResult count, bool kept,
                                      char* scratch, WindowPositionEntry** tail) {
    for (plat::LResult i = 0; i < count; ++i) {
        auto index = static_cast<plat::WParam>(i);
        auto position =
            static_cast<std::uint32_t>(plat::SendMessage(listBox, plat::LB_GETITEMDATA, index, 0));
        if (((position & KeepInPlace) != 0) != kept) continue;
        if (!ReadListText(listBox, index, scratch)) continue;
        WindowPositionEntry* entry = NewPositionEntry(scratch, position);
        if (!entry) continue;
        *tail = entry;
        tail = &entry->next;
    }
    return tail;
}

}  // namespace

void ReplacePositionList(plat::Hwnd listBox) {
    // Anything but the dialog's list: the remembered windows stay.
    if (!IsOwnListBox(listBox)) return;
    std::unique_ptr<char[]> scratch(new (std::nothrow) char[MaxPositionNameLength + 1]);
    if (!scratch) return;
    FreePositionList();
    plat::LResult count = plat::SendMessage(listBox, plat::LB_GETCOUNT, 0, 0);
    if (count < 0) count = 0;  // LB_ERR
    if (count > MaxPositionEntries) count = MaxPositionEntries;
    WindowPositionEntry** tail = &settings.positionList.next;
    tail = AppendPositions(listBox, count, false, scratch.get(), tail);
    AppendPositions(listBox, count, true, scratch.get(), tail);
}
