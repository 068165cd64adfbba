// What showing the Tree pane costs at 8,000 bodies: the snapshot the scene
// library takes, and the pane's update from it with every group closed and
// with the largest group open. The pane refreshes four times a second, so
// its share of the frame's thread is the time per refresh times four per
// second (printed as "share" in per cent).
//
//   kinetta_panes_bench [benchmark options]

#include "app/tree_pane.h"
#include "physics/dynamics_world.h"
#include "physics/rigid_body.h"

#include <benchmark/benchmark.h>
#include <QtWidgets/QApplication>
#include <QtWidgets/QTreeWidget>

#include <chrono>
#include <memory>

namespace {

constexpr int kBodies = 8000;
constexpr double kRefreshesPerSecond = 4;

// Dice and balls in the proportions --throw makes, half of them asleep.
struct World {
    std::unique_ptr<CDynamicsWorld> world = CreateDynamicsWorld();
    btBoxShape die{btVector3(0.5f, 0.5f, 0.5f)};
    btSphereShape ball{0.5f};

    World()
    {
        for (int i = 0; i < kBodies; ++i) {
            const bool isBall = i % 3 == 0;
            btRigidBody* body = CreateRigidBody(isBall ? static_cast<btCollisionShape*>(&ball) : &die,
                                                1.0f, btVector3(float(i % 100), float(i / 100), 0),
                                                0.0f, 0.0f);
            SetBodyKind(*body, isBall ? BodyKind::Ball : BodyKind::Die);
            if (i % 2 == 0)
                body->setActivationState(ISLAND_SLEEPING);
            world->addRigidBody(body);
        }
    }
    ~World() { DestroyAllCollisionObjects(*world); }
};

// Per cent of the frame thread's time, from the seconds all iterations took.
void Share(benchmark::State& state, std::chrono::steady_clock::time_point start)
{
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.counters["share"] = benchmark::Counter(kRefreshesPerSecond * 100.0 * seconds,
                                                 benchmark::Counter::kAvgIterations);
}

void BM_TreeSnapshot(benchmark::State& state)
{
    World world;
    WorldTree tree;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        TakeWorldTree(*world.world, tree);
        benchmark::DoNotOptimize(tree.bodyCount);
    }
    Share(state, start);
}
BENCHMARK(BM_TreeSnapshot)->Unit(benchmark::kMillisecond);

void BM_TreePaneRefresh(benchmark::State& state)
{
    const bool open = state.range(0) != 0;
    World world;
    WorldTree tree;
    CTreePane pane([](const btCollisionObject*) {}, nullptr);
    pane.resize(300, 600);
    pane.show();
    TakeWorldTree(*world.world, tree);
    pane.ShowTree(tree, nullptr);
    if (open)
        pane.GroupItem(4)->setExpanded(true);  // Dice, the largest group
    int tick = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        // A few bodies fall asleep or wake between two refreshes.
        for (int i = 0; i < 40; ++i) {
            btCollisionObject* body = world.world->getCollisionObjectArray()[(tick * 40 + i) % kBodies];
            body->setActivationState(body->getActivationState() == ISLAND_SLEEPING ? ACTIVE_TAG
                                                                                  : ISLAND_SLEEPING);
        }
        ++tick;
        TakeWorldTree(*world.world, tree);
        pane.ShowTree(tree, nullptr);
        QApplication::processEvents();  // the tree's own layout and paint
    }
    Share(state, start);
}
BENCHMARK(BM_TreePaneRefresh)->Arg(0)->Arg(1)->ArgNames({"open"})->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
