// The command window: a hidden pop-up with one edit field that runs shortcuts or shell text.
#include "launcher/command_window.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "config/settings.h"
#include "config/shortcuts.h"
#include "launcher/help.h"
#include "launcher/line_edit.h"
#include "platform/display.h"
#include "platform/gdi.h"
#include "platform/kernel.h"
#include "platform/shell.h"
#include "platform/text.h"
#include "platform/window.h"

const char CommandClassName[] = "cmdlinewnd";
plat::Hwnd CommandWindow;

namespace {

const char CommandTitle[] = "Maroke command line";
constexpr int CommandWidth = 128, CommandHeight = 18;
constexpr int MaxTypedText = 255;
constexpr std::uint32_t LineBufferSize = 1024;

plat::WndProc savedEditProc;
bool classRegistered;
plat::Hinstance classModule;

// The edit field's font away from 96 DPI (the stock font is made for the system's DPI), and
// the DPI it was made for.
plat::Hgdi scaledFont;
std::uint32_t scaledFontDpi;
constexpr std::uint32_t BaseDpi = 96;
constexpr int FontPoints = 8;

int ScaleToDpi(int value, std::uint32_t dpi) {
    return static_cast<int>((static_cast<std::int64_t>(value) * dpi + BaseDpi / 2) / BaseDpi);
}

// Sizes the window and its field for the DPI of the monitor it is about to show on.
void FitToDpi(plat::Hwnd w, std::uint32_t dpi, int* width, int* height) {
    *width = ScaleToDpi(CommandWidth, dpi);
    *height = ScaleToDpi(CommandHeight, dpi);
    plat::Hwnd edit = plat::GetDlgItem(w, CommandEditId);
    plat::Hgdi font = plat::GetStockObject(plat::DEFAULT_GUI_FONT);
    if (dpi != BaseDpi) {
        if (!scaledFont || scaledFontDpi != dpi) {
            plat::LogFont lf{};
            lf.lfHeight = -static_cast<std::int32_t>((FontPoints * dpi + 36) / 72);
            lf.lfWeight = 400;
            std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", "MS Shell Dlg");
            plat::Hgdi made = plat::CreateFontIndirect(&lf);
            if (made) {
                // The field lets go of the old font before it is deleted.
                plat::SendMessage(edit, plat::WM_SETFONT, reinterpret_cast<plat::WParam>(made), 0);
                if (scaledFont) plat::DeleteObject(scaledFont);
                scaledFont = made;
                scaledFontDpi = dpi;
            }
        }
        if (scaledFont) font = scaledFont;
    }
    plat::SendMessage(edit, plat::WM_SETFONT, reinterpret_cast<plat::WParam>(font), 0);
    plat::MoveWindow(edit, 0, 0, *width, *height, 0);
}

// The shortcut's name equals the whole text, or its start followed by a space.
bool NameStartsCommand(const char* name, std::size_t nameLength, const char* text) {
    // name holds no zero within nameLength, so the comparison stops at text's terminator.
    return SameFoldedAscii(name, text, nameLength) &&
           (text[nameLength] == '\0' || text[nameLength] == ' ');
}

struct FoundShortcut {
    char command[sizeof(Shortcut::command) + 1];
    char directory[sizeof(Shortcut::directory) + 1];
    std::int32_t show;
    std::size_t nameLength;
};

// Copies what running needs while the list is locked, so the dialog thread may edit it after.
bool FindTypedShortcut(const char* text, FoundShortcut* found) {
    bool hit = false;
    LockShortcuts();
    for (const Shortcut* s = shortcutStore.head; s; s = s->next) {
        std::size_t n = BoundedLength(s->name, sizeof s->name);
        if (n == 0 || !NameStartsCommand(s->name, n, text)) continue;
        std::size_t c = BoundedLength(s->command, sizeof s->command);
        std::size_t d = BoundedLength(s->directory, sizeof s->directory);
        std::memcpy(found->command, s->command, c);
        found->command[c] = '\0';
        std::memcpy(found->directory, s->directory, d);
        found->directory[d] = '\0';
        found->show = s->show;
        found->nameLength = n;
        hit = true;
        break;
    }
    UnlockShortcuts();
    return hit;
}

// False when the expansion does not fit: a cut command line must not be run.
bool Expand(const char* text, char* out) {
    std::uint32_t needed = plat::ExpandEnvironmentStrings(text, out, LineBufferSize);
    if (needed == 0 || needed > LineBufferSize) return false;
    out[LineBufferSize - 1] = '\0';
    return true;
}

void RunTypedText(plat::Hwnd w) {
    char text[MaxTypedText + 1] = "";
    plat::GetDlgItemText(w, CommandEditId, text, sizeof text);
    text[MaxTypedText] = '\0';
    CommandRun run;
    if (!PrepareCommand(text, &run)) return;
    plat::ShellExecute(nullptr, "open", run.file, run.hasParams ? run.params : nullptr,
                        run.hasDirectory ? run.directory : nullptr, run.show);
}

void ShowAtCursor(plat::Hwnd w) {
    plat::Point cursor{0, 0};
    plat::Rect desk{0, 0, 0, 0};
    plat::GetCursorPos(&cursor);
    // On the monitor under the cursor, at that monitor's scale.
    const plat::Hmonitor monitor = plat::MonitorFromPoint(cursor, plat::MONITOR_DEFAULTTONEAREST);
    plat::MonitorInfo info{};
    info.cbSize = sizeof info;
    if (monitor && plat::GetMonitorInfoW(monitor, &info))
        desk = info.rcMonitor;
    else
        plat::GetWindowRect(plat::GetDesktopWindow(), &desk);
    int width = CommandWidth, height = CommandHeight;
    FitToDpi(w, monitor ? plat::GetDpiForMonitor(monitor) : BaseDpi, &width, &height);

    int x = cursor.x - width / 2, y = cursor.y - height / 2;
    if (x < desk.left)
        x = desk.left;
    else if (x + width > desk.right)
        x = desk.right - width;
    if (y < desk.top)
        y = desk.top;
    else if (y + height > desk.bottom)
        y = desk.bottom - height;

    plat::MoveWindow(w, x, y, width, height, 0);
    plat::ShowWindow(w, plat::SW_SHOW);
    plat::SetForegroundWindow(w);
    plat::Hwnd edit = plat::GetDlgItem(w, CommandEditId);
    plat::SetFocus(edit);
    plat::SendMessage(edit, plat::EM_SETSEL, 0, -1);
}

}  // namespace

