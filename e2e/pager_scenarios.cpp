// Scenarios that work Parmena through its pager window with the mouse.
#include "e2e/scene.h"

namespace e2e {

std::vector<const char*> PagerScenarioNames() { return {}; }

void RunPagerScenarios(Parmena&) {}

}  // namespace e2e
