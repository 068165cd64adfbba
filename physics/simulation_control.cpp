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

    for (int i = world.getNumCollisionObjects() - 1; i >= 0; --i) {
        btCollisionObject* object = world.getCollisionObjectArray()[i];
        if (WasThrown(*object)) {
            DestroyCollisionObject(world, object);
        }
    }
}