bool PrepareCommand(const char* typed, CommandRun* run) {
    if (!typed || !run || typed[0] == '\0') return false;
    char text[MaxTypedText + 1];
    CopyUtf8(text, sizeof text, typed);
    run->hasParams = false;
    run->hasDirectory = false;

    FoundShortcut found;
    if (!FindTypedShortcut(text, &found)) {
        const char* params = SplitFileAndParameters(text);
        std::snprintf(run->file, sizeof run->file, "%s", text);
        if (params) std::snprintf(run->params, sizeof run->params, "%s", params);
        run->hasParams = params != nullptr;
        run->show = plat::SW_SHOWDEFAULT;
        return true;
    }

    char line[LineBufferSize];
    std::snprintf(line, sizeof line, "%s%s", found.command, text + found.nameLength);
    // Split before expanding: a variable's value may hold spaces (C:\Program Files).
    const char* params = SplitFileAndParameters(line);
    if (!Expand(line, run->file) || (params && !Expand(params, run->params)) ||
        !Expand(found.directory, run->directory))
        return false;
    run->hasParams = params != nullptr;
    run->hasDirectory = true;
    run->show = ShortcutShowCommand(found.show);
    return true;
}

int ShortcutShowCommand(std::int32_t show) {
    switch (show) {
        case 1:
            return plat::SW_SHOWMAXIMIZED;
        case 2:
            return plat::SW_MINIMIZE;
        default:  // 0, and values no dialog offers
            return plat::SW_SHOWDEFAULT;
    }
}

char* SplitFileAndParameters(char* line) {
    char* params = nullptr;
    bool quoted = false;
    for (char* p = line; *p; ++p) {
        if (*p == '"') {
            quoted = !quoted;
        } else if (*p == ' ' && !quoted) {
            *p = '\0';
            params = p + 1;
            break;
        }
    }
    char* out = line;
    for (const char* in = line; *in; ++in)
        if (*in != '"') *out++ = *in;
    *out = '\0';
    return params;
}

