#include "core/windows.h"

#include <cstring>

#include "platform/window.h"

namespace {

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameFolded(const char* a, const char* b, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

bool AnyEntryMatches(std::uint32_t flag, const char* title) {
    for (const WindowPositionEntry* e = FirstPositionEntry(); e; e = e->next)
        if ((e->position & flag) && MatchWindowName(e->name, title)) return true;
    return false;
}

// An owner chain longer than this can only be a cycle.
constexpr int MaxOwnerSteps = 256;

}  // namespace

void ReadWindowTitle(plat::Hwnd w, char* buf, int size) {
    if (size <= 0) return;
    int n = plat::GetWindowTextA(w, buf, size);
    if (n < 0) n = 0;
    if (n > size - 1) n = size - 1;
    buf[n] = '\0';
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
        return tlen >= slen && SameFolded(title + (tlen - slen), pattern + 1, slen);
    }
    if (plen > 0 && pattern[plen - 1] == '*') {
        const std::size_t slen = plen - 1;
        return tlen >= slen && SameFolded(title, pattern, slen);
    }
    return tlen == plen && SameFolded(title, pattern, plen);
}

bool IsKeptInPlace(plat::Hwnd w) {
    if (!AnyPositionEntryHas(KeepInPlace)) return false;
    char title[1024];
    ReadWindowTitle(w, title, sizeof title);
    return AnyEntryMatches(KeepInPlace, title);
}

bool IsMinimizedOnSwitch(plat::Hwnd w) {
    if (!AnyPositionEntryHas(MinimizeOnSwitch)) return false;
    plat::Hwnd root = w;
    for (int i = 0; i < MaxOwnerSteps; ++i) {
        plat::Hwnd up = plat::GetParent(root);
        if (!up) break;
        root = up;
    }
    char title[256];
    ReadWindowTitle(root, title, sizeof title);
    return AnyEntryMatches(MinimizeOnSwitch, title);
}

bool IsTaskbar(plat::Hwnd w) {
    char name[256];
    int n = plat::GetClassNameA(w, name, sizeof name);
    if (n <= 0) return false;
    if (n > static_cast<int>(sizeof name) - 1) n = sizeof name - 1;
    name[n] = '\0';
    return std::strcmp(name, "Shell_TrayWnd") == 0;
}
