#pragma once
// One tick of the view, without the window: the held keys move the camera
// and the first light; then, only while the simulation runs, Space and T
// throw and the world takes one fixed step. The window calls this on every
// timer tick and paints afterwards.

#include "physics/body_thrower.h"
#include "physics/simulation_control.h"
#include "view/camera_control.h"
#include "view/key_state.h"
#include "view/scene.h"
#include "edit/slow_motion.h"

#include <chrono>
#include <functional>

// What a step's length is measured with: the steady clock when empty; tests
// pass their own.
using StepClock = std::function<std::chrono::steady_clock::time_point()>;

struct TickOutcome {
    bool stepped = false;
    double stepMilliseconds = 0.0;  // the step alone, when there was one
};

// An unbuilt scene is left alone: nothing moves. With slow motion, only
// the ticks it says take the step (and throw); the others move what is drawn.
// The presses it acted on are forgotten; a throw key tapped between the
// steps of slow motion waits for the next step.
TickOutcome TickScene(Scene& scene, KeyState& keys, SimulationState state,
                      CameraState& camera, BodyThrower& thrower,
                      SlowMotion* slowMotion = nullptr, const StepClock& clock = {});

// One fixed step, whatever the state, with the bodies drawn where it leaves them.
TickOutcome StepSceneOnce(Scene& scene, SlowMotion* slowMotion = nullptr,
                          const StepClock& clock = {});
