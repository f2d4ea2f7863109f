#include "core/zorder.h"

#include <cstddef>

#include "platform/window.h"

namespace {

plat::Bool PLAT_CALLBACK CollectWindow(plat::Hwnd w, plat::LParam lp) {
    auto* list = reinterpret_cast<std::vector<plat::Hwnd>*>(lp);
    list->push_back(w);
    return list->size() < static_cast<std::size_t>(MaxWalkSteps);
}

}  // namespace

std::vector<plat::Hwnd> TopLevelWindows() {
    std::vector<plat::Hwnd> list;
    list.reserve(256);
    // A failed enumeration still leaves what it listed, in order.
    plat::EnumWindows(CollectWindow, reinterpret_cast<plat::LParam>(&list));
    return list;
}
