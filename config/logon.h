// The "Start Parmena when I log on" entry: a value of the user's Run key naming the program.
// Written by the settings dialog, removed by it or by the uninstaller. Header-only: the dialog
// library uses it too and links no part of the program.
#pragma once
#include <string>

#include "platform/text.h"

inline constexpr char RunKeyPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";  // HKCU
inline constexpr char RunValueName[] = "Parmena";

// Whether a stored Run value starts this program: the path, quoted or not, compared without
// letter case.
inline bool RunValueIsProgram(const char* stored, const char* exePath) {
    if (!stored || !exePath || !*exePath) return false;
    std::string s = stored;
    while (!s.empty() && s.back() == ' ') s.pop_back();
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
    const std::string exe = exePath;
    return s.size() == exe.size() && SameFoldedAscii(s.data(), exe.data(), s.size());
}

inline std::string RunValueFor(const char* exePath) { return std::string("\"") + exePath + "\""; }
