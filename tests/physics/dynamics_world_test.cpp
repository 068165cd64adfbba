#include "test_world.h"

#include <BulletCollision/CollisionDispatch/btBoxBoxCollisionAlgorithm.h>
#include <BulletCollision/CollisionDispatch/btCollisionObjectWrapper.h>
#include <BulletCollision/CollisionDispatch/btConvexConvexAlgorithm.h>
#include <LinearMath/btPoolAllocator.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

// The algorithm the dispatcher picks for a pair of shapes; type is its name.
template <typename Algorithm>
bool DispatcherPicks(CDynamicsWorld& world, btCollisionShape* a, btCollisionShape* b)
{
    btCollisionObject objectA, objectB;
    objectA.setCollisionShape(a);
    objectB.setCollisionShape(b);
    btCollisionObjectWrapper wrapA(nullptr, a, &objectA, objectA.getWorldTransform(), -1, -1);
    btCollisionObjectWrapper wrapB(nullptr, b, &objectB, objectB.getWorldTransform(), -1, -1);
    btDispatcher* dispatcher = world.getDispatcher();
    btCollisionAlgorithm* algorithm =
        dispatcher->findAlgorithm(&wrapA, &wrapB, nullptr, BT_CONTACT_POINT_ALGORITHMS);
    const bool picked = dynamic_cast<Algorithm*>(algorithm) != nullptr;
    algorithm->~btCollisionAlgorithm();
    dispatcher->freeCollisionAlgorithm(algorithm);
    return picked;
}

TEST(DynamicsWorld, IsBuiltWithTheScenePoolsAndSettings)
{
    TestWorld scene(TestWorld::Empty);
    auto* dispatcher = static_cast<btCollisionDispatcher*>(scene.world->getDispatcher());
    auto* configuration =
        static_cast<btDefaultCollisionConfiguration*>(dispatcher->getCollisionConfiguration());
    EXPECT_EQ(configuration->getPersistentManifoldPool()->getMaxCount(), 4096);
    EXPECT_EQ(configuration->getCollisionAlgorithmPool()->getMaxCount(), 4096);
    EXPECT_EQ(scene.world->getSolverInfo().m_splitImpulse, 1);
    EXPECT_EQ(scene.world->getSolverInfo().m_numIterations, 10);
    EXPECT_TRUE(scene.world->getDispatchInfo().m_useContinuous);
    ExpectNear(scene.world->getGravity(), btVector3(0, -10, 0), 0);
}

TEST(DynamicsWorld, BoxPairsUseTheConvexConvexAlgorithm)
{
    TestWorld scene(TestWorld::Empty);
    EXPECT_TRUE(DispatcherPicks<btConvexConvexAlgorithm>(*scene.world, scene.shapes.dice.get(),
                                                         scene.shapes.box.get()));
    EXPECT_FALSE(DispatcherPicks<btBoxBoxCollisionAlgorithm>(*scene.world, scene.shapes.dice.get(),
                                                             scene.shapes.box.get()));
}

// Components that note their own end, so that the order of teardown shows.
using Log = std::vector<std::string>;

struct LoggingSolver : btMultiBodyConstraintSolver {
    explicit LoggingSolver(Log& log) : log(log) {}
    ~LoggingSolver() override { log.push_back("solver"); }
    Log& log;
};

struct LoggingBroadphase : btDbvtBroadphase {
    explicit LoggingBroadphase(Log& log) : log(log) {}
    ~LoggingBroadphase() override { log.push_back("broadphase"); }
    void destroyProxy(btBroadphaseProxy* proxy, btDispatcher* dispatcher) override
    {
        log.push_back("proxy");
        btDbvtBroadphase::destroyProxy(proxy, dispatcher);
    }
    Log& log;
};

struct LoggingConfiguration : btDefaultCollisionConfiguration {
    explicit LoggingConfiguration(Log& log) : log(log) {}
    ~LoggingConfiguration() override { log.push_back("configuration"); }
    Log& log;
};

