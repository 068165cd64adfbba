#pragma once
// A world too big to step in a tick would hold the window's thread for
// seconds per step and freeze the window. After a step that took longer than
// the limit, the running world pauses once and says why; if the user runs it
// on all the same, it is not paused for that again until another world comes.

#include <optional>
#include <string>

class SlowStepGuard {
public:
    static constexpr double kLimitSeconds = 0.5;

    // After a step of the running world: the step's length when the world
    // should pause now, nothing otherwise.
    std::optional<double> AfterStep(double stepSeconds);
    // The user ran the world on after the pause.
    void RunOn() { m_runOn = m_paused; }
    // Another world: its steps are measured afresh.
    void Forget() { m_paused = m_runOn = false; }

private:
    bool m_paused = false;
    bool m_runOn = false;
};

// "Paused: one step of this world takes 7.4 s; F8 steps once, Enter runs on".
std::string SlowStepMessage(double stepSeconds);
