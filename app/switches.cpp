// The installer's switches: close a running Parmena before its files go, forget the log-on
// entry of the copy being removed, write it again after an upgrade that took it away.
#include "app/switches.h"

#include <string>
#include <vector>

#include "app/app.h"
#include "config/logon.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "platform/window.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool Is(const std::string& arg, const char* name) {
    const std::string n = name;
    return arg.size() == n.size() && SameFoldedAscii(arg.data(), n.data(), n.size());
}

plat::Bool PLAT_CALLBACK CollectPager(plat::Hwnd w, plat::LParam lp) {
    char cls[64];
    const int n = plat::GetClassName(w, cls, sizeof cls);
    if (n > 0 && Is(std::string(cls, static_cast<std::size_t>(n)), PagerClassName))
        reinterpret_cast<std::vector<plat::Hwnd>*>(lp)->push_back(w);
    return 1;
}

}  // namespace

Switch ParseSwitch(const char* commandLine) {
    if (!commandLine) return Switch::None;
    const char* p = commandLine;
    while (IsBlank(*p)) ++p;
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p) ++p;
    } else {
        while (*p && !IsBlank(*p)) ++p;
    }
    std::string rest = p;
    const std::size_t first = rest.find_first_not_of(" \t");
    if (first == std::string::npos) return Switch::None;
    rest = rest.substr(first, rest.find_last_not_of(" \t") - first + 1);
    if (Is(rest, "/close")) return Switch::Close;
    if (Is(rest, "/uninstall")) return Switch::Uninstall;
    if (Is(rest, "/logon")) return Switch::Logon;
    return Switch::None;
}

bool CloseRunningParmena(std::uint32_t waitMs) {
    std::vector<plat::Hwnd> pagers;
    plat::EnumDesktopWindows(nullptr, CollectPager, reinterpret_cast<plat::LParam>(&pagers));
    bool ended = true;
    for (plat::Hwnd w : pagers) {
        std::uint32_t pid = 0;
        if (!plat::GetWindowThreadProcessId(w, &pid)) continue;  // gone meanwhile
        // Opened before the close, so that its end cannot be missed.
        const plat::Handle process = plat::OpenProcess(plat::SYNCHRONIZE, 0, pid);
        // The pager's own close: every window comes home before the process ends.
        if (!plat::PostMessage(w, plat::WM_CLOSE, 0, 0) && plat::IsWindow(w)) {
            if (process) plat::CloseHandle(process);
            ended = false;
            continue;
        }
        if (process) {
            ended = plat::WaitForSingleObject(process, waitMs) == plat::WAIT_OBJECT_0 && ended;
            plat::CloseHandle(process);
            continue;
        }
        // A process that cannot be opened: its pager going is the best sign there is.
        std::uint32_t waited = 0;
        while (plat::IsWindow(w) && waited < waitMs) {
            plat::Sleep(50);
            waited += 50;
        }
        ended = !plat::IsWindow(w) && ended;
    }
    return ended;
}

void ForgetLogonEntry(const char* exePath) {
    plat::Hkey key = nullptr;
    if (plat::RegOpenKeyEx(plat::HKEY_CURRENT_USER, RunKeyPath, 0,
                           plat::KEY_QUERY_VALUE | plat::KEY_SET_VALUE, &key) != plat::ERROR_SUCCESS)
        return;
    char data[4096];
    std::uint32_t size = sizeof data, type = 0;
    if (plat::RegQueryValueEx(key, RunValueName, nullptr, &type, reinterpret_cast<std::uint8_t*>(data),
                              &size) == plat::ERROR_SUCCESS &&
        (type == plat::REG_SZ || type == plat::REG_EXPAND_SZ) &&
        RunValueIsProgram(std::string(data, BoundedLength(data, size)).c_str(), exePath))
        plat::RegDeleteValue(key, RunValueName);
    plat::RegCloseKey(key);
}

bool WriteLogonEntry(const char* exePath) {
    plat::Hkey key = nullptr;
    if (plat::RegCreateKeyEx(plat::HKEY_CURRENT_USER, RunKeyPath, 0, nullptr, 0, plat::KEY_SET_VALUE, nullptr,
                             &key, nullptr) != plat::ERROR_SUCCESS)
        return false;
    const std::string value = RunValueFor(exePath);
    const bool ok = plat::RegSetValueEx(key, RunValueName, 0, plat::REG_SZ,
                                        reinterpret_cast<const std::uint8_t*>(value.c_str()),
                                        static_cast<std::uint32_t>(value.size() + 1)) == plat::ERROR_SUCCESS;
    plat::RegCloseKey(key);
    return ok;
}

int ParmenaSwitch(const char* commandLine) {
    const Switch s = ParseSwitch(commandLine);
    if (s == Switch::None) return -1;
    char exe[4096];
    const std::uint32_t n = plat::GetModuleFileName(nullptr, exe, sizeof exe);
    const bool haveExe = n > 0 && n < sizeof exe;
    if (s == Switch::Logon) return haveExe && WriteLogonEntry(exe) ? 0 : 1;
    if (!CloseRunningParmena(CloseWaitMs)) return 1;
    if (s == Switch::Uninstall && haveExe) ForgetLogonEntry(exe);
    return 0;
}