struct LoggingDispatcher : btCollisionDispatcher {
    LoggingDispatcher(btCollisionConfiguration* configuration, Log& log)
        : btCollisionDispatcher(configuration), log(log)
    {
    }
    ~LoggingDispatcher() override { log.push_back("dispatcher"); }
    Log& log;
};

TEST(DynamicsWorld, RemovesLeftoverBodiesThenDeletesItsComponentsInOrder)
{
    SceneShapes shapes;
    btRigidBody* body = CreateRigidBody(shapes.sphere.get(), 1.0f, btVector3(0, 5, 0), 0.5f, 0.0f);
    Log log;
    {
        auto configuration = std::make_unique<LoggingConfiguration>(log);
        auto dispatcher = std::make_unique<LoggingDispatcher>(configuration.get(), log);
        CDynamicsWorld world(std::make_unique<LoggingSolver>(log),
                             std::make_unique<LoggingBroadphase>(log), std::move(configuration),
                             std::move(dispatcher));
        world.addRigidBody(body);
        StepWorld(world);
    }
    EXPECT_EQ(log, (Log{"proxy", "solver", "broadphase", "dispatcher", "configuration"}));
    EXPECT_EQ(body->getBroadphaseHandle(), nullptr);
    delete body->getMotionState();
    delete body;
}

TEST(CreateRigidBody, PlacesTheBodyAndSetsItsThresholds)
{
    SceneShapes shapes;
    const btQuaternion turn(btVector3(0, 0, 1), 0.5f);
    const btTransform start(turn, btVector3(1, 2, 3));
    btRigidBody* turned =
        CreateRigidBody(shapes.box.get(), 3.0f, btVector3(1, 2, 3), turn, 0.25f, 0.1f);
    btRigidBody* upright =
        CreateRigidBody(shapes.ground.get(), 0.0f, btVector3(0, -1, 0), 0.5f, 0.0f);

    auto* motionState = dynamic_cast<btDefaultMotionState*>(turned->getMotionState());
    ASSERT_NE(motionState, nullptr);
    EXPECT_TRUE(SameTransform(turned->getWorldTransform(), start, 0));
    EXPECT_TRUE(SameTransform(motionState->m_startWorldTrans, start, 0));
    EXPECT_TRUE(SameTransform(motionState->m_centerOfMassOffset, btTransform::getIdentity(), 0));
    EXPECT_EQ(turned->getContactProcessingThreshold(), BT_LARGE_FLOAT);
    EXPECT_EQ(turned->getCcdMotionThreshold(), 0.25f);
    EXPECT_EQ(turned->getCcdSweptSphereRadius(), 0.1f);
    btVector3 inertia;
    shapes.box->calculateLocalInertia(3.0f, inertia);
    ExpectNear(turned->getLocalInertia(), inertia, 1e-6f);

    EXPECT_EQ(upright->getWorldTransform().getRotation(), btQuaternion::getIdentity());
    EXPECT_TRUE(upright->isStaticObject());
    ExpectNear(upright->getLocalInertia(), btVector3(0, 0, 0), 0);

    for (btRigidBody* body : {turned, upright}) {
        delete body->getMotionState();
        delete body;
    }
    // A static body never asks its shape for inertia: without the check it
    // would be made, and crash the world it is added to.
    EXPECT_DEATH(CreateRigidBody(nullptr, 0.0f, btVector3(0, 0, 0), 0.5f, 0.0f),
                 "give every body a collision shape");
}

TEST(StepWorld, AdvancesOneFixedStepPerCallWhateverTheInterval)
{
    TestWorld scene(TestWorld::Empty);
    btRigidBody* ball = scene.Add(scene.shapes.sphere.get(), 1.0f, btVector3(0, 50, 0));

    StepWorld(*scene.world);
    EXPECT_NEAR(ball->getLinearVelocity().y(), -10.0f / 60.0f, 1e-5f);
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    StepWorld(*scene.world);
    EXPECT_NEAR(ball->getLinearVelocity().y(), -20.0f / 60.0f, 1e-5f);
    StepWorld(*scene.world);
    StepWorld(*scene.world);
    EXPECT_NEAR(ball->getLinearVelocity().y(), -40.0f / 60.0f, 1e-5f);
}

