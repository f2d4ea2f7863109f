#include "core/windows.h"

#include <cstring>

#include "platform/dwm.h"
#include "platform/text.h"
#include "platform/window.h"

namespace {

bool AnyEntryMatches(std::uint32_t flag, const char* title) {
    for (const WindowPositionEntry* e = FirstPositionEntry(); e; e = e->next)
        if ((e->position & flag) && MatchWindowName(e->name, title)) return true;
    return false;
}

// An owner chain longer than this can only be a cycle.
constexpr int MaxOwnerSteps = 256;

}  // namespace

WindowTitle ReadWindowTitle(plat::Hwnd w) {
    WindowTitle t;
    int n = plat::GetWindowText(w, t.text, sizeof t.text);
    if (n < 0) n = 0;
    t.text[Utf8CutLength(t.text, static_cast<std::size_t>(n), MaxTitleLength)] = '\0';
    return t;
}

bool AnyPositionEntryHas(std::uint32_t flag) {
    for (const WindowPositionEntry* e = FirstPositionEntry(); e; e = e->next)
        if (e->position & flag) return true;
    return false;
}

bool MatchWindowName(const char* pattern, const char* title) {
    if (!pattern) pattern = "";
    if (!title) title = "";
    const std::size_t plen = std::strlen(pattern);
    const std::size_t tlen = std::strlen(title);
    if (plen > 0 && pattern[0] == '*') {
        const std::size_t slen = plen - 1;
        return tlen >= slen && SameFoldedAscii(title + (tlen - slen), pattern + 1, slen);
    }
    if (plen > 0 && pattern[plen - 1] == '*') {
        const std::size_t slen = plen - 1;
        return tlen >= slen && SameFoldedAscii(title, pattern, slen);
    }
    return tlen == plen && SameFoldedAscii(title, pattern, plen);
}

bool IsKeptInPlace(plat::Hwnd w) {
    if (!AnyPositionEntryHas(KeepInPlace)) return false;
    return AnyEntryMatches(KeepInPlace, ReadWindowTitle(w).text);
}

bool IsMinimizedOnSwitch(plat::Hwnd w) {
    if (!AnyPositionEntryHas(MinimizeOnSwitch)) return false;
    plat::Hwnd root = w;
    for (int i = 0; i < MaxOwnerSteps; ++i) {
        plat::Hwnd up = plat::GetParent(root);
        if (!up) break;
        root = up;
    }
    return AnyEntryMatches(MinimizeOnSwitch, ReadWindowTitle(root).text);
}

// By owner rather than parent: an owned window without WS_POPUP has no parent to report.
plat::Hwnd RootOwner(plat::Hwnd w) {
    plat::Hwnd root = w;
    for (int i = 0; i < MaxOwnerSteps; ++i) {
        const plat::Hwnd up = plat::GetWindow(root, plat::GW_OWNER);
        if (!up) break;
        root = up;
    }
    return root;
}

bool IsTaskbar(plat::Hwnd w) {
    char name[256];
    int n = plat::GetClassName(w, name, sizeof name);
    if (n <= 0) return false;
    if (n > static_cast<int>(sizeof name) - 1) n = sizeof name - 1;
    name[n] = '\0';
    return std::strcmp(name, "Shell_TrayWnd") == 0;
}

bool IsCloaked(plat::Hwnd w) {
    std::uint32_t cloaked = 0;
    return plat::DwmGetWindowAttribute(w, plat::DWMWA_CLOAKED, &cloaked, sizeof cloaked) == 0 &&
           cloaked != 0;
}
