// Shell operations: each forwards to the wide form of the shell32 call of its name.
#include "platform/win32/win.h"

#include <shellapi.h>

using w32::As;
using w32::Wide;

namespace plat {

Bool Shell_NotifyIcon(std::uint32_t message, NotifyIconData* data) {
    if (!data) return FALSE;
    NOTIFYICONDATAW wide{};
    wide.cbSize = NOTIFYICONDATAW_V1_SIZE;
    wide.hWnd = As<HWND>(data->hWnd);
    wide.uID = data->uID;
    wide.uFlags = data->uFlags;
    wide.uCallbackMessage = data->uCallbackMessage;
    wide.hIcon = As<HICON>(data->hIcon);
    const char* tip = data->szTip;
    Utf8ToUtf16(tip, BoundedLength(tip, sizeof data->szTip), wide.szTip, 64);
    return ::Shell_NotifyIconW(message, &wide);
}

Hinstance ShellExecute(Hwnd owner, const char* verb, const char* file, const char* params,
                        const char* dir, int show) {
    return As<Hinstance>(::ShellExecuteW(As<HWND>(owner), Wide(verb).get(), Wide(file).get(),
                                         Wide(params).get(), Wide(dir).get(), show));
}

}  // namespace plat
