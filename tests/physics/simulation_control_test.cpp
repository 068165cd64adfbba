#include "physics/simulation_control.h"
#include "physics/body_thrower.h"

#include "test_world.h"

#include <gtest/gtest.h>

namespace {

using S = SimulationState;
using C = SimulationCommand;

TEST(SimulationStateMachine, FollowsTheCommandTable)
{
    struct Row {
        S current;
        C command;
        S next;
        bool reset;
    };
    const Row table[] = {
        {S::Running, C::Start, S::Paused, false},  {S::Paused, C::Start, S::Running, false},
        {S::Stopped, C::Start, S::Running, false}, {S::Running, C::Pause, S::Paused, false},
        {S::Paused, C::Pause, S::Paused, false},   {S::Stopped, C::Pause, S::Paused, false},
        {S::Running, C::Stop, S::Stopped, true},   {S::Paused, C::Stop, S::Stopped, true},
        {S::Stopped, C::Stop, S::Stopped, true},
    };
    for (const Row& row : table) {
        const SimulationTransition transition = NextSimulationState(row.current, row.command);
        EXPECT_EQ(transition.next, row.next) << int(row.current) << " / " << int(row.command);
        EXPECT_EQ(transition.resetDue, row.reset) << int(row.current) << " / " << int(row.command);
    }
    EXPECT_EQ(int(S::Stopped), 0);
    EXPECT_EQ(int(S::Paused), 1);
    EXPECT_EQ(int(S::Running), 2);

    const S afterTwoEnters =
        NextSimulationState(NextSimulationState(S::Running, C::Start).next, C::Start).next;
    EXPECT_EQ(afterTwoEnters, S::Running);
}

class ResetSimulationTest : public ::testing::Test {
protected:
    void ThrowSome()
    {
        const CameraPose camera{btVector3(0, -15, -30), 0.0f, 20.0f};
        int draw = 0;
        RandomDraw random = [&draw] { return (draw += 9000) % 32768; };
        for (int i = 0; i < 4; ++i) {
            CameraPose aimed = camera;
            aimed.yawDegrees = float(i * 7);
            ThrowSphere(*scene.world, scene.shapes.sphere.get(), aimed);
            ThrowDice(*scene.world, scene.shapes.dice.get(), aimed, random);
        }
    }

    void ExpectStartScene()
    {
        ASSERT_EQ(scene.BodyCount(), kStartBodyCount);
        for (int i = 0; i < kStartBodyCount; ++i) {
            btRigidBody* body = scene.Body(i);
            ASSERT_EQ(body, startBodies[i]) << "body " << i;
            const btTransform& now = body->getWorldTransform();
            EXPECT_EQ(now.getOrigin(), start[i].getOrigin()) << "body " << i;
            EXPECT_EQ(now.getRotation(), start[i].getRotation()) << "body " << i;
            EXPECT_EQ(body->getLinearVelocity(), btVector3(0, 0, 0)) << "body " << i;
            EXPECT_EQ(body->getAngularVelocity(), btVector3(0, 0, 0)) << "body " << i;
            EXPECT_EQ(body->getActivationState(), ACTIVE_TAG) << "body " << i;
        }
    }

    void Reset()
    {
        ResetSimulation(*scene.world);
    }

    TestWorld scene;
    const std::vector<btTransform> start = scene.Transforms();
    std::vector<btRigidBody*> startBodies = [this] {
        std::vector<btRigidBody*> bodies;
        for (int i = 0; i < scene.BodyCount(); ++i) {
            bodies.push_back(scene.Body(i));
        }
        return bodies;
    }();
};

TEST_F(ResetSimulationTest, StopRestoresTheStartBodiesAndRemovesThrownOnes)
{
    ThrowSome();
    scene.Step(90);
    ASSERT_EQ(scene.BodyCount(), kStartBodyCount + 8);
    int knockedOver = 0;
    for (int i = 0; i < kStartBodyCount; ++i) {
        knockedOver +=
            (scene.Body(i)->getWorldTransform().getOrigin() - start[i].getOrigin()).length() > 0.5f;
    }
    ASSERT_GT(knockedOver, 3) << "the throws should have hit the tower";

    Reset();
    ExpectStartScene();

    scene.Step(30);  // the reset scene runs again
    EXPECT_LT((scene.Body(1)->getWorldTransform().getOrigin() - start[1].getOrigin()).length(),
              0.05f);
}

TEST_F(ResetSimulationTest, StopWhileStoppedResetsAgainAndWakesSleepers)
{
    ThrowSome();
    scene.Step(60);
    Reset();
    scene.Step(300);  // the start scene settles and sleeps
    ASSERT_FALSE(scene.Body(1)->isActive());

    Reset();
    ExpectStartScene();
    Reset();
    ExpectStartScene();
}

TEST(DestroyAllCollisionObjects, LeavesTheWorldEmptyAndUsable)
{
    TestWorld scene;
    ThrowSphere(*scene.world, scene.shapes.sphere.get(), CameraPose{btVector3(0, -15, -30), 0, 20});
    auto* wall = new btCollisionObject;  // not a rigid body: no motion state to delete
    wall->setCollisionShape(scene.shapes.wall.get());
    scene.world->addCollisionObject(wall);

    DestroyAllCollisionObjects(*scene.world);
    EXPECT_EQ(scene.BodyCount(), 0);
    EXPECT_EQ(scene.world->getNonStaticRigidBodies().size(), 0);
    StepWorld(*scene.world);
}

}  // namespace
