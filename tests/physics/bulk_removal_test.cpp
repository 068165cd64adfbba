// Removing many bodies at once: Stop after thousands of thrown bodies, in the
// start scene and in an opened world, and what the one-pass removal leaves in
// the broadphase for the bodies that stay.
#include "physics/body_kind.h"
#include "physics/body_thrower.h"
#include "physics/simulation_control.h"
#include "physics/world_bodies.h"
#include "worlds/world_file_builder.h"

#include "physics/test_world.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>

namespace {

using ObjectPair = std::pair<const btCollisionObject*, const btCollisionObject*>;

// Every overlapping pair by its two objects, with its contact algorithm.
std::map<ObjectPair, const btCollisionAlgorithm*> Pairs(btDynamicsWorld& world)
{
    std::map<ObjectPair, const btCollisionAlgorithm*> pairs;
    btBroadphasePairArray& array =
        world.getBroadphase()->getOverlappingPairCache()->getOverlappingPairArray();
    for (int i = 0; i < array.size(); ++i) {
        auto* a = static_cast<const btCollisionObject*>(array[i].m_pProxy0->m_clientObject);
        auto* b = static_cast<const btCollisionObject*>(array[i].m_pProxy1->m_clientObject);
        pairs[a < b ? ObjectPair(a, b) : ObjectPair(b, a)] = array[i].m_algorithm;
    }
    return pairs;
}

// The world's arrays and broadphase agree: each object knows its place, and
// every pair is between two objects of the world.
void ExpectConsistent(CDynamicsWorld& world)
{
    const btCollisionObjectArray& objects = world.getCollisionObjectArray();
    for (int i = 0; i < objects.size(); ++i) {
        ASSERT_EQ(objects[i]->getWorldArrayIndex(), i);
        ASSERT_NE(objects[i]->getBroadphaseHandle(), nullptr);
    }
    for (const auto& [pair, algorithm] : Pairs(world)) {
        for (const btCollisionObject* object : {pair.first, pair.second}) {
            const int index = object->getWorldArrayIndex();
            ASSERT_TRUE(index >= 0 && index < objects.size() && objects[index] == object)
                << "a pair names an object that left the world";
        }
    }
    int movable = 0;
    for (int i = 0; i < objects.size(); ++i)
        movable += objects[i]->isStaticObject() ? 0 : 1;
    EXPECT_EQ(world.getNonStaticRigidBodies().size(), movable);
}

struct StartState {
    btRigidBody* body;
    btTransform transform;
};

// A start scene of a ground and count boxes in a row, as a file gives it:
// moving and spinning, some asleep.
std::unique_ptr<LoadedWorld> OpenedRow(int count)
{
    WorldDescription description;
    DescribedShape ground;
    ground.extents = btVector3(40, 1, 40);
    ground.margin = 0.04f;
    DescribedShape box;
    box.extents = btVector3(0.5f, 0.25f, 0.5f);
    box.margin = 0.04f;
    description.shapes = {ground, box};
    DescribedBody floor;
    floor.transform.origin = btVector3(0, -1, 30);
    description.bodies.push_back(floor);
    for (int i = 0; i < count; ++i) {
        DescribedBody body;
        body.shape = 1;
        body.mass = 1;
        body.transform.origin = btVector3(-20.0f + 2.0f * float(i % 20), 0.25f, 22.0f + 2.0f * float(i / 20));
        body.transform.rotation = btQuaternion(btVector3(0, 1, 0), 0.1f * float(i));
        body.linearVelocity = btVector3(0, 0, i % 3 == 0 ? 1.0f : 0.0f);
        body.angularVelocity = btVector3(0, i % 2 == 0 ? 2.0f : 0.0f, 0);
        body.activationState = i % 4 == 0 ? ISLAND_SLEEPING : ACTIVE_TAG;
        description.bodies.push_back(body);
    }
    return BuildLoadedWorld(description);
}

TEST(BulkRemoval, StopAfterEightThousandThrowsRestoresExactlyTheStartBodies)
{
    enum class Start { Scene, OpenedWorld };
    for (const Start kind : {Start::Scene, Start::OpenedWorld}) {
        SCOPED_TRACE(kind == Start::Scene ? "start scene" : "opened world");
        TestWorld scene(kind == Start::Scene ? TestWorld::StartBodies : TestWorld::Empty);
        WorldBodies bodies(*scene.world);
        if (kind == Start::OpenedWorld)
            bodies.Adopt(OpenedRow(60));
        std::vector<StartState> start;
        for (int i = 0; i < scene.BodyCount(); ++i)
            start.push_back({scene.Body(i), scene.Body(i)->getWorldTransform()});

        ASSERT_EQ(AddRestingThrownBodies(*scene.world, scene.shapes.sphere.get(),
                                         scene.shapes.dice.get(), 8000),
                  8000);
        // Some start bodies knocked about, so that Stop has something to put back.
        for (std::size_t i = 1; i < start.size(); i += 10) {
            start[i].body->setLinearVelocity(btVector3(4, 6, 0));
            start[i].body->setAngularVelocity(btVector3(0, 0, 3));
        }
        scene.Step(10);
        int moved = 0;
        for (const StartState& s : start) {
            moved += (s.body->getWorldTransform().getOrigin() - s.transform.getOrigin()).length() >
                     0.1f;
        }
        ASSERT_GT(moved, 3) << "the throws should have moved some start bodies";

        ResetSimulation(*scene.world);

        ASSERT_EQ(scene.BodyCount(), int(start.size())) << "every thrown body goes";
        for (int i = 0; i < scene.BodyCount(); ++i) {
            btRigidBody* body = scene.Body(i);
            ASSERT_EQ(body, start[std::size_t(i)].body) << "body " << i << " keeps its place";
            const btTransform& want = start[std::size_t(i)].transform;
            EXPECT_EQ(body->getWorldTransform().getOrigin(), want.getOrigin()) << "body " << i;
            EXPECT_EQ(body->getWorldTransform().getRotation(), want.getRotation()) << "body " << i;
            EXPECT_EQ(body->getInterpolationWorldTransform().getOrigin(), want.getOrigin());
            EXPECT_EQ(body->getLinearVelocity(), btVector3(0, 0, 0)) << "body " << i;
            EXPECT_EQ(body->getAngularVelocity(), btVector3(0, 0, 0)) << "body " << i;
            EXPECT_EQ(body->getActivationState(), ACTIVE_TAG) << "body " << i;
        }
        ExpectConsistent(*scene.world);
        for (const auto& [pair, algorithm] : Pairs(*scene.world))
            EXPECT_EQ(algorithm, nullptr) << "Stop forgets every contact";

        // The world runs on from there as if nothing had been thrown.
        scene.Step(60);
        ExpectConsistent(*scene.world);
        for (std::size_t i = 0; i < start.size(); ++i) {
            EXPECT_LT((start[i].body->getWorldTransform().getOrigin() -
                       start[i].transform.getOrigin()).length(),
                      0.6f)
                << "body " << i;
        }
    }
}

TEST(BulkRemoval, StayingBodiesKeepTheirOrderPairsAndContacts)
{
    TestWorld scene;
    AddRestingThrownBodies(*scene.world, scene.shapes.sphere.get(), scene.shapes.dice.get(), 500);
    // Every other body goes, thrown or not, so that the stayers are spread
    // over the arrays and the pair cache.
    scene.Step(30);
    std::vector<const btCollisionObject*> stayers;
    std::vector<const btCollisionObject*> leavers;
    for (int i = 0; i < scene.BodyCount(); ++i)
        (i % 2 == 0 ? stayers : leavers).push_back(scene.Body(i));
    const auto leaves = [](const btCollisionObject& object) {
        return object.getWorldArrayIndex() % 2 == 1;
    };
    std::map<ObjectPair, const btCollisionAlgorithm*> kept;
    for (const auto& [pair, algorithm] : Pairs(*scene.world)) {
        if (!leaves(*pair.first) && !leaves(*pair.second))
            kept[pair] = algorithm;
    }
    ASSERT_GT(kept.size(), 100u);

    const std::vector<btCollisionObject*> removed = scene.world->RemoveCollisionObjects(leaves);

    ASSERT_EQ(removed.size(), leavers.size());
    for (std::size_t i = 0; i < removed.size(); ++i) {
        EXPECT_EQ(removed[i], leavers[i]) << "removed in world order";
        EXPECT_EQ(removed[i]->getBroadphaseHandle(), nullptr);
        EXPECT_EQ(removed[i]->getWorldArrayIndex(), -1);
    }
    ASSERT_EQ(scene.BodyCount(), int(stayers.size()));
    for (int i = 0; i < scene.BodyCount(); ++i)
        EXPECT_EQ(scene.Body(i), stayers[std::size_t(i)]) << "object " << i;
    EXPECT_EQ(Pairs(*scene.world), kept);
    ExpectConsistent(*scene.world);

    for (btCollisionObject* object : removed)
        DeleteCollisionObject(object);
    scene.Step(10);
    ExpectConsistent(*scene.world);
}

// Bodies on a row, each joined to its neighbour, every seventh to the world
// itself, a second joint on every ninth pair; collisions between joined
// bodies off for two joints in three.
WorldDescription JoinedRow(int count)
{
    WorldDescription description;
    DescribedShape box;
    box.extents = btVector3(0.4f, 0.4f, 0.4f);
    box.margin = 0.04f;
    description.shapes = {box};
    for (int i = 0; i < count; ++i) {
        DescribedBody body;
        body.mass = 1;
        body.transform.origin = btVector3(float(i % 40), 2.0f + float(i / 40), 0);
        description.bodies.push_back(body);
    }
    for (int i = 1; i < count; ++i) {
        for (int copy = 0; copy < (i % 9 == 0 ? 2 : 1); ++copy) {
            DescribedConstraint joint;
            joint.record = int(description.constraints.size());
            joint.bodyA = i;
            joint.bodyB = i % 7 == 0 ? -1 : i - 1;
            joint.disableCollisionsBetweenBodies = joint.record % 3 != 0;
            joint.frameB.origin = i % 7 == 0 ? description.bodies[std::size_t(i)].transform.origin
                                             : btVector3(1, 0, 0);
            description.constraints.push_back(joint);
        }
    }
    return description;
}

// What the constraints in a world leave on an opened world's bodies, by
// index: the constraints in the world, each body's references, and whether
// each joined pair may collide.
struct JointState {
    std::set<int> inWorld;
    std::vector<std::multiset<int>> references;
    std::vector<bool> collide;
    int fixedBodyReferences = 0;

