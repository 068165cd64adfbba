// A tick's step at 1,000 bodies (the start scene and 759 resting balls and
// dice, settled) with and without a can held on the mouse's spring and
// swung slowly in the air, the cursor moving on every tick. The target: held
// costs at most 5 % more than free.

#include "physics/body_thrower.h"
#include "physics/dynamics_world.h"
#include "physics/rigid_body.h"
#include "physics/scene_content.h"
#include "physics/scene_shapes.h"
#include "edit/body_drag.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

constexpr int kBodies = 1000;

struct HeldScene {
    HeldScene() : world(CreateDynamicsWorld())
    {
        ApplyWorldSettings(*world);
        AddStartBodies(*world, shapes.ground.get(), shapes.cylinder.get());
        AddRestingThrownBodies(*world, shapes.sphere.get(), shapes.dice.get(),
                               kBodies - kStartBodyCount);
        for (int i = 0; i < 600; ++i)
            StepWorld(*world);
    }
    ~HeldScene() { DestroyAllCollisionObjects(*world); }

    // The last pillar's top can, held by its top face from 30 above.
    void Hold()
    {
        const btCollisionObjectArray& objects = world->getCollisionObjectArray();
        btRigidBody* can = btRigidBody::upcast(objects[kStartBodyCount - 1]);
        top = can->getWorldTransform().getOrigin() + btVector3(0, kCylinderHalfExtents.y(), 0);
        drag.Begin(*world, PickHit{can, top, 30.0f}, SimulationState::Running);
    }
    // The cursor on a slow circle two units above where the can stood.
    PickRay CursorAt(int tick) const
    {
        const float a = 0.02f * float(tick);
        const btVector3 at = top + btVector3(std::cos(a), 2.0f, std::sin(a));
        return {at + btVector3(0, 30, 0), at - btVector3(0, 70, 0), 0.0f, 100.0f};
    }

    SceneShapes shapes;
    std::unique_ptr<CDynamicsWorld> world;
    BodyDrag drag;
    btVector3 top{0, 0, 0};
};

void Tick_1000Bodies_Free(benchmark::State& state)
{
    HeldScene scene;
    for (auto _ : state)
        StepWorld(*scene.world);
    state.counters["bodies"] = scene.world->getNumCollisionObjects();
}
BENCHMARK(Tick_1000Bodies_Free)
    ->Iterations(300)
    ->Repetitions(8)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

void Tick_1000Bodies_Held(benchmark::State& state)
{
    HeldScene scene;
    scene.Hold();
    int tick = 0;
    for (auto _ : state) {
        scene.drag.MoveTo(scene.CursorAt(tick++));
        StepWorld(*scene.world);
    }
    scene.drag.End();
    state.counters["bodies"] = scene.world->getNumCollisionObjects();
}
BENCHMARK(Tick_1000Bodies_Held)
    ->Iterations(300)
    ->Repetitions(8)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
