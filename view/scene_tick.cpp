#include "view/scene_tick.h"

#include <chrono>

namespace {

TickOutcome TimedStep(CDynamicsWorld& world)
{
    TickOutcome outcome;
    const auto start = std::chrono::steady_clock::now();
    StepWorld(world);
    outcome.stepped = true;
    outcome.stepMilliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return outcome;
}

}  // namespace

TickOutcome TickScene(Scene& scene, const KeyState& keys, SimulationState state,
                      CameraState& camera, BodyThrower& thrower, SlowMotion* slowMotion)
{
    TickOutcome outcome;
    LightRecord* light = scene.MovableLight();
    CDynamicsWorld* world = scene.World();
    if (light == nullptr || world == nullptr)
        return outcome;

    ApplyCameraKeys(keys, camera, *light);
    if (state != SimulationState::Running)
        return outcome;
    if (slowMotion != nullptr && !slowMotion->StepDue()) {
        slowMotion->Interpolate(*world);
        return outcome;
    }

    const CameraPose pose{camera.camPos, camera.yaw, camera.pitch};
    if (keys.IsDown(ViewKey::Space))
        thrower.TryThrowSphere(*world, scene.BallModel(), pose);
    if (keys.IsDown(ViewKey::T))
        thrower.TryThrowDice(*world, scene.DieModel(), pose);

    if (slowMotion != nullptr)
        slowMotion->BeforeStep(*world);
    outcome = TimedStep(*world);
    if (slowMotion != nullptr)
        slowMotion->Interpolate(*world);
    return outcome;
}

TickOutcome StepSceneOnce(Scene& scene, SlowMotion* slowMotion)
{
    CDynamicsWorld* world = scene.World();
    if (world == nullptr)
        return {};
    if (slowMotion != nullptr)
        slowMotion->Forget(*world);
    return TimedStep(*world);
}
