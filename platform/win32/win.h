// Private to the Win32 backend: the real Win32 headers plus handle conversions.
#pragma once

// The portable declarations must be parsed before <windows.h>: its macros (WM_CREATE,
// RGB, CW_USEDEFAULT, GetWindowLongPtrA...) would otherwise rewrite them.
#include "platform/gdi.h"
#include "platform/kernel.h"
#include "platform/libs.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/types.h"
#include "platform/window.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

// On 32-bit Windows these two are macros for the non-Ptr calls; the product links against
// the real names.
#undef GetWindowLongPtrA
#undef SetWindowLongPtrA

namespace w32 {

// Every plat handle type is an opaque pointer of the same size as its Win32 counterpart.
template <class To, class From>
inline To As(From from) {
    static_assert(sizeof(To) == sizeof(From), "handle sizes differ");
    return reinterpret_cast<To>(from);
}

// Function pointers between the plat callback types and the Win32 ones. Going through
// void(*)() keeps -Wcast-function-type quiet about the benign int/long differences.
template <class To, class From>
inline To AsProc(From from) {
    return reinterpret_cast<To>(reinterpret_cast<void (*)()>(from));
}

}  // namespace w32
