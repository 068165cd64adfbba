// What keeping the world's history costs a tick, measured in one run against
// the same steps without it: 1,000 bodies awake and falling into the tower,
// and 4,000 at rest. Also the bytes a step keeps per awake and per resting body.
//
// Each round puts the world back to the same moment, steps it 30 times
// plainly, puts it back again and steps it 30 times with the history (a
// key frame and 30 steps' records: what half a second of motion keeps).
// The overhead is the time spent in the history's calls against the plain
// step; recorded_ms_per_step is the whole recorded step, for comparison
// (the key frame's copy also leaves the caches colder for the next steps).
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
    // At rest the history keeps going across rounds: nothing moves, so no
    // key frame falls due, as in a world left alone.
    double keyFrame = 0;
    if (resting) {
        const auto begin = Clock::now();
        scene.history.BeforeStep(world);
        keyFrame = Since(begin);
        StepWorld(world);
        scene.history.AfterStep(world);
    }
    double plain = 0, recordedSteps = 0, inHistory = 0, recordBytes = 0;
    int rounds = 0;
    for (auto _ : state) {
        RestoreStepState(world, start);
        auto begin = Clock::now();
        for (int i = 0; i < kRoundSteps; ++i) StepWorld(world);
        plain += Since(begin);

        RestoreStepState(world, start);
        if (!resting) {
            scene.history.Clear(world);
            // The key frame half a second of motion takes.
            begin = Clock::now();
            scene.history.BeforeStep(world);
            const double first = Since(begin);
            keyFrame += first;
            inHistory += first;
            recordedSteps += first;
            StepWorld(world);
            scene.history.AfterStep(world);
        }
        const std::size_t bytesBefore = scene.history.Bytes();
        for (int i = resting ? 0 : 1; i < kRoundSteps; ++i) {
            begin = Clock::now();
            scene.history.BeforeStep(world);
            const double before = Since(begin);
            const auto stepBegin = Clock::now();
            StepWorld(world);
            const double step = Since(stepBegin);
            begin = Clock::now();
            scene.history.AfterStep(world);
            const double after = Since(begin);
            inHistory += before + after;
            recordedSteps += before + step + after;
        }
        recordBytes += double(scene.history.Bytes() - bytesBefore);
        ++rounds;
    }
    const double steps = double(rounds) * kRoundSteps;
    const double keyFrameMs = resting ? keyFrame : keyFrame / rounds;
    // At rest, one key frame per kept span of 1,200 steps.
    const double spread = resting ? keyFrameMs / (WorldHistory::kDefaultSeconds / kFixedTimeStep) : 0;
    const double plainPerStep = plain / steps;
    const double historyPerStep = inHistory / steps + spread;
    state.counters["plain_ms_per_step"] = plainPerStep;
    state.counters["recorded_ms_per_step"] = recordedSteps / steps + spread;
    state.counters["history_ms_per_step"] = historyPerStep;
    state.counters["overhead_percent"] = 100.0 * historyPerStep / plainPerStep;
    state.counters["key_frame_ms"] = keyFrameMs;
    state.counters["awake"] = awake;
    state.counters["resting"] = movable - awake;
    // Records only: what a step adds beyond its key frame.
    const double perStep = recordBytes / (resting ? steps : double(rounds) * (kRoundSteps - 1));
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