TEST(StepWorld, LeavesEveryGraphicsTransformOnItsBody)
{
    TestWorld scene(TestWorld::Empty);
    scene.Add(scene.shapes.ground.get(), 0.0f, btVector3(0, -1, 0));
    btRigidBody* dice = scene.Add(scene.shapes.dice.get(), 2.0f, btVector3(0, 3, 0));
    dice->setAngularVelocity(btVector3(1, -3, 2));
    dice->setLinearVelocity(btVector3(2, 5, 0));
    btRigidBody* ball = scene.Add(scene.shapes.sphere.get(), 0.75f, btVector3(1, 8, 0));

    for (int step = 0; step < 240; ++step) {
        const btVector3 before = dice->getWorldTransform().getOrigin();
        StepWorld(*scene.world);
        for (btRigidBody* body : {dice, ball}) {
            btTransform drawn;
            body->getMotionState()->getWorldTransform(drawn);
            ASSERT_TRUE(SameTransform(drawn, body->getWorldTransform(), 1e-5f)) << "step " << step;
        }
        if (step < 10) {
            EXPECT_GT((dice->getWorldTransform().getOrigin() - before).length(), 0.01f);
        }
    }
}

// Skipping the steps of a world at rest must change nothing that follows:
// once woken, it moves exactly as a world stepped all along by Bullet.
TEST(StepWorld, SkipsAWorldAtRestUntilSomethingWakesAndThenMatchesBullet)
{
    TestWorld skipping, stepped;
    int skippingTicks = 0;
    skipping.world->setInternalTickCallback(
        [](btDynamicsWorld* world, btScalar) { ++*static_cast<int*>(world->getWorldUserInfo()); },
        &skippingTicks);
    int steps = 0;
    for (; steps < 2000 && !NothingCanMove(*skipping.world); ++steps) {
        StepWorld(*skipping.world);
        stepped.world->stepSimulation(kFixedTimeStep, 0);
    }
    ASSERT_TRUE(NothingCanMove(*skipping.world)) << "the start scene never came to rest";
    EXPECT_EQ(skippingTicks, steps);
    for (int i = 0; i < 300; ++i) {
        StepWorld(*skipping.world);
        stepped.world->stepSimulation(kFixedTimeStep, 0);
    }
    EXPECT_EQ(skippingTicks, steps) << "a world at rest was stepped";

    const btTransform atRest30 = skipping.Body(30)->getWorldTransform();
    for (TestWorld* scene : {&skipping, &stepped}) {
        btRigidBody* can = scene->Body(30);
        can->activate(true);
        can->applyCentralImpulse(btVector3(0, 0, -40));
    }
    for (int i = 0; i < 200; ++i) {
        StepWorld(*skipping.world);
        stepped.world->stepSimulation(kFixedTimeStep, 0);
    }
    EXPECT_EQ(skippingTicks, steps + 200);
    const std::vector<btTransform> expected = stepped.Transforms();
    const std::vector<btTransform> actual = skipping.Transforms();
    for (std::size_t i = 0; i < expected.size(); ++i)
        ASSERT_TRUE(SameTransform(actual[i], expected[i], 1e-6f)) << "body " << i;
    EXPECT_GT((expected[30].getOrigin() - atRest30.getOrigin()).length(), 0.5f)
        << "the woken can did not move: the comparison shows nothing";

    // Static objects count as active in Bullet yet never move; a kinematic
    // body may be moved between steps by whoever owns it.
    TestWorld carried(TestWorld::Empty);
    carried.Add(carried.shapes.ground.get(), 0.0f, btVector3(0, -1, 0));
    EXPECT_TRUE(NothingCanMove(*carried.world));
    btRigidBody* carrier = carried.Add(carried.shapes.sphere.get(), 0.0f, btVector3(5, 1, 5));
    carrier->setCollisionFlags(carrier->getCollisionFlags() | btCollisionObject::CF_KINEMATIC_OBJECT);
    carrier->setActivationState(ISLAND_SLEEPING);
    EXPECT_FALSE(NothingCanMove(*carried.world));
}

