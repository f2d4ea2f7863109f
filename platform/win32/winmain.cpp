// The Windows entry point. DPI awareness and the common-controls version come from the
// application manifest (resources/parmena.manifest), not from code.
#include "platform/entry.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR, int) {
    return ParmenaMain(reinterpret_cast<plat::Hinstance>(inst));
}
