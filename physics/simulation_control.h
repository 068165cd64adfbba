#pragma once
// Run, pause and stop: the simulation's three states, the commands that move
// between them, and the reset that Stop performs.

class CDynamicsWorld;

// Only Running steps the world and lets bodies be thrown.
enum class SimulationState {
    Stopped = 0,
    Paused = 1,
    Running = 2,
};

enum class SimulationCommand {
    Start,  // menu, toolbar, Enter
    Pause,  // menu, toolbar
    Stop,   // menu, toolbar, Esc
};

struct SimulationTransition {
    SimulationState next;
    bool resetDue;  // the caller must run ResetSimulation
};

// Start toggles between Running and Paused and runs from Stopped; Pause always
// pauses; Stop always stops and asks for a reset, even when already stopped.
[[nodiscard]] SimulationTransition NextSimulationState(SimulationState current,
                                                       SimulationCommand command);

// Puts every body back where it started (CDynamicsWorld::ResetBodies) and
// destroys the bodies marked as thrown; every other body stays, whatever
// its kind.
void ResetSimulation(CDynamicsWorld& world);
