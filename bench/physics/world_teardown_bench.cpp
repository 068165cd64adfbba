// Stop and emptying the world with 1,000, 4,000 and 8,000 resting thrown
// bodies around the start scene, with an opened world of as many bodies, and
// emptying an opened world of as many constraints.
// Each repetition builds its world untimed; only the operation is timed. The
// time per body must stay flat from 1,000 to 8,000 bodies.

#include "physics/body_kind.h"
#include "physics/body_thrower.h"
#include "physics/dynamics_world.h"
#include "physics/rigid_body.h"
#include "physics/scene_content.h"
#include "physics/scene_shapes.h"
#include "physics/simulation_control.h"
#include "physics/world_bodies.h"
#include "worlds/world_file_builder.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// Enough steps for every resting pair to be found and given its contact.
constexpr int kSettleSteps = 20;

struct BusyWorld {
    explicit BusyWorld(int thrown) : world(CreateDynamicsWorld()), bodies(*world)
    {
        ApplyWorldSettings(*world);
        AddStartBodies(*world, shapes.ground.get(), shapes.cylinder.get());
        AddRestingThrownBodies(*world, shapes.sphere.get(), shapes.dice.get(), thrown);
        for (int i = 0; i < kSettleSteps; ++i)
            StepWorld(*world);
    }

    SceneShapes shapes;
    std::unique_ptr<CDynamicsWorld> world;
    WorldBodies bodies;  // empties the world before it goes
};

// A ground and count dice standing in columns of ten, as a file would hold them.
std::unique_ptr<LoadedWorld> OpenedDice(int count)
{
    WorldDescription description;
    DescribedShape ground;
    ground.extents = btVector3(60, 1, 60);
    ground.margin = 0.04f;
    description.shapes.push_back(ground);
    DescribedShape die;
    die.extents = btVector3(0.5f, 0.5f, 0.5f);
    die.margin = 0.04f;
    description.shapes.push_back(die);
    DescribedBody floor;
    floor.transform.origin = btVector3(0, -1, 0);
    description.bodies.push_back(floor);
    for (int i = 0; i < count; ++i) {
        DescribedBody body;
        body.shape = 1;
        body.mass = 1;
        const int column = i / 10;
        body.transform.origin = btVector3(-45.0f + 1.5f * float(column % 60), 0.5f + float(i % 10),
                                          -45.0f + 1.5f * float(column / 60));
        description.bodies.push_back(body);
    }
    return BuildLoadedWorld(description);
}

void Stop_RestingThrown(benchmark::State& state)
{
    std::unique_ptr<BusyWorld> scene;  // the last one goes untimed, the others below
    for (auto _ : state) {
        state.PauseTiming();
        scene.reset();
        scene = std::make_unique<BusyWorld>(int(state.range(0)));
        state.ResumeTiming();
        ResetSimulation(*scene->world);
    }
    state.counters["bodies"] = double(state.range(0));
}

void Empty_RestingThrown(benchmark::State& state)
{
    std::unique_ptr<BusyWorld> scene;
    for (auto _ : state) {
        state.PauseTiming();
        scene.reset();
        scene = std::make_unique<BusyWorld>(int(state.range(0)));
        state.ResumeTiming();
        scene->bodies.Clear();
    }
    state.counters["bodies"] = double(state.range(0));
}

// An opened world of count dice, empty of anything else, settled.
struct OpenedWorld {
    explicit OpenedWorld(int count, int thrown) : world(CreateDynamicsWorld()), bodies(*world)
    {
        ApplyWorldSettings(*world);
        bodies.Adopt(OpenedDice(count));
        AddRestingThrownBodies(*world, shapes.sphere.get(), shapes.dice.get(), thrown);
        for (int i = 0; i < kSettleSteps; ++i)
            StepWorld(*world);
    }

    SceneShapes shapes;
    std::unique_ptr<CDynamicsWorld> world;
    WorldBodies bodies;
};

