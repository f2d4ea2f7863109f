// The one-line command window summoned by the shell hotkey.
#pragma once
#include <cstdint>

#include "platform/types.h"

extern const char CommandClassName[];  // "cmdlinewnd"
extern plat::Hwnd CommandWindow;

// Posted by the edit field: wParam 0 runs the typed text, 1 cancels.
constexpr std::uint32_t MsgRunCommand = plat::WM_USER + 1;
constexpr std::uint32_t MsgCommandHelp = plat::WM_USER + 2;
constexpr int CommandEditId = 101;
constexpr int CommandHelpContext = 1004;

// The class and the window belong to `module`, the program's.
bool CreateCommandWindow(plat::Hinstance module);
void DestroyCommandWindow();
plat::LResult PLAT_CALLBACK CommandWindowProc(plat::Hwnd w, std::uint32_t msg, plat::WParam wp,
                                              plat::LParam lp);
// The edit field's procedure; what it does not handle goes to the edit control's own.
plat::LResult PLAT_CALLBACK CommandEditProc(plat::Hwnd w, std::uint32_t msg, plat::WParam wp,
                                            plat::LParam lp);

// What running a typed line starts: a shortcut's expanded command line split into file and
// parameters, or the typed text itself.
struct CommandRun {
    char file[1024];
    char params[1024];
    char directory[1024];
    bool hasParams, hasDirectory;
    int show;
};
// False when nothing is to run: empty text, or an expansion too long for its buffer.
bool PrepareCommand(const char* typed, CommandRun* run);

// Show command for a shortcut's stored show value.
int ShortcutShowCommand(std::int32_t show);
// Cuts line in place at the first space outside double quotes and removes the quotes from the
// file part. Returns the parameters (the text after that space), or null when there is none.
char* SplitFileAndParameters(char* line);
