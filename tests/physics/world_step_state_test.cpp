#include "physics/world_step_state.h"

#include "test_world.h"

#include <BulletDynamics/Featherstone/btMultiBody.h>
#include <BulletDynamics/Featherstone/btMultiBodyLinkCollider.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

namespace {

// The start scene hit by 200 thrown balls and dice, with a pendulum on a
// joint and a two-link arm on a fixed base swinging into the pile: every kind
// of state a step carries.
struct BusyWorld {
    BusyWorld()
    {
        std::mt19937 random(20261208);
        std::uniform_real_distribution<float> spread(-1.0f, 1.0f);
        btRigidBody* bob = world.Add(world.shapes.sphere.get(), 1.0f, btVector3(0, 12, 0));
        hinge = std::make_unique<btPoint2PointConstraint>(*bob, btVector3(3, 0, 0));
        world.world->addConstraint(hinge.get());
        AddArm();
        for (int step = 0; step < 120; ++step) {
            if (step < 100 && step % 2 == 0) {
                for (int k = 0; k < 4; ++k) {
                    btCollisionShape* shape =
                        k % 2 ? static_cast<btCollisionShape*>(world.shapes.dice.get())
                              : world.shapes.sphere.get();
                    btRigidBody* body = world.Add(
                        shape, 1.0f, btVector3(spread(random) * 3, 3 + spread(random), 20));
                    body->setLinearVelocity(btVector3(spread(random) * 3, 2, -25));
                    body->setAngularVelocity(
                        btVector3(spread(random), spread(random), spread(random)));
                }
            }
            world.Step(1);
        }
    }
    ~BusyWorld()
    {
        world.world->removeConstraint(hinge.get());
        world.world->removeMultiBody(arm.get());
    }

    void AddArm()
    {
        arm = std::make_unique<btMultiBody>(2, 0.0f, btVector3(0, 0, 0), true, false);
        arm->setBaseWorldTransform(btTransform(btQuaternion::getIdentity(), btVector3(0, 6, -6)));
        const btVector3 inertia(0.5f, 0.5f, 0.5f);
        for (int link = 0; link < 2; ++link) {
            arm->setupRevolute(link, 2.0f, inertia, link - 1, btQuaternion::getIdentity(),
                               btVector3(0, 0, 1), btVector3(0, -1, 0), btVector3(0, -1, 0));
        }
        arm->finalizeMultiDof();
        world.world->addMultiBody(arm.get());
        btAlignedObjectArray<btQuaternion> worldToLocal;
        btAlignedObjectArray<btVector3> localOrigin;
        arm->forwardKinematics(worldToLocal, localOrigin);
        for (int link = 0; link < 2; ++link) {
            auto* collider = new btMultiBodyLinkCollider(arm.get(), link);
            collider->setCollisionShape(world.shapes.sphere.get());
            arm->getLink(link).m_collider = collider;
            world.world->addCollisionObject(collider, btBroadphaseProxy::DefaultFilter,
                                            btBroadphaseProxy::AllFilter);
        }
        arm->updateCollisionObjectWorldTransforms(worldToLocal, localOrigin);
        const btScalar swing[] = {2.0f};
        arm->setJointVelMultiDof(0, swing);
    }

    // Every object's transform after each of the next `count` steps.
    std::vector<std::vector<btTransform>> Run(int count)
    {
        std::vector<std::vector<btTransform>> trace;
        for (int step = 0; step < count; ++step) {
            world.Step(1);
            std::vector<btTransform> now;
            for (int i = 0; i < world.BodyCount(); ++i)
                now.push_back(world.world->getCollisionObjectArray()[i]->getWorldTransform());
            trace.push_back(now);
        }
        return trace;
    }

