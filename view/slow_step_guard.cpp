#include "view/slow_step_guard.h"

#include <cstdio>

std::optional<double> SlowStepGuard::AfterStep(double stepSeconds)
{
    if (m_runOn || !(stepSeconds > kLimitSeconds))
        return std::nullopt;
    m_paused = true;
    return stepSeconds;
}

std::string SlowStepMessage(double stepSeconds)
{
    char text[128];
    std::snprintf(text, sizeof text,
                  "Paused: one step of this world takes %.1f s; F8 steps once, Enter runs on",
                  stepSeconds);
    return text;
}
