#pragma once
// Slow motion: the step stays 1/60 s of simulated time, but at a fraction of
// full speed only every n-th tick takes one. Between two steps each frame
// draws the moving bodies part of the way from where the last step found them
// to where it left them, so the motion stays smooth at any speed.

#include <btBulletDynamicsCommon.h>

#include <vector>

// Full speed and the slow ones; the value is the number of ticks per step.
enum class SimulationSpeed : int {
    Full = 1,
    Half = 2,
    Quarter = 4,
    Eighth = 8,
    Sixteenth = 16,
};

inline constexpr SimulationSpeed kSimulationSpeeds[] = {
    SimulationSpeed::Full, SimulationSpeed::Half, SimulationSpeed::Quarter,
    SimulationSpeed::Eighth, SimulationSpeed::Sixteenth};

inline int TicksPerStep(SimulationSpeed speed)
{
    return static_cast<int>(speed);
}

// The speed a stored number names, or Full for one that names none.
SimulationSpeed SpeedFromTicksPerStep(int ticks);

class SlowMotion {
public:
    SimulationSpeed Speed() const { return m_speed; }
    // Takes effect at the next tick; the bodies are drawn where they are.
    void SetSpeed(SimulationSpeed speed);

    // Asked once per running tick: whether this tick takes the step.
    bool StepDue();
    // Around the step of a running tick: records where the moving bodies
    // are, then, after the step, moves what is drawn of them back there.
    void BeforeStep(const btDynamicsWorld& world);
    // Each running tick, stepped or not: what is drawn of each recorded body
    // goes its share of the way towards the body. Full speed draws the body.
    void Interpolate(btDynamicsWorld& world) const;

    // The world changed under the records (Stop, Open, New, a removed body):
    // what is drawn is the bodies themselves again.
    void Forget(btDynamicsWorld& world);

private:
    struct Record {
        const btCollisionObject* body;
        int index;  // in the world's object array
        btTransform from;
    };

    SimulationSpeed m_speed = SimulationSpeed::Full;
    int m_tick = 0;  // ticks since the last step, 0 at a step
    std::vector<Record> m_records;
};