    JointState(const btDynamicsWorld& world, const LoadedWorld& opened)
    {
        std::map<const btTypedConstraint*, int> index;
        for (int c = 0; c < opened.ConstraintCount(); ++c)
            index[&opened.ConstraintAt(c)] = c;
        for (int c = 0; c < world.getNumConstraints(); ++c)
            inWorld.insert(index.at(world.getConstraint(c)));
        for (int b = 0; b < opened.BodyCount(); ++b) {
            references.emplace_back();
            const btRigidBody& body = opened.BodyAt(b);
            for (int r = 0; r < body.getNumConstraintRefs(); ++r)
                references.back().insert(index.at(const_cast<btRigidBody&>(body).getConstraintRef(r)));
        }
        btRigidBody& fixed = btTypedConstraint::getFixedBody();
        for (int r = 0; r < fixed.getNumConstraintRefs(); ++r)
            fixedBodyReferences += index.count(fixed.getConstraintRef(r)) != 0 ? 1 : 0;
        for (int c = 0; c < opened.ConstraintCount(); ++c) {
            const btTypedConstraint& joint = opened.ConstraintAt(c);
            collide.push_back(joint.getRigidBodyA().checkCollideWith(&joint.getRigidBodyB()) &&
                              joint.getRigidBodyB().checkCollideWith(&joint.getRigidBodyA()));
        }
    }
    bool operator==(const JointState&) const = default;
};

TEST(BulkRemoval, ConstraintsLeaveInOnePassAsBulletsOwnRemovalLeavesThem)
{
    const WorldDescription description = JoinedRow(400);
    // Which constraints leave: none, every third, all but every fifth, all.
    const std::vector<std::function<bool(int)>> choices = {
        [](int) { return false; }, [](int c) { return c % 3 == 1; },
        [](int c) { return c % 5 != 0; }, [](int) { return true; }};
    for (std::size_t choice = 0; choice < choices.size(); ++choice) {
        SCOPED_TRACE("choice " + std::to_string(choice));
        const auto leaves = choices[choice];
        std::optional<JointState> expected;
        for (const bool onePass : {false, true}) {
            TestWorld scene(TestWorld::Empty);
            std::unique_ptr<LoadedWorld> opened = BuildLoadedWorld(description);
            opened->AddTo(*scene.world);
            scene.Step(5);
            std::map<const btTypedConstraint*, int> index;
            for (int c = 0; c < opened->ConstraintCount(); ++c)
                index[&opened->ConstraintAt(c)] = c;
            std::vector<const btTypedConstraint*> staying, leaving;
            for (int c = 0; c < scene.world->getNumConstraints(); ++c) {
                btTypedConstraint* joint = scene.world->getConstraint(c);
                (leaves(index.at(joint)) ? leaving : staying).push_back(joint);
            }
            if (onePass) {
                const std::vector<btTypedConstraint*> removed = scene.world->RemoveConstraints(
                    [&](const btTypedConstraint& joint) { return leaves(index.at(&joint)); });
                EXPECT_EQ(std::vector<const btTypedConstraint*>(removed.begin(), removed.end()),
                          leaving) << "removed in world order";
                std::vector<const btTypedConstraint*> left;
                for (int c = 0; c < scene.world->getNumConstraints(); ++c)
                    left.push_back(scene.world->getConstraint(c));
                EXPECT_EQ(left, staying) << "the staying ones keep their order";
                EXPECT_EQ(JointState(*scene.world, *opened), *expected);
            } else {
                for (const btTypedConstraint* joint : leaving)
                    scene.world->removeConstraint(const_cast<btTypedConstraint*>(joint));
                expected.emplace(*scene.world, *opened);
            }
            // The world steps on with what stays, then lets everything go.
            scene.Step(5);
            opened->RemoveFrom(*scene.world);
            EXPECT_EQ(btTypedConstraint::getFixedBody().getNumConstraintRefs(), 0);
        }
    }
}

}  // namespace
