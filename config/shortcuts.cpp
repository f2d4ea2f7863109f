// The launcher's shortcut list and its registry form "<show><directory>|<command>".
#include "config/shortcuts.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

#include "config/protocol.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "platform/window.h"

ShortcutStore shortcutStore = {nullptr,        AddShortcut,    RemoveShortcut,
                               SaveShortcut,   DeleteShortcut, FindShortcut};

namespace {

const char WriteError[] = "Error writing shortcut information to registry!";

constexpr std::size_t NameField = sizeof(Shortcut::name);
constexpr std::size_t TextField = sizeof(Shortcut::command);
constexpr std::uint32_t EnumNameSize = 64;
constexpr std::uint32_t EnumDataSize = 1080;

std::mutex listLock;

plat::Hkey RootKey(int root) {
    if (root == 0) return plat::HKEY_CURRENT_USER;
    if (root == 1) return plat::HKEY_LOCAL_MACHINE;
    return nullptr;
}

// Compares as the node stores names: at most NameField - 1 characters.
bool SameName(const char* stored, const char* name) {
    for (std::size_t i = 0; i < NameField - 1; ++i) {
        char a = FoldAscii(stored[i]), b = FoldAscii(name[i]);
        if (a != b) return false;
        if (a == 0) return true;
    }
    return true;
}

bool SameIdentity(const Shortcut* n, const char* name, int root) {
    return n->root == root && SameName(n->name, name);
}

void CopyField(char* field, std::size_t size, const char* text) { CopyUtf8(field, size, text); }

// The stored form keeps the show value in one character, so only 0-9 survive a save and load.
int ClampShow(int show) { return show < 0 ? 0 : (show > 9 ? 9 : show); }

// Splits one stored value; false when it has no bar or a part does not fit a node.
bool ParseShortcutData(char* data, int* show, const char** directory, const char** command) {
    if (data[0] == 0) return false;
    char* bar = std::strchr(data + 1, '|');
    if (!bar) return false;
    *bar = 0;
    *show = ClampShow(static_cast<unsigned char>(data[0]) - '0');
    *directory = data + 1;
    *command = bar + 1;
    return std::strlen(*directory) < TextField && std::strlen(*command) < TextField;
}

}  // namespace

void LockShortcuts() { listLock.lock(); }
void UnlockShortcuts() { listLock.unlock(); }

void LoadShortcuts(plat::Hkey key, int root) {
    if (!key) return;
    for (std::uint32_t index = 0;; ++index) {
        char name[EnumNameSize];
        char data[EnumDataSize + 1];
        std::uint32_t nameLen = EnumNameSize;
        std::uint32_t dataLen = EnumDataSize;
        std::uint32_t type = plat::REG_NONE;
        long rc = plat::RegEnumValue(key, index, name, &nameLen, nullptr, &type,
                                      reinterpret_cast<std::uint8_t*>(data), &dataLen);
        // A value too big for the buffers cannot fit a node anyway: skip just that one.
        if (rc == plat::ERROR_MORE_DATA) continue;
        if (rc != plat::ERROR_SUCCESS) break;
        if (type != plat::REG_SZ) continue;
        if (nameLen >= EnumNameSize || dataLen > EnumDataSize) continue;
        name[nameLen] = 0;
        data[dataLen] = 0;  // stored text may lack its terminator
        if (std::strlen(name) >= NameField) continue;
        int show = 0;
        const char* directory = nullptr;
        const char* command = nullptr;
        if (!ParseShortcutData(data, &show, &directory, &command)) continue;
        AddShortcut(name, command, directory, show, root, nullptr);
    }
}

int PLAT_CALLBACK AddShortcut(const char* name, const char* command, const char* directory,
                              int show, int root, Shortcut** outNode) {
    if (!name) name = "";
    std::lock_guard<std::mutex> hold(listLock);
    for (Shortcut* n = shortcutStore.head; n; n = n->next) {
        if (!SameIdentity(n, name, root)) continue;
        CopyField(n->command, TextField, command);
        CopyField(n->directory, TextField, directory);
        n->show = show;
        n->root = root;
        if (outNode) *outNode = n;
        return 1;
    }
    Shortcut* n = new (std::nothrow) Shortcut;
    if (!n) {
        if (outNode) *outNode = nullptr;
        return -1;
    }
    n->next = nullptr;
    CopyField(n->name, NameField, name);
    CopyField(n->command, TextField, command);
    CopyField(n->directory, TextField, directory);
    n->show = show;
    n->root = root;
    if (root != 0 && shortcutStore.head) {
        Shortcut* last = shortcutStore.head;
        while (last->next) last = last->next;
        last->next = n;
    } else {
        n->next = shortcutStore.head;
        shortcutStore.head = n;
    }
    if (outNode) *outNode = n;
    return 0;
}

int PLAT_CALLBACK RemoveShortcut(const char* name, int root) {
    if (!name) return 0;
    std::lock_guard<std::mutex> hold(listLock);
    for (Shortcut** link = &shortcutStore.head; *link; link = &(*link)->next) {
        Shortcut* n = *link;
        if (!SameIdentity(n, name, root)) continue;
        *link = n->next;
        delete n;
        return 1;
    }
    return 0;
}

Shortcut* PLAT_CALLBACK FindShortcut(const char* name, int root, Shortcut* except) {
    if (!name) return nullptr;
    std::lock_guard<std::mutex> hold(listLock);
    for (Shortcut* n = shortcutStore.head; n; n = n->next)
        if (n != except && SameIdentity(n, name, root)) return n;
    return nullptr;
}

void PLAT_CALLBACK SaveShortcut(Shortcut* node) {
    if (!node) return;
    bool ok = false;
    plat::Hkey root = RootKey(node->root);
    plat::Hkey key = nullptr;
    if (root && plat::RegOpenKeyEx(root, ShortcutsPath, 0, plat::KEY_WRITE, &key) == plat::ERROR_SUCCESS) {
        // The dialog library writes these fields; never read past them.
        char name[NameField + 1];
        std::snprintf(name, sizeof name, "%.*s", static_cast<int>(NameField), node->name);
        char data[EnumDataSize];
        std::snprintf(data, sizeof data, "%i%.*s|%.*s", ClampShow(node->show),
                      static_cast<int>(TextField), node->directory, static_cast<int>(TextField),
                      node->command);
        ok = plat::RegSetValueEx(key, name, 0, plat::REG_SZ,
                                  reinterpret_cast<const std::uint8_t*>(data),
                                  static_cast<std::uint32_t>(std::strlen(data) + 1)) ==
             plat::ERROR_SUCCESS;
        plat::RegCloseKey(key);
    }
    if (!ok) plat::MessageBox(nullptr, WriteError, nullptr, plat::MB_ICONERROR);
}

void PLAT_CALLBACK DeleteShortcut(Shortcut* node) {
    if (!node) return;
    plat::Hkey root = RootKey(node->root);
    plat::Hkey key = nullptr;
    if (!root || plat::RegOpenKeyEx(root, ShortcutsPath, 0, plat::KEY_WRITE, &key) != plat::ERROR_SUCCESS)
        return;
    char name[NameField + 1];
    std::snprintf(name, sizeof name, "%.*s", static_cast<int>(NameField), node->name);
    plat::RegDeleteValue(key, name);
    plat::RegCloseKey(key);
}

void FreeShortcuts() {
    std::lock_guard<std::mutex> hold(listLock);
    Shortcut* n = shortcutStore.head;
    shortcutStore.head = nullptr;
    while (n) {
        Shortcut* next = n->next;
        delete n;
        n = next;
    }
}
