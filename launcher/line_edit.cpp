// Command history (Up/Down) and file-name completion (Tab/Shift+Tab) for the command edit field.
#include "launcher/line_edit.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "platform/kernel.h"
#include "platform/text.h"
#include "platform/window.h"

CommandHistory commandHistory;

namespace {

constexpr int CompletionSlot = 0;

void ReadEditText(plat::Hwnd edit, char* buffer, std::size_t size) {
    buffer[0] = '\0';
    plat::GetWindowText(edit, buffer, static_cast<int>(size));
    buffer[size - 1] = '\0';
}

void ShowText(plat::Hwnd edit, const char* text) {
    plat::SetWindowText(edit, text);
    // The end in the control's own units, which are not bytes of UTF-8.
    const plat::LResult length = plat::SendMessage(edit, plat::WM_GETTEXTLENGTH, 0, 0);
    plat::SendMessage(edit, plat::EM_SETSEL, static_cast<plat::WParam>(length), length);
}

HistoryEntry* OlderMatch(HistoryEntry* from, const char* prefix) {
    for (HistoryEntry* e = from; e; e = e->older)
        if (HistoryTextMatches(e->text, prefix)) return e;
    return nullptr;
}

HistoryEntry* NewerMatch(HistoryEntry* from, const char* prefix) {
    for (HistoryEntry* e = from; e; e = e->newer)
        if (HistoryTextMatches(e->text, prefix)) return e;
    return nullptr;
}

CompletionCandidate* CurrentCandidate(plat::Hwnd commandWindow) {
    return reinterpret_cast<CompletionCandidate*>(
        plat::GetWindowLongPtr(commandWindow, CompletionSlot));
}

void FreeCandidates(CompletionCandidate* any) {
    if (!any) return;
    while (any->previous) any = any->previous;
    const char* directory = any->directory;
    while (any) {
        CompletionCandidate* next = any->next;
        delete[] any->name;
        delete any;
        any = next;
    }
    delete[] directory;
}

bool NeedsQuotes(const char* directory, std::size_t directoryLength, const char* name,
                 std::size_t nameLength) {
    return std::memchr(directory, ' ', directoryLength) || std::memchr(name, ' ', nameLength);
}

// The first word of the typed text with its quotes removed, and a '*' unless it has one.
// False when the text or the pattern is longer than the search can take.
bool CompletionPattern(plat::Hwnd edit, char* pattern, std::size_t size) {
    char text[CompletionTextSize + 1];
    ReadEditText(edit, text, sizeof text);
    if (std::strlen(text) >= CompletionTextSize) return false;
    std::size_t n = 0;
    bool quoted = false, star = false;
    for (const char* p = text; *p && n + 1 < size; ++p) {
        if (*p == '"') {
            quoted = !quoted;
            continue;
        }
        if (*p == ' ' && !quoted) break;
        if (*p == '*') star = true;
        pattern[n++] = *p;
    }
    if (!star && n + 1 < size) pattern[n++] = '*';
    pattern[n] = '\0';
    return n < CompletionTextSize;
}

// Candidates that could not be shown within the edit limit are left out rather than cut,
// since a cut name would name a different file.
CompletionCandidate* BuildCompletion(plat::Hwnd edit) {
    char pattern[CompletionTextSize + 1];
    if (!CompletionPattern(edit, pattern, sizeof pattern)) return nullptr;
    const std::size_t directoryLength = CompletionDirectoryLength(pattern);
    char* directory = new (std::nothrow) char[directoryLength + 1];
    if (!directory) return nullptr;
    std::memcpy(directory, pattern, directoryLength);
    directory[directoryLength] = '\0';

    plat::Win32FindData found;
    std::memset(&found, 0, sizeof found);
    plat::Handle search = plat::FindFirstFile(pattern, &found);
    if (!search || search == plat::INVALID_HANDLE_VALUE) {
        delete[] directory;
        return nullptr;
    }
    CompletionCandidate* first = nullptr;
    CompletionCandidate* last = nullptr;
    do {
        const std::size_t nameLength = BoundedLength(found.cFileName, sizeof found.cFileName);
        const bool folder = (found.dwFileAttributes & plat::FILE_ATTRIBUTE_DIRECTORY) != 0;
        std::size_t shown = directoryLength + nameLength + (folder ? 1 : 0);
        if (NeedsQuotes(directory, directoryLength, found.cFileName, nameLength)) shown += 2;
        if (nameLength == 0 || shown >= CompletionTextSize) continue;

        CompletionCandidate* c =
            new (std::nothrow) CompletionCandidate{nullptr, last, directory, nullptr};
        char* name = new (std::nothrow) char[nameLength + 2];
        if (!c || !name) {
            delete c;
            delete[] name;
            break;
        }
        std::memcpy(name, found.cFileName, nameLength);
        name[nameLength] = '\\';
        name[nameLength + (folder ? 1 : 0)] = '\0';
        c->name = name;
        if (last)
            last->next = c;
        else
            first = c;
        last = c;
    } while (plat::FindNextFile(search, &found));
    plat::FindClose(search);
    if (!first) delete[] directory;
    return first;
}

void ShowCandidate(plat::Hwnd edit, plat::Hwnd commandWindow, CompletionCandidate* c) {
    char text[CompletionTextSize];
    const bool quote =
        NeedsQuotes(c->directory, std::strlen(c->directory), c->name, std::strlen(c->name));
    std::snprintf(text, sizeof text, quote ? "\"%s%s\"" : "%s%s", c->directory, c->name);
    plat::SetWindowLongPtr(commandWindow, CompletionSlot, reinterpret_cast<std::intptr_t>(c));
    ShowText(edit, text);
}

}  // namespace

