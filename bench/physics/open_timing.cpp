// kinetta-open-timing: what a threaded open costs the window's thread.
//   kinetta-open-timing cancel FILE.bullet   Cancel during the build phase
//   kinetta-open-timing ticks FILE.bullet    the worst tick while it opens
// "cancel" waits until the open is building the world, cancels, and says how
// long Cancel took to return, how long until the thread saw it, and how long
// the close's wait (the destructor) took. "ticks" steps the start scene with
// a body held every 10 ms while the file opens, as the window does, and takes
// the world on the tick that finds it finished; it prints the worst tick
// before that one and that tick itself. Make the file with
// kinetta-big-world make big.bullet 188000.

#include "edit/world_document.h"
#include "physics/scene_content.h"
#include "worlds/process_end.h"
#include "worlds/world_file_opening.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Without the reader's limits, as kinetta-big-world open --no-limits: on a
// busy machine a file this size may read for longer than Kinetta allows,
// and what is measured here is what follows the read.
WorldFileOpenOptions Options()
{
    WorldFileOpenOptions options;
    options.readerPath = KINETTA_WORLD_READER_PATH;
    options.limits.time = std::chrono::hours(1);
    options.limits.addressSpaceBytes = std::size_t{64} << 30;
    options.limits.maxDescriptionBytes = std::size_t{4} << 30;
    return options;
}

int Cancel(const char* path, double intoBuild)
{
    std::optional<WorldFileOpening> opening(std::in_place, path, SceneShapeLookup{}, Options());
    while (opening->Progress().phase != OpeningPhase::Building && !opening->Finished())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (opening->Finished()) {
        std::fprintf(stderr, "the open ended before it was building\n");
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(intoBuild));
    const auto asked = Clock::now();
    opening->Cancel();
    const double returned = MillisecondsSince(asked);
    while (!opening->Finished())
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    const double seen = MillisecondsSince(asked);
    const auto closing = Clock::now();
    opening.reset();
    std::printf("cancel %.0f ms into building: returned in %.3f ms, the thread ended after %.1f ms, "
                "the close waited %.1f ms\n",
                intoBuild, returned, seen, MillisecondsSince(closing));
    return 0;
}

// The close's wait alone, as the window's close does it: what was built left
// to the process's end, then cancel and join at once, without waiting for the
// thread to end first.
int Close(const char* path, double intoBuild)
{
    LeaveCancelledWorkToProcessEnd();
    std::optional<WorldFileOpening> opening(std::in_place, path, SceneShapeLookup{}, Options());
    while (opening->Progress().phase != OpeningPhase::Building && !opening->Finished())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(intoBuild));
    const auto closing = Clock::now();
    opening.reset();
    std::printf("close %.0f ms into building: waited %.1f ms\n", intoBuild,
                MillisecondsSince(closing));
    return 0;
}

int Ticks(const char* path)
{
    btBoxShape ground(kGroundHalfExtents), wall(kWallHalfExtents), domino(kBoxHalfExtents),
        die(kDiceHalfExtents);
    btCylinderShape can(kCylinderHalfExtents);
    btSphereShape ball(kSphereRadius);
    KindShapes shapes;
    shapes.byKind[std::size_t(BodyKind::Ground)] = &ground;
    shapes.byKind[std::size_t(BodyKind::Wall)] = &wall;
    shapes.byKind[std::size_t(BodyKind::Can)] = &can;
    shapes.byKind[std::size_t(BodyKind::Domino)] = &domino;
    shapes.byKind[std::size_t(BodyKind::Die)] = &die;
    shapes.byKind[std::size_t(BodyKind::Ball)] = &ball;
    WorldDocument document(shapes);
    // A pillar's top can, held on the spring from above.
    const btCollisionObjectArray& objects = document.World().getCollisionObjectArray();
    const btVector3 top = objects[objects.size() - 1]->getWorldTransform().getOrigin();
    const PickRay down{top + btVector3(0, 10, 0), top - btVector3(0, 30, 0), 1.0f, 41.0f};
    document.PressAt(down, SimulationState::Running);

    WorldFileOpening opening(path, document.ShapeLookup(), Options());
    double worst = 0;
    int ticks = 0;
    const auto start = Clock::now();
    for (;;) {
        const auto tick = Clock::now();
        if (opening.Finished()) {
            OpenedWorldFile opened = opening.Take();
            if (!opened.result.ok) {
                std::fprintf(stderr, "the open failed: %s\n", opened.result.error.c_str());
                return 1;
            }
            document.TakeWorld(std::move(opened.world));
            std::printf("%d ticks over %.1f s while opening, the worst %.2f ms; the tick that took "
                        "the world of %d bodies: %.1f ms\n",
                        ticks, MillisecondsSince(start) / 1000, worst, document.BodyCount(),
                        MillisecondsSince(tick));
            return 0;
        }
        document.DragTo(down);
        StepWorld(document.World());
        worst = std::max(worst, MillisecondsSince(tick));
        ++ticks;
        std::this_thread::sleep_until(tick + std::chrono::milliseconds(10));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "cancel") == 0) {
        for (double into : {10.0, 200.0, 1000.0})
            if (Cancel(argv[2], into) != 0)
                return 1;
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "close") == 0)
        return Close(argv[2], 200.0);
    if (argc == 3 && std::strcmp(argv[1], "ticks") == 0)
        return Ticks(argv[2]);
    std::fprintf(stderr, "usage: kinetta-open-timing cancel|close|ticks FILE.bullet\n");
    return 2;
}
