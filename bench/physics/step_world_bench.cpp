// StepWorld on the start scene: awake (the first steps after creation),
// settled (after 300 steps, when the cylinders sleep), with 500 thrown
// bodies, and with the 4,000 resting bodies of --throw once they sleep. raw_bullet_bench.cpp times
// the same scenes built directly on Bullet.

#include "physics/body_thrower.h"
#include "physics/dynamics_world.h"
#include "physics/rigid_body.h"
#include "physics/scene_content.h"
#include "physics/scene_shapes.h"
#include "physics/throw_aim.h"

#include "body_counters.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

struct BenchScene {
    BenchScene() : world(CreateDynamicsWorld())
    {
        ApplyWorldSettings(*world);
        AddStartBodies(*world, shapes.ground.get(), shapes.cylinder.get());
    }
    ~BenchScene() { DestroyAllCollisionObjects(*world); }

    void Step(int count)
    {
        for (int i = 0; i < count; ++i) {
            StepWorld(*world);
        }
    }

    // Spheres and dice, alternating, at rest on a 10 x 10 x 5 grid above the
    // tower, 1.5 m apart.
    void AddThrownBodies(int count)
    {
        for (int i = 0; i < count; ++i) {
            const btVector3 position(-6.75f + 1.5f * float(i % 10), 12.0f + 1.5f * float(i / 100),
                                     -6.75f + 1.5f * float((i / 10) % 10));
            const bool sphere = i % 2 == 0;
            btRigidBody* body = CreateRigidBody(
                sphere ? static_cast<btCollisionShape*>(shapes.sphere.get()) : shapes.dice.get(),
                sphere ? kSphereMass : kDiceMass, position, kCcdMotionThreshold,
                kCcdSweptSphereRadius);
            world->addRigidBody(body);
        }
    }

    SceneShapes shapes;
    std::unique_ptr<CDynamicsWorld> world;
};

void StepWorld_Awake(benchmark::State& state)
{
    BenchScene scene;
    for (auto _ : state) {
        StepWorld(*scene.world);
    }
    CountBodies(state, *scene.world);
}
BENCHMARK(StepWorld_Awake)
    ->Iterations(60)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

void StepWorld_Settled(benchmark::State& state)
{
    BenchScene scene;
    scene.Step(300);
    for (auto _ : state) {
        StepWorld(*scene.world);
    }
    CountBodies(state, *scene.world);
}
BENCHMARK(StepWorld_Settled)
    ->Iterations(300)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

void StepWorld_With500Thrown(benchmark::State& state)
{
    BenchScene scene;
    scene.AddThrownBodies(500);
    scene.Step(120);  // they land on the ground and in the tower
    for (auto _ : state) {
        StepWorld(*scene.world);
    }
    CountBodies(state, *scene.world);
}
BENCHMARK(StepWorld_With500Thrown)
    ->Iterations(120)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

void StepWorld_With4000Resting(benchmark::State& state)
{
    BenchScene scene;
    AddRestingThrownBodies(*scene.world, scene.shapes.sphere.get(), scene.shapes.dice.get(), 4000);
    scene.Step(300);  // all asleep by now
    for (auto _ : state) {
        StepWorld(*scene.world);
    }
    CountBodies(state, *scene.world);
}
BENCHMARK(StepWorld_With4000Resting)
    ->Iterations(120)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
