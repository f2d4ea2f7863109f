// Folding windows onto the screen and applying remembered positions.
#pragma once

void CompressDesktop(bool onlyKept);
void ApplyRememberedPositions();
