// The Windows entry point. DPI awareness and the common-controls version come from the
// application manifest (resources/parmena.manifest), not from code.
#include "platform/entry.h"
#include "platform/win32/win.h"

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR, int) {
    return ParmenaMain(reinterpret_cast<plat::Hinstance>(inst));
}
