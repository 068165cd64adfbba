#include "view/scene_tick.h"

#include <chrono>

namespace {

// The document's step, which the history keeps.
TickOutcome TimedStep(WorldDocument& document, const StepClock& clock)
{
    auto now = [&clock] { return clock ? clock() : std::chrono::steady_clock::now(); };
    TickOutcome outcome;
    const auto start = now();
    document.Step();
    outcome.stepped = true;
    outcome.stepMilliseconds = std::chrono::duration<double, std::milli>(now() - start).count();
    return outcome;
}

}  // namespace

TickOutcome TickScene(Scene& scene, KeyState& keys, SimulationState state,
                      CameraState& camera, BodyThrower& thrower, SlowMotion* slowMotion,
                      const StepClock& clock)
{
    TickOutcome outcome;
    LightRecord* light = scene.MovableLight();
    CDynamicsWorld* world = scene.World();
    if (light == nullptr || world == nullptr)
        return outcome;

    ApplyCameraKeys(keys, camera, *light);
    for (int key = 0; key < static_cast<int>(ViewKey::Count); ++key)
        if (key != static_cast<int>(ViewKey::Space) && key != static_cast<int>(ViewKey::T))
            keys.ForgetTap(static_cast<ViewKey>(key));
    // Paused or Stopped, a throw key does nothing, not even later.
    if (state != SimulationState::Running) {
        keys.ForgetTap(ViewKey::Space);
        keys.ForgetTap(ViewKey::T);
        return outcome;
    }
    if (slowMotion != nullptr && !slowMotion->StepDue()) {
        slowMotion->Interpolate(*world);
        return outcome;
    }

    const CameraPose pose{camera.camPos, camera.yaw, camera.pitch};
    if (keys.Pressed(ViewKey::Space))
        thrower.TryThrowSphere(*world, scene.BallModel(), pose);
    if (keys.Pressed(ViewKey::T))
        thrower.TryThrowDice(*world, scene.DieModel(), pose);
    keys.ForgetTap(ViewKey::Space);
    keys.ForgetTap(ViewKey::T);

    if (slowMotion != nullptr)
        slowMotion->BeforeStep(*world);
    outcome = TimedStep(*scene.Document(), clock);
    if (slowMotion != nullptr)
        slowMotion->Interpolate(*world);
    return outcome;
}

TickOutcome StepSceneOnce(Scene& scene, SlowMotion* slowMotion, const StepClock& clock)
{
    CDynamicsWorld* world = scene.World();
    if (world == nullptr)
        return {};
    if (slowMotion != nullptr)
        slowMotion->Forget(*world);
    return TimedStep(*scene.Document(), clock);
}