void Stop_OpenedWorldWithThrown(benchmark::State& state)
{
    std::unique_ptr<OpenedWorld> opened;
    for (auto _ : state) {
        state.PauseTiming();
        opened.reset();
        opened = std::make_unique<OpenedWorld>(int(state.range(0)), int(state.range(0)));
        state.ResumeTiming();
        ResetSimulation(*opened->world);
    }
    state.counters["bodies"] = double(2 * state.range(0));
}

void Empty_OpenedWorld(benchmark::State& state)
{
    std::unique_ptr<OpenedWorld> opened;
    for (auto _ : state) {
        state.PauseTiming();
        opened.reset();
        opened = std::make_unique<OpenedWorld>(int(state.range(0)), 0);
        state.ResumeTiming();
        opened->bodies.Clear();
    }
    state.counters["bodies"] = double(state.range(0));
}

// count dice in columns of ten, each joined to the one below it, the lowest
// to the world itself (every column hangs on Bullet's one fixed body, with
// collisions between joined bodies off), and a hinge every fifth die.
std::unique_ptr<LoadedWorld> JoinedDice(int count)
{
    WorldDescription description;
    DescribedShape die;
    die.extents = btVector3(0.5f, 0.5f, 0.5f);
    die.margin = 0.04f;
    description.shapes.push_back(die);
    for (int i = 0; i < count; ++i) {
        DescribedBody body;
        body.mass = 1;
        const int column = i / 10;
        body.transform.origin = btVector3(-45.0f + 1.5f * float(column % 60), 0.5f + float(i % 10),
                                          -45.0f + 1.5f * float(column / 60));
        description.bodies.push_back(body);
        DescribedConstraint joint;
        joint.type = i % 5 == 4 ? DescribedConstraintType::Hinge
                                : DescribedConstraintType::PointToPoint;
        joint.record = i;
        joint.bodyA = i;
        joint.bodyB = i % 10 == 0 ? -1 : i - 1;
        joint.disableCollisionsBetweenBodies = true;
        joint.angularLower.setX(-1);
        joint.angularUpper.setX(1);
        joint.frameA.origin = btVector3(0, -0.5f, 0);
        joint.frameB.origin = i % 10 == 0 ? body.transform.origin - btVector3(0, 0.5f, 0)
                                          : btVector3(0, 0.5f, 0);
        description.constraints.push_back(joint);
    }
    return BuildLoadedWorld(description);
}

struct JoinedWorld {
    explicit JoinedWorld(int count) : world(CreateDynamicsWorld()), bodies(*world)
    {
        ApplyWorldSettings(*world);
        bodies.Adopt(JoinedDice(count));
        for (int i = 0; i < kSettleSteps; ++i)
            StepWorld(*world);
    }

    std::unique_ptr<CDynamicsWorld> world;
    WorldBodies bodies;
};

// New, Open and close empty the world this way: constraints, then bodies.
void Empty_OpenedWorldWithConstraints(benchmark::State& state)
{
    std::unique_ptr<JoinedWorld> joined;
    for (auto _ : state) {
        state.PauseTiming();
        joined.reset();
        joined = std::make_unique<JoinedWorld>(int(state.range(0)));
        state.ResumeTiming();
        joined->bodies.Clear();
    }
    state.counters["constraints"] = double(state.range(0));
}

#define KINETTA_TEARDOWN_BENCH(name)                                   \
    BENCHMARK(name)->Arg(1000)->Arg(4000)->Arg(8000)->Iterations(3) \
        ->Unit(benchmark::kMillisecond)

KINETTA_TEARDOWN_BENCH(Stop_RestingThrown);
KINETTA_TEARDOWN_BENCH(Empty_RestingThrown);
KINETTA_TEARDOWN_BENCH(Stop_OpenedWorldWithThrown);
KINETTA_TEARDOWN_BENCH(Empty_OpenedWorld);
KINETTA_TEARDOWN_BENCH(Empty_OpenedWorldWithConstraints);

}  // namespace
