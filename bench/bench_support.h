// What the host benchmarks share: a fresh simulated desktop with the settings loaded and a
// stand-in pager window, as the program has at start.
#pragma once
#include <cstdint>

// Resets the simulated desktop, loads the settings and makes a pager of the given style.
void StartBenchDesktop(std::uint32_t pagerStyle);

void RunRelayoutBench();  // relayout_bench.cpp
