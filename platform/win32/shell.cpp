// Shell operations: each forwards to the shell32 call of the same name.
#include "platform/win32/win.h"

#include <shellapi.h>

using w32::As;

namespace plat {

Bool Shell_NotifyIconA(std::uint32_t message, NotifyIconDataA* data) {
    return ::Shell_NotifyIconA(message, reinterpret_cast<NOTIFYICONDATAA*>(data));
}

Hinstance ShellExecuteA(Hwnd owner, const char* verb, const char* file, const char* params,
                        const char* dir, int show) {
    return As<Hinstance>(::ShellExecuteA(As<HWND>(owner), verb, file, params, dir, show));
}

}  // namespace plat
