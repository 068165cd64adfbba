// kinetta-big-world: makes a large world file with Kinetta's own writer, and
// opens one the way Kinetta does, step by step, saying what each step costs.
// It is how the reader's time limit was chosen (README, World files).
//   kinetta-big-world make OUT.bullet BODIES
//   kinetta-big-world open FILE.bullet [--no-limits]
// "open" runs the reader under Kinetta's own limits, or none. Run it under
// /usr/bin/time -v for the whole process; the reader's own figures are
// printed from its resource usage.

#include "physics/body_name.h"
#include "physics/dynamics_world.h"
#include "physics/rigid_body.h"
#include "physics/scene_shapes.h"
#include "physics/world_bodies.h"
#include "worlds/world_file.h"
#include "worlds/world_file_checks.h"
#include "worlds/world_file_description.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Cans, balls and dice on a grid in layers over a ground, a name on one body
// in ten and a joint between every tenth body and the one before it: the
// kinds of record a busy world of the scene's bodies holds.
int Make(const char* path, int count)
{
    SceneShapes shapes;
    std::unique_ptr<CDynamicsWorld> world = CreateDynamicsWorld();
    ApplyWorldSettings(*world);
    world->addRigidBody(CreateRigidBody(shapes.ground.get(), 0, btVector3(0, -1, 0), 0, 0));
    std::vector<std::string> names;
    names.reserve(std::size_t(count / 10 + 1));
    std::vector<std::unique_ptr<btTypedConstraint>> joints;
    btRigidBody* previous = nullptr;
    for (int i = 1; i < count; ++i) {
        btCollisionShape* shape = i % 3 == 0   ? static_cast<btCollisionShape*>(shapes.cylinder.get())
                                  : i % 3 == 1 ? static_cast<btCollisionShape*>(shapes.sphere.get())
                                               : shapes.dice.get();
        const btVector3 at(float(i % 100) * 1.5f - 75, 1 + float(i / 10000) * 1.5f,
                           float((i / 100) % 100) * 1.5f - 75);
        btRigidBody* body = CreateRigidBody(shape, 1, at, 0, 0);
        if (i % 10 == 5) {
            names.push_back("Body " + std::to_string(i));  // reserved: never moves
            SetBodyName(*body, &names.back());
        }
        world->addRigidBody(body);
        if (i % 10 == 0 && previous != nullptr) {
            joints.push_back(std::make_unique<btPoint2PointConstraint>(
                *body, *previous, btVector3(0, 0, 0), previous->getWorldTransform().invXform(at)));
            world->addConstraint(joints.back().get(), true);
        }
        previous = body;
    }
    const WorldFileResult saved = SaveWorldFile(*world, path, [&](const btCollisionShape& shape) {
        if (&shape == shapes.ground.get()) return std::string("kinetta.ground");
        if (&shape == shapes.cylinder.get()) return std::string("kinetta.can");
        if (&shape == shapes.sphere.get()) return std::string("kinetta.ball");
        if (&shape == shapes.dice.get()) return std::string("kinetta.die");
        return std::string();
    });
    for (auto& joint : joints)
        world->removeConstraint(joint.get());
    DestroyAllCollisionObjects(*world);
    if (!saved.ok) {
        std::fprintf(stderr, "kinetta-big-world: %s\n", saved.error.c_str());
        return 1;
    }
    std::printf("%s: %d bodies, %zu joints\n", path, count, joints.size());
    return 0;
}

// With Kinetta's own limits, or none (to measure a file beyond them).
int Open(const char* path, bool kinettaLimits)
{
    WorldReaderLimits limits;
    if (!kinettaLimits) {
        limits.time = std::chrono::hours(1);
        limits.addressSpaceBytes = std::size_t{64} << 30;
        limits.maxDescriptionBytes = std::size_t{4} << 30;
    }
    auto start = Clock::now();
    WorldReaderOutput output = RunWorldReader(KINETTA_WORLD_READER_PATH, path, limits);
    const double reading = SecondsSince(start);
    if (!output.result.ok) {
        std::fprintf(stderr, "kinetta-big-world: %s\n", output.result.error.c_str());
        return 1;
    }
    rusage reader {};
    ::getrusage(RUSAGE_CHILDREN, &reader);
    const std::size_t described = output.description.size();

    start = Clock::now();
    std::string error;
    std::optional<WorldDescription> description = ParseWorldDescription(output.description, &error);
    output.description = std::string();
    const double parsing = SecondsSince(start);
    if (!description) {
        std::fprintf(stderr, "kinetta-big-world: %s\n", error.c_str());
        return 1;
    }
    start = Clock::now();
    const WorldFileResult checked = CheckWorldDescription(*description);
    const double checking = SecondsSince(start);
    if (!checked.ok) {
        std::fprintf(stderr, "kinetta-big-world: %s\n", checked.error.c_str());
        return 1;
    }
    start = Clock::now();
    std::unique_ptr<LoadedWorld> built = BuildCheckedWorld(*description, {});
    const double building = SecondsSince(start);

    // What the window's thread does: the world takes the bodies in, and
    // later lets them go (New, another Open, closing the window).
    std::unique_ptr<CDynamicsWorld> world = CreateDynamicsWorld();
    ApplyWorldSettings(*world);
    const int bodies = built->BodyCount();
    const int constraints = built->ConstraintCount();
    start = Clock::now();
    WorldBodies held(*world);
    held.Adopt(std::move(built));
    const double adopting = SecondsSince(start);
    start = Clock::now();
    held.Clear();
    const double clearing = SecondsSince(start);
    rusage self {};
    ::getrusage(RUSAGE_SELF, &self);

    std::printf("reader: %.2f s wall, %.2f s CPU, %ld MB peak; description %zu MB\n", reading,
                double(reader.ru_utime.tv_sec + reader.ru_stime.tv_sec) +
                    double(reader.ru_utime.tv_usec + reader.ru_stime.tv_usec) / 1e6,
                reader.ru_maxrss / 1024, described >> 20);
    std::printf("parent, off the window's thread: parse %.2f s, checks %.2f s, build %.2f s; "
                "%d bodies, %d constraints\n",
                parsing, checking, building, bodies, constraints);
    std::printf("parent, on the window's thread: into the world %.2f s, emptied %.2f s; "
                "%ld MB peak\n",
                adopting, clearing, self.ru_maxrss / 1024);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "make" && argc == 4)
        return Make(argv[2], std::atoi(argv[3]));
    if (mode == "open" && (argc == 3 || (argc == 4 && std::string(argv[3]) == "--no-limits")))
        return Open(argv[2], argc == 3);
    std::fprintf(stderr, "usage: kinetta-big-world make OUT.bullet BODIES\n"
                         "       kinetta-big-world open FILE.bullet [--no-limits]\n");
    return 2;
}
