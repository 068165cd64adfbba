#include "view/scene_tick.h"

#include <chrono>

TickOutcome TickScene(Scene& scene, const KeyState& keys, SimulationState state,
                      CameraState& camera, BodyThrower& thrower)
{
    TickOutcome outcome;
    LightRecord* light = scene.MovableLight();
    CDynamicsWorld* world = scene.World();
    if (light == nullptr || world == nullptr)
        return outcome;

    ApplyCameraKeys(keys, camera, *light);
    if (state != SimulationState::Running)
        return outcome;

    const CameraPose pose{camera.camPos, camera.yaw, camera.pitch};
    if (keys.IsDown(ViewKey::Space))
        thrower.TryThrowSphere(*world, scene.BallModel(), pose);
    if (keys.IsDown(ViewKey::T))
        thrower.TryThrowDice(*world, scene.DieModel(), pose);

    const auto start = std::chrono::steady_clock::now();
    StepWorld(*world);
    outcome.stepped = true;
    outcome.stepMilliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return outcome;
}
