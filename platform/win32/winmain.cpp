// The Windows entry point. DPI awareness and the common-controls version come from the
// application manifest (resources/parmena.manifest), not from code.
#include <cwchar>
#include <string>

#include "platform/entry.h"
#include "platform/win32/win.h"

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR, int) {
    const wchar_t* line = ::GetCommandLineW();
    const std::size_t length = line ? std::wcslen(line) : 0;
    std::string utf8(Utf16ToUtf8(line, length, nullptr, 0) + 1, '\0');
    Utf16ToUtf8(line, length, &utf8[0], utf8.size());
    const int switchCode = ParmenaSwitch(utf8.c_str());
    if (switchCode >= 0) return switchCode;
    return ParmenaMain(reinterpret_cast<plat::Hinstance>(inst));
}
