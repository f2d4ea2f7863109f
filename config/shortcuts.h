// The launcher's named shortcuts, shared with the dialog library through ShortcutStore.
#pragma once
#include <cstdint>

#include "platform/types.h"

struct Shortcut {
    Shortcut* next;
    char name[32];
    char command[512];
    char directory[512];
    std::int32_t show;
    std::int32_t root;  // 0 per-user, 1 machine-wide
};

using AddShortcutFn = int(PLAT_CALLBACK*)(const char* name, const char* command,
                                          const char* directory, int show, int root,
                                          Shortcut** outNode);
using RemoveShortcutFn = int(PLAT_CALLBACK*)(const char* name, int root);
using SaveShortcutFn = void(PLAT_CALLBACK*)(Shortcut* node);
using DeleteShortcutFn = void(PLAT_CALLBACK*)(Shortcut* node);
using FindShortcutFn = Shortcut*(PLAT_CALLBACK*)(const char* name, int root, Shortcut* except);

struct ShortcutStore {
    Shortcut* head;
    AddShortcutFn add;
    RemoveShortcutFn remove;
    SaveShortcutFn save;
    DeleteShortcutFn del;
    FindShortcutFn find;
};
extern ShortcutStore shortcutStore;

// Values that do not fit a node (name over 31 characters, directory or command over 511) are
// skipped and enumeration goes on; AddShortcut truncates such texts instead.
void LoadShortcuts(plat::Hkey key, int root);
// Returns 1 when an existing node was updated, 0 for a new node, -1 (outNode set to null)
// when no memory was left for a new node.
int PLAT_CALLBACK AddShortcut(const char* name, const char* command, const char* directory,
                              int show, int root, Shortcut** outNode);
int PLAT_CALLBACK RemoveShortcut(const char* name, int root);
void PLAT_CALLBACK SaveShortcut(Shortcut* node);
void PLAT_CALLBACK DeleteShortcut(Shortcut* node);
Shortcut* PLAT_CALLBACK FindShortcut(const char* name, int root, Shortcut* except);
// Frees every node (tests and shutdown).
void FreeShortcuts();

// Guards the list between the dialog thread's edits and the command window's lookups.
// The operations above take it themselves; hold it only around a direct walk of the list.
void LockShortcuts();
void UnlockShortcuts();