// A drive colon and forward slashes end the directory too, so 'c:win' keeps its 'c:'.
std::size_t CompletionDirectoryLength(const char* pattern) {
    std::size_t length = 0;
    for (std::size_t i = 0; pattern[i]; ++i)
        if (pattern[i] == '\\' || pattern[i] == '/' || pattern[i] == ':') length = i + 1;
    return length;
}

bool HistoryTextMatches(const char* text, const char* prefix) {
    for (; *prefix; ++prefix, ++text)
        if (*text == '\0' || FoldAscii(*text) != FoldAscii(*prefix)) return false;
    return true;
}

void AddToHistory(const char* line) {
    CommandHistory& h = commandHistory;
    char text[HistoryTextSize];
    const std::size_t length = BoundedLength(line, sizeof text - 1);
    std::memmove(text, line, length);
    text[length] = '\0';

    if (h.cursor && EqualFoldedAscii(h.cursor->text, text)) return;
    if (h.newest && EqualFoldedAscii(h.newest->text, text)) return;

    HistoryEntry* e = new (std::nothrow) HistoryEntry{nullptr, h.newest, nullptr};
    char* copy = new (std::nothrow) char[length + 1];
    if (!e || !copy) {
        delete e;
        delete[] copy;
        return;
    }
    std::memcpy(copy, text, length + 1);
    e->text = copy;
    if (h.newest) h.newest->newer = e;
    h.newest = e;
}

void HistoryOlder(plat::Hwnd edit) {
    CommandHistory& h = commandHistory;
    if (h.browsing) {
        if (HistoryEntry* e = OlderMatch(h.cursor ? h.cursor->older : nullptr, h.prefix))
            h.cursor = e;
        if (h.cursor) ShowText(edit, h.cursor->text);
        return;
    }

    // A fully selected text is the previous command shown again, not a prefix the user typed.
    std::uint32_t start = 0, end = 0;
    plat::SendMessage(edit, plat::EM_GETSEL, reinterpret_cast<plat::WParam>(&start),
                       reinterpret_cast<plat::LParam>(&end));
    const plat::LResult length = plat::SendMessage(edit, plat::WM_GETTEXTLENGTH, 0, 0);
    if (start == 0 && static_cast<plat::LResult>(end) == length)
        h.prefix[0] = '\0';
    else
        ReadEditText(edit, h.prefix, sizeof h.prefix);

    h.cursor = OlderMatch(h.newest, h.prefix);
    if (!h.cursor) {
        plat::SendMessage(edit, plat::EM_SETSEL, 0, 0);
        return;
    }
    h.browsing = true;
    ShowText(edit, h.cursor->text);
}

void HistoryNewer(plat::Hwnd edit) {
    CommandHistory& h = commandHistory;
    if (!h.browsing || !h.cursor) return;
    if (HistoryEntry* e = NewerMatch(h.cursor->newer, h.prefix)) h.cursor = e;
    ShowText(edit, h.cursor->text);
}

void FreeCommandHistory() {
    CommandHistory& h = commandHistory;
    while (HistoryEntry* e = h.newest) {
        h.newest = e->older;
        delete[] e->text;
        delete e;
    }
    h.cursor = nullptr;
    h.browsing = false;
    h.prefix[0] = '\0';
}

void CompletionStep(plat::Hwnd edit, bool backward) {
    plat::Hwnd commandWindow = plat::GetParent(edit);
    if (!commandWindow) return;  // nowhere to keep a list
    CompletionCandidate* current = CurrentCandidate(commandWindow);
    if (!current) {
        current = BuildCompletion(edit);
        if (current) ShowCandidate(edit, commandWindow, current);
        return;
    }
    if (CompletionCandidate* to = backward ? current->previous : current->next)
        ShowCandidate(edit, commandWindow, to);
}

void DiscardCompletion(plat::Hwnd commandWindow) {
    if (!commandWindow) return;
    CompletionCandidate* current = CurrentCandidate(commandWindow);
    if (!current) return;
    plat::SetWindowLongPtr(commandWindow, CompletionSlot, 0);
    FreeCandidates(current);
}
