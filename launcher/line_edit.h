// Line editing in the command window's edit field: command history and file-name completion.
#pragma once
#include <cstddef>

#include "platform/types.h"

constexpr std::size_t HistoryTextSize = 1024;    // texts up to 1023 characters
constexpr std::size_t CompletionTextSize = 260;  // typed input and shown candidate: 259

struct HistoryEntry {
    HistoryEntry* newer;
    HistoryEntry* older;
    char* text;
};

// Lives for the whole process; kept in memory only.
struct CommandHistory {
    HistoryEntry* newest;
    HistoryEntry* cursor;  // the entry browsing showed last
    char prefix[HistoryTextSize];
    bool browsing;
    char buffer[HistoryTextSize];
};
extern CommandHistory commandHistory;

// One completion candidate. The candidates of one search link to each other, so the one shown
// (held in the command window's extra slot 0) reaches all the others.
struct CompletionCandidate {
    CompletionCandidate* next;
    CompletionCandidate* previous;
    const char* directory;  // shared by the whole list
    char* name;             // with a trailing '\' for folders
};

// ASCII-only case folding: the history must not depend on the user's locale.
bool HistoryTextMatches(const char* text, const char* prefix);

// Skips the line when browsing just showed it or when it repeats the newest entry.
void AddToHistory(const char* line);
void HistoryOlder(plat::Hwnd edit);
void HistoryNewer(plat::Hwnd edit);
void FreeCommandHistory();

// Length of the pattern's directory part, the text the candidates' names follow.
std::size_t CompletionDirectoryLength(const char* pattern);

// Builds the list on the first Tab, then steps through it without wrapping around.
void CompletionStep(plat::Hwnd edit, bool backward);
// Frees the list held by the command window and clears its slot.
void DiscardCompletion(plat::Hwnd commandWindow);
