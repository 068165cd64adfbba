// What keeping the world's history costs a tick, measured in one run against
// the same steps without it: 1,000 bodies awake and falling into the tower,
// and 4,000 at rest. Also the bytes a step keeps per awake and per resting body.
//
// Each round puts the world back to the same moment, steps it 30 times
// plainly, puts it back again and steps it 30 times with the history (a
// key frame and 30 steps' records: what half a second of motion keeps).
// A world at rest takes a key frame only once per kept span (20 s); that
// key frame's cost is timed on its own and spread over its 1,200 steps.
// Times are the thread's CPU time, in milliseconds.

#include "edit/world_history.h"
#include "physics/body_thrower.h"
#include "physics/dynamics_world.h"
#include "physics/rigid_body.h"
#include "physics/scene_content.h"
#include "physics/scene_shapes.h"
#include "physics/world_step_state.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>

namespace {

struct HistoryScene {
    HistoryScene(int thrown, bool resting) : world(CreateDynamicsWorld())
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
    ~HistoryScene()
    {
        history.Clear(*world);
        DestroyAllCollisionObjects(*world);
    }

    void Step(int count)
    {
        for (int i = 0; i < count; ++i) StepWorld(*world);
    }
    int Awake() const
    {
        int awake = 0;
        for (int i = 0; i < world->getNumCollisionObjects(); ++i)
            awake += !world->getCollisionObjectArray()[i]->isStaticOrKinematicObject() &&
                     world->getCollisionObjectArray()[i]->isActive();
        return awake;
    }
    int Movable() const
    {
        int movable = 0;
        for (int i = 0; i < world->getNumCollisionObjects(); ++i)
            movable += !world->getCollisionObjectArray()[i]->isStaticOrKinematicObject();
        return movable;
    }

    SceneShapes shapes;
    std::unique_ptr<CDynamicsWorld> world;
    WorldHistory history;
};

// The thread's own CPU time: on a machine shared with other work the wall
// clock counts their time too, and the two runs compared would not get the
// same share of it.
struct Clock {
    using time_point = double;
    static double now()
    {
        timespec time{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
        return double(time.tv_sec) * 1e3 + double(time.tv_nsec) / 1e6;
    }
};

double Since(Clock::time_point start)
{
    return Clock::now() - start;
}

constexpr int kRoundSteps = 30;

void Recording(benchmark::State& state, int bodies, bool resting)
{
    HistoryScene scene(bodies, resting);
    CDynamicsWorld& world = *scene.world;
    const WorldStepState start = CaptureStepState(world);
    const int awake = scene.Awake();
    const int movable = scene.Movable();
    double plain = 0, recorded = 0, keyFrame = 0, recordBytes = 0;
    int rounds = 0;
    for (auto _ : state) {
        RestoreStepState(world, start);
        auto begin = Clock::now();
        for (int i = 0; i < kRoundSteps; ++i) StepWorld(world);
        plain += Since(begin);

        RestoreStepState(world, start);
        scene.history.Clear(world);
        // The first key frame, timed apart: a resting world takes one per
        // kept span, a moving one per round.
        begin = Clock::now();
        scene.history.BeforeStep(world);
        const double first = Since(begin);
        keyFrame += first;
        const std::size_t keyBytes = scene.history.Bytes();
        begin = Clock::now();
        StepWorld(world);
        scene.history.AfterStep(world);
        for (int i = 1; i < kRoundSteps; ++i) {
            scene.history.BeforeStep(world);
            StepWorld(world);
            scene.history.AfterStep(world);
        }
        recorded += Since(begin) + (resting ? 0.0 : first);
        recordBytes += double(scene.history.Bytes() - keyBytes);
        ++rounds;
    }
    const double steps = double(rounds) * kRoundSteps;
    const double keyFrameMs = keyFrame / rounds;
    // At rest, one key frame per 1,200 steps.
    const double spread = resting ? keyFrameMs / (WorldHistory::kDefaultSeconds / kFixedTimeStep) : 0;
    state.counters["plain_ms_per_step"] = plain / steps;
    state.counters["recorded_ms_per_step"] = recorded / steps + spread;
    state.counters["overhead_percent"] = 100.0 * ((recorded / steps + spread) / (plain / steps) - 1.0);
    state.counters["key_frame_ms"] = keyFrameMs;
    state.counters["awake"] = awake;
    state.counters["resting"] = movable - awake;
    // Records only: what a step adds beyond the key frame.
    const double perStep = recordBytes / steps;
    state.counters["bytes_per_step"] = perStep;
    state.counters[resting ? "bytes_per_resting_body_step" : "bytes_per_awake_body_step"] =
        perStep / double(resting ? movable - awake : awake);
}

void RecordingCost_1000Awake(benchmark::State& state)
{
    Recording(state, 1000, false);
}
BENCHMARK(RecordingCost_1000Awake)->Iterations(8)->Unit(benchmark::kMillisecond);

void RecordingCost_4000Resting(benchmark::State& state)
{
    Recording(state, 4000, true);
}
BENCHMARK(RecordingCost_4000Resting)->Iterations(4)->Unit(benchmark::kMillisecond);

}  // namespace
