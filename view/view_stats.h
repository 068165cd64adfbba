#pragma once
// Running totals the view keeps for the --stats report.

#include <cstdint>

struct ViewStats {
    std::uint64_t ticks = 0;
    std::uint64_t frames = 0;
    std::uint64_t steps = 0;
    double stepMilliseconds = 0.0;    // summed over all steps
    double renderMilliseconds = 0.0;  // summed over all frames
    double lastStepMilliseconds = 0.0;
    double lastRenderMilliseconds = 0.0;
    // The world's history: the simulated seconds of the moment shown, and
    // how many seconds are kept.
    double shownSeconds = 0.0;
    double historySeconds = 0.0;
};
