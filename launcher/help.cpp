#include "launcher/help.h"

#include <cstdio>

#include "platform/kernel.h"
#include "platform/path.h"
#include "platform/shell.h"
#include "platform/window.h"

const char HelpFile[] = "parm.hlp";
const char GuideFile[] = "parmena.html";

namespace {

// The full path of name beside the program, or false when it cannot be formed.
bool BesideProgram(const char* name, char* out, std::size_t size) {
    char exe[plat::MaxPathBytes];
    const std::uint32_t n = plat::GetModuleFileName(nullptr, exe, sizeof exe);
    if (n == 0 || n >= sizeof exe) return false;  // a cut path names another folder
    exe[n] = '\0';
    return plat::CompanionPath(exe, name, out, size);
}

bool IsFile(const char* path) {
    const std::uint32_t a = plat::GetFileAttributes(path);
    return a != plat::INVALID_FILE_ATTRIBUTES && !(a & plat::FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

void ShowHelp(plat::Hwnd owner, std::uint32_t command, std::uintptr_t context) {
    char path[plat::MaxPathBytes];
    // WinHelp files cannot be opened on current systems, so the guide stands in unless an old
    // installation still ships its help file.
    if (BesideProgram(HelpFile, path, sizeof path) && IsFile(path)) {
        plat::WinHelp(owner, HelpFile, command, context);
        return;
    }
    char text[plat::MaxPathBytes + 96];
    if (!BesideProgram(GuideFile, path, sizeof path) || !IsFile(path)) {
        std::snprintf(text, sizeof text, "Parmena cannot show its help: %s is missing beside the program.",
                      GuideFile);
    } else {
        const auto result = reinterpret_cast<std::uintptr_t>(
            plat::ShellExecute(owner, "open", path, nullptr, nullptr, plat::SW_SHOWNORMAL));
        if (result > 32) return;  // ShellExecute's own success rule
        std::snprintf(text, sizeof text, "Parmena cannot open its help %s (error %u).", path,
                      static_cast<unsigned>(result));
    }
    plat::MessageBox(owner, text, "Parmena", plat::MB_OK | plat::MB_ICONERROR);
}
