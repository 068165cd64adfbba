#include "physics/simulation_control.h"

#include "physics/body_kind.h"
#include "physics/dynamics_world.h"
#include "physics/rigid_body.h"

SimulationTransition NextSimulationState(SimulationState current, SimulationCommand command)
{
    switch (command) {
        case SimulationCommand::Start:
            return {current == SimulationState::Running ? SimulationState::Paused
                                                        : SimulationState::Running,
                    false};
        case SimulationCommand::Pause:
            return {SimulationState::Paused, false};
        case SimulationCommand::Stop:
            return {SimulationState::Stopped, true};
    }
    return {current, false};
}

void ResetSimulation(CDynamicsWorld& world)
{
    world.ResetBodies();
    world.getBroadphase()->resetPool(world.getDispatcher());
    world.getConstraintSolver()->reset();

    const std::vector<btCollisionObject*> thrown =
        world.RemoveCollisionObjects([](const btCollisionObject& object) { return WasThrown(object); });
    for (auto object = thrown.rbegin(); object != thrown.rend(); ++object)
        DeleteCollisionObject(*object);
}
