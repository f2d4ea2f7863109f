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

void ReadTopLevelWindows(std::vector<plat::Hwnd>& list) {
    list.clear();
    list.reserve(256);
    // A failed enumeration still leaves what it listed, in order.
    plat::EnumDesktopWindows(nullptr, CollectWindow, reinterpret_cast<plat::LParam>(&list));
}

std::vector<plat::Hwnd> TopLevelWindows() {
    std::vector<plat::Hwnd> list;
    ReadTopLevelWindows(list);
    return list;
}
