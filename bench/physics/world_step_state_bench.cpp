// What keeping a world's whole step state costs: capturing it with 1,000
// bodies awake and falling into the tower and with 4,000 at rest, its size,
// putting it back, and the step itself with and without the pair sorting that
// makes a restored world step on exactly.

#include "physics/dynamics_world.h"
#include "physics/rigid_body.h"
#include "physics/scene_content.h"
#include "physics/scene_shapes.h"
#include "physics/body_thrower.h"
#include "physics/world_step_state.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

struct StateScene {
    explicit StateScene(int thrown, bool resting) : world(CreateDynamicsWorld())
    {
        ApplyWorldSettings(*world);
        AddStartBodies(*world, shapes.ground.get(), shapes.cylinder.get());
        if (resting) {
            AddRestingThrownBodies(*world, shapes.sphere.get(), shapes.dice.get(), thrown);
            Step(300);  // all asleep by now
            return;
        }
        for (int i = 0; i < thrown; ++i) {
            const btVector3 position(-6.75f + 1.5f * float(i % 10), 12.0f + 1.5f * float(i / 100),
                                     -6.75f + 1.5f * float((i / 10) % 10));
            btCollisionShape* shape = i % 2 == 0 ? static_cast<btCollisionShape*>(shapes.sphere.get())
                                                 : shapes.dice.get();
            world->addRigidBody(CreateRigidBody(shape, 1.0f, position, kCcdMotionThreshold,
                                                kCcdSweptSphereRadius));
        }
        Step(60);  // landing on the tower, still awake
    }
    ~StateScene() { DestroyAllCollisionObjects(*world); }

    void Step(int count)
    {
        for (int i = 0; i < count; ++i) StepWorld(*world);
    }

    SceneShapes shapes;
    std::unique_ptr<CDynamicsWorld> world;
};

void ReportState(benchmark::State& state, const CDynamicsWorld& world)
{
    const WorldStepState kept = CaptureStepState(world);
    state.counters["bytes"] = double(kept.Bytes());
    state.counters["manifolds"] = double(kept.manifolds.size());
    state.counters["objects"] = double(kept.objects.size());
}

void CaptureStepState_1000Awake(benchmark::State& state)
{
    StateScene scene(1000, false);
    for (auto _ : state) benchmark::DoNotOptimize(CaptureStepState(*scene.world));
    ReportState(state, *scene.world);
}
BENCHMARK(CaptureStepState_1000Awake)->Iterations(20)->Repetitions(3)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

void CaptureStepState_4000Resting(benchmark::State& state)
{
    StateScene scene(4000, true);
    for (auto _ : state) benchmark::DoNotOptimize(CaptureStepState(*scene.world));
    ReportState(state, *scene.world);
}
BENCHMARK(CaptureStepState_4000Resting)->Iterations(10)->Repetitions(3)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

void RestoreStepState_1000Awake(benchmark::State& state)
{
    StateScene scene(1000, false);
    const WorldStepState kept = CaptureStepState(*scene.world);
    for (auto _ : state) RestoreStepState(*scene.world, kept);
    ReportState(state, *scene.world);
}
BENCHMARK(RestoreStepState_1000Awake)->Iterations(10)->Repetitions(3)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

// The step the capture rides on, pairs sorted (as Kinetta steps) or not.
void StepWorld_1000Awake(benchmark::State& state)
{
    StateScene scene(1000, false);
    scene.world->getDispatchInfo().m_deterministicOverlappingPairs = state.range(0) != 0;
    const WorldStepState start = CaptureStepState(*scene.world);
    int steps = 0;
    for (auto _ : state) {
        // Every 30 steps back to the same moment, so both variants time the same motion.
        if (++steps % 30 == 0) {
            state.PauseTiming();
            RestoreStepState(*scene.world, start);
            state.ResumeTiming();
        }
        StepWorld(*scene.world);
    }
}
BENCHMARK(StepWorld_1000Awake)->ArgName("sorted")->Arg(0)->Arg(1)->Iterations(60)->Repetitions(3)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

}  // namespace