bool CreateCommandWindow(plat::Hinstance module) {
    classModule = module;
    plat::WndClass wc{};
    wc.lpfnWndProc = CommandWindowProc;
    wc.cbWndExtra = sizeof(std::intptr_t);  // slot 0: the completion position
    wc.hInstance = module;
    wc.hCursor = plat::LoadCursor(nullptr, plat::MakeIntResource(plat::IDC_ARROW));
    wc.lpszClassName = CommandClassName;
    classRegistered = plat::RegisterClass(&wc) != 0;
    if (!classRegistered) return false;

    CommandWindow = plat::CreateWindowEx(plat::WS_EX_TOPMOST, CommandClassName, CommandTitle,
                                          plat::WS_POPUP | plat::WS_BORDER, 0, 0, CommandWidth,
                                          CommandHeight, nullptr, nullptr, module, nullptr);
    if (!CommandWindow) return false;
    plat::SetWindowLongPtr(CommandWindow, 0, 0);

    plat::Hwnd edit = plat::CreateWindowEx(
        0, "EDIT", "", plat::WS_CHILD | plat::WS_VISIBLE | plat::ES_AUTOHSCROLL, 0, 0,
        CommandWidth, CommandHeight, CommandWindow,
        reinterpret_cast<plat::Hmenu>(static_cast<std::uintptr_t>(CommandEditId)), module,
        nullptr);
    if (!edit) return false;
    savedEditProc = reinterpret_cast<plat::WndProc>(plat::SetWindowLongPtr(
        edit, plat::GWLP_WNDPROC, reinterpret_cast<std::intptr_t>(&CommandEditProc)));
    plat::SendMessage(edit, plat::WM_SETFONT,
                       reinterpret_cast<plat::WParam>(plat::GetStockObject(plat::DEFAULT_GUI_FONT)),
                       0);
    return true;
}

void DestroyCommandWindow() {
    if (CommandWindow) {
        DiscardCompletion(CommandWindow);
        plat::DestroyWindow(CommandWindow);
    }
    FreeCommandHistory();  // shutdown ends the history's life too
    CommandWindow = nullptr;
    savedEditProc = nullptr;
    if (scaledFont) plat::DeleteObject(scaledFont);
    scaledFont = nullptr;
    scaledFontDpi = 0;
    if (classRegistered) plat::UnregisterClass(CommandClassName, classModule);
    classRegistered = false;
}

plat::LResult PLAT_CALLBACK CommandWindowProc(plat::Hwnd w, std::uint32_t msg, plat::WParam wp,
                                              plat::LParam lp) {
    switch (msg) {
        case plat::WM_HOTKEY:
            ShowAtCursor(w);
            return 0;
        case plat::WM_COMMAND:
            if (plat::HIWORD(wp) == plat::EN_KILLFOCUS) plat::ShowWindow(w, plat::SW_HIDE);
            return 0;
        case plat::WM_CLOSE:
            return 0;
        case MsgRunCommand:
            plat::ShowWindow(w, plat::SW_HIDE);
            if (wp == 0) RunTypedText(w);
            return 0;
        case MsgCommandHelp:
            ShowHelp(settings.pagerWindow, plat::HELP_CONTEXT, CommandHelpContext);
            return 0;
        default:
            return plat::DefWindowProc(w, msg, wp, lp);
    }
}

plat::LResult PLAT_CALLBACK CommandEditProc(plat::Hwnd w, std::uint32_t msg, plat::WParam wp,
                                            plat::LParam lp) {
    switch (msg) {
        case plat::WM_HELP:
            plat::PostMessage(plat::GetParent(w), MsgCommandHelp, 0, 0);
            return 0;
        case plat::WM_KEYDOWN:
            if (wp == static_cast<plat::WParam>(plat::VK_UP)) {
                HistoryOlder(w);
                return 0;
            }
            if (wp == static_cast<plat::WParam>(plat::VK_DOWN)) {
                HistoryNewer(w);
                return 0;
            }
            commandHistory.browsing = false;
            break;
        case plat::WM_CHAR:
            if (wp == static_cast<plat::WParam>(plat::VK_TAB)) {
                const bool shift = (plat::GetAsyncKeyState(plat::VK_SHIFT) & 0x8000) != 0;
                CompletionStep(w, shift);
                return 0;
            }
            if (wp != '#') DiscardCompletion(plat::GetParent(w));
            if (wp == static_cast<plat::WParam>(plat::VK_RETURN)) {
                plat::PostMessage(plat::GetParent(w), MsgRunCommand, 0, 0);
                plat::GetWindowText(w, commandHistory.buffer,
                                     static_cast<int>(sizeof commandHistory.buffer));
                commandHistory.buffer[sizeof commandHistory.buffer - 1] = '\0';
                AddToHistory(commandHistory.buffer);
                return 0;
            }
            if (wp == static_cast<plat::WParam>(plat::VK_ESCAPE)) {
                plat::PostMessage(plat::GetParent(w), MsgRunCommand, 1, 0);
                return 0;
            }
            break;
        case plat::WM_RBUTTONDOWN:
            // Keeps the edit control's own context menu away.
            plat::PostMessage(plat::GetParent(w), msg, wp, lp);
            return 0;
        default:
            break;
    }
    if (!savedEditProc) return plat::DefWindowProc(w, msg, wp, lp);
    return plat::CallWindowProc(savedEditProc, w, msg, wp, lp);
}