    TestWorld world;  // goes last: the arm's colliders and the bodies are its objects
    std::unique_ptr<btPoint2PointConstraint> hinge;
    std::unique_ptr<btMultiBody> arm;
};

struct Drift {
    float metres = 0;
    float radians = 0;
};

Drift LargestDrift(const std::vector<std::vector<btTransform>>& first,
                   const std::vector<std::vector<btTransform>>& again)
{
    Drift drift;
    for (std::size_t step = 0; step < first.size(); ++step) {
        for (std::size_t i = 0; i < first[step].size(); ++i) {
            const btTransform& a = first[step][i];
            const btTransform& b = again[step][i];
            drift.metres = std::max(drift.metres, (a.getOrigin() - b.getOrigin()).length());
            drift.radians =
                std::max(drift.radians, a.getRotation().angleShortestPath(b.getRotation()));
        }
    }
    return drift;
}

TEST(WorldStepState, RunningOnFromAKeptStateRepeatsTheFirstRunOnlyWithItsContactCache)
{
    BusyWorld busy;
    const WorldStepState kept = CaptureStepState(*busy.world.world);
    ASSERT_GT(kept.manifolds.size(), 300u) << "the pile must be touching for the cache to matter";
    const auto first = busy.Run(300);

    RestoreStepState(*busy.world.world, kept);
    const Drift exact = LargestDrift(first, busy.Run(300));
    EXPECT_LE(exact.metres, 1e-5f);
    EXPECT_LE(exact.radians, 1e-5f);

    RestoreStepState(*busy.world.world, kept, ContactCache::Forget);
    const Drift withoutCache = LargestDrift(first, busy.Run(300));
    EXPECT_GT(withoutCache.metres, 1e-3f) << "a replay without the cache should drift";
}

TEST(WorldStepState, PutsBackEveryFieldItKeepsAndFitsOnlyItsOwnWorld)
{
    BusyWorld busy;
    CDynamicsWorld& world = *busy.world.world;
    const WorldStepState kept = CaptureStepState(world);
    busy.hinge->setEnabled(false);
    busy.world.Step(40);
    RestoreStepState(world, kept);
    const WorldStepState again = CaptureStepState(world);

    ASSERT_EQ(again.objects.size(), kept.objects.size());
    for (std::size_t i = 0; i < kept.objects.size(); ++i) {
        const WorldStepState::Object& a = kept.objects[i];
        const WorldStepState::Object& b = again.objects[i];
        SCOPED_TRACE(i);
        EXPECT_TRUE(SameTransform(a.transform, b.transform, 0));
        EXPECT_TRUE(SameTransform(a.interpolationTransform, b.interpolationTransform, 0));
        EXPECT_EQ(a.linearVelocity, b.linearVelocity);
        EXPECT_EQ(a.angularVelocity, b.angularVelocity);
        EXPECT_EQ(a.activationState, b.activationState);
        EXPECT_EQ(a.deactivationTime, b.deactivationTime);
        EXPECT_EQ(a.stage, b.stage);
        EXPECT_EQ(a.proxyAabbMin, b.proxyAabbMin);
        EXPECT_TRUE(a.leafVolume.Mins() == b.leafVolume.Mins() &&
                    a.leafVolume.Maxs() == b.leafVolume.Maxs());
    }
    EXPECT_EQ(again.stageLists, kept.stageLists);
    EXPECT_EQ(again.counters.cleanupIndex, kept.counters.cleanupIndex);
    ASSERT_EQ(again.pairs.size(), kept.pairs.size());
    for (std::size_t i = 0; i < kept.pairs.size(); ++i) {
        EXPECT_EQ(again.pairs[i].object0, kept.pairs[i].object0);
        EXPECT_EQ(again.pairs[i].manifoldCount, kept.pairs[i].manifoldCount);
    }
    ASSERT_EQ(again.manifolds.size(), kept.manifolds.size());
    for (std::size_t i = 0; i < kept.manifolds.size(); ++i) {
        ASSERT_EQ(again.manifolds[i].getNumContacts(), kept.manifolds[i].getNumContacts());
        for (int p = 0; p < kept.manifolds[i].getNumContacts(); ++p) {
            const btManifoldPoint& a = kept.manifolds[i].getContactPoint(p);
            const btManifoldPoint& b = again.manifolds[i].getContactPoint(p);
            EXPECT_EQ(a.m_appliedImpulse, b.m_appliedImpulse);
            EXPECT_EQ(a.m_localPointA, b.m_localPointA);
            EXPECT_EQ(a.getLifeTime(), b.getLifeTime());
        }
    }
    EXPECT_EQ(again.manifoldOrder, kept.manifoldOrder);
    ASSERT_EQ(again.constraints.size(), 1u);
    EXPECT_TRUE(again.constraints[0].enabled);
    EXPECT_EQ(again.constraints[0].appliedImpulse, kept.constraints[0].appliedImpulse);
    ASSERT_EQ(again.multiBodies.size(), 1u);
    EXPECT_EQ(again.multiBodies[0].joints.jointPositions, kept.multiBodies[0].joints.jointPositions);
    EXPECT_EQ(again.multiBodies[0].joints.jointVelocities,
              kept.multiBodies[0].joints.jointVelocities);
    EXPECT_GT(kept.Bytes(), kept.manifolds.size() * sizeof(btPersistentManifold));

    EXPECT_TRUE(StateFitsWorld(world, kept));
    busy.world.Add(busy.world.shapes.sphere.get(), 1.0f, btVector3(0, 30, 0));
    EXPECT_FALSE(StateFitsWorld(world, kept));
}

}  // namespace