TEST(ResetBodies, RestoresStartAndWakesButLeavesStaticVelocity)
{
    TestWorld scene(TestWorld::Empty);
    btRigidBody* ground = scene.Add(scene.shapes.ground.get(), 0.0f, btVector3(0, -1, 0));
    btRigidBody* dice = scene.Add(scene.shapes.dice.get(), 2.0f, btVector3(0, 3, 0));
    dice->setAngularVelocity(btVector3(4, 1, 0));
    for (int step = 0; step < 400; ++step) {
        StepWorld(*scene.world);
    }
    ASSERT_FALSE(dice->isActive()) << "the dice should have settled and slept";
    ASSERT_GT(scene.world->getDispatcher()->getNumManifolds(), 0);
    // A static body may carry a velocity (a conveyor's, say); reset keeps it.
    ground->setLinearVelocity(btVector3(1, 0, 0));

    scene.world->ResetBodies();

    const btTransform start(btQuaternion::getIdentity(), btVector3(0, 3, 0));
    EXPECT_TRUE(SameTransform(dice->getWorldTransform(), start, 0));
    EXPECT_TRUE(SameTransform(dice->getInterpolationWorldTransform(), start, 0));
    btTransform drawn;
    dice->getMotionState()->getWorldTransform(drawn);
    EXPECT_TRUE(SameTransform(drawn, start, 0));
    ExpectNear(dice->getLinearVelocity(), btVector3(0, 0, 0), 0);
    ExpectNear(dice->getAngularVelocity(), btVector3(0, 0, 0), 0);
    EXPECT_EQ(dice->getActivationState(), ACTIVE_TAG);
    EXPECT_EQ(dice->getDeactivationTime(), 0.0f);
    ExpectNear(ground->getLinearVelocity(), btVector3(1, 0, 0), 0);
    // Cached contacts are forgotten: the pairs stay, their algorithms and manifolds go.
    EXPECT_EQ(scene.world->getDispatcher()->getNumManifolds(), 0);
    btOverlappingPairCache* pairs = scene.world->getBroadphase()->getOverlappingPairCache();
    for (int i = 0; i < pairs->getNumOverlappingPairs(); ++i) {
        EXPECT_EQ(pairs->getOverlappingPairArrayPtr()[i].m_algorithm, nullptr);
    }

    StepWorld(*scene.world);
    EXPECT_LT(dice->getWorldTransform().getOrigin().y(), 3.0f) << "the reset dice falls again";
}

}  // namespace

// A kinematic body goes where its motion state says, at the speed that takes
// it there from its interpolation transform in one step. Stop must move both,
// or the first step after it flings the body back at hundreds of metres per
// second through whatever stands in between.
TEST(ResetBodies, KinematicBodyIsBackAtRestAfterTheNextStep)
{
    TestWorld scene(TestWorld::Empty);
    btRigidBody* paddle = scene.Add(scene.shapes.box.get(), 0.0f, btVector3(0, 2, 0));
    paddle->setCollisionFlags(paddle->getCollisionFlags() | btCollisionObject::CF_KINEMATIC_OBJECT);
    paddle->setActivationState(DISABLE_DEACTIVATION);
    auto* motion = static_cast<btDefaultMotionState*>(paddle->getMotionState());
    for (int step = 1; step <= 30; ++step) {
        motion->m_graphicsWorldTrans.setOrigin(btVector3(0.2f * float(step), 2, 0));
        StepWorld(*scene.world);
    }
    ASSERT_NEAR(paddle->getWorldTransform().getOrigin().x(), 6.0f, 1e-4f);
    ASSERT_NEAR(paddle->getLinearVelocity().x(), 12.0f, 1e-2f) << "moved by its motion state";

    scene.world->ResetBodies();
    StepWorld(*scene.world);

    ExpectNear(paddle->getWorldTransform().getOrigin(), btVector3(0, 2, 0), 1e-5f);
    ExpectNear(paddle->getLinearVelocity(), btVector3(0, 0, 0), 1e-3f);
}
