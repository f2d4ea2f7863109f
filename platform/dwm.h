// The desktop window manager's view of a window, where the system has one.
#pragma once
#include "platform/types.h"

namespace plat {

constexpr std::uint32_t DWMWA_CLOAKED = 14;

// HRESULT of the call: 0 on success, a failure code where the system has no window manager library (before
// Vista, or under Wine without one) or the attribute is unknown to it.
long DwmGetWindowAttribute(Hwnd w, std::uint32_t attribute, void* value, std::uint32_t size);

}  // namespace plat
