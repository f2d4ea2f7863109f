// GetCapture for the simulated desktop: like Win32, only a window of the calling thread.
#include "platform/sim/sim_internal.h"
#include "platform/window.h"

namespace plat {

Hwnd GetCapture() {
    using namespace simi;
    Lock lk(Mu());
    const std::uintptr_t capture = S().capture;
    Window* w = capture ? Win(capture) : nullptr;
    if (!w || w->thread != CurrentThread()) return nullptr;
    return As<Hwnd>(capture);
}

}  // namespace plat
