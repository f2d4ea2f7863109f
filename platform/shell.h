// Shell operations the product uses, under their Win32 names; texts are UTF-8.
#pragma once
#include "platform/types.h"

namespace plat {

Bool Shell_NotifyIconA(std::uint32_t message, NotifyIconDataA* data);
Hinstance ShellExecuteA(Hwnd owner, const char* verb, const char* file, const char* params,
                        const char* dir, int show);

}  // namespace plat
