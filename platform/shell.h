// Shell operations the product uses, under their Win32 names; texts are UTF-8.
#pragma once
#include "platform/types.h"

namespace plat {

Bool Shell_NotifyIcon(std::uint32_t message, NotifyIconData* data);
Hinstance ShellExecute(Hwnd owner, const char* verb, const char* file, const char* params,
                        const char* dir, int show);

}  // namespace plat
