// The view's tick without a window: keys, camera, throws and the step, on the
// scene built in an off-screen context.
#include "view/scene_tick.h"
#include "physics/fallen_bodies.h"
#include "view/scene_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class SceneTick : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_gl.Ok()) << m_gl.Error();
        m_scene.Init(&testing_support::OffscreenGl::ProcLookup);
        for (ViewKey key : {ViewKey::W, ViewKey::Space, ViewKey::T})
            m_keys.SetDown(key, true);
    }
    void TearDown() override { m_scene.Destroy(); }

    TickOutcome Tick(SimulationState state)
    {
        return TickScene(m_scene, m_keys, state, m_camera, m_thrower);
    }

    testing_support::OffscreenGl m_gl{16, 16};
    Scene m_scene;
    KeyState m_keys;
    CameraState m_camera;
    // A second between any two throws: the rate limit never holds one back.
    std::uint32_t m_now = 0;
    BodyThrower m_thrower{[this] { return m_now += 1000; }, [] { return 16384; }};
};

TEST_F(SceneTick, PausedOrStoppedTheCameraMovesButNothingIsThrownOrStepped)
{
    // A ball in flight shows whether the world steps.
    btRigidBody* ball =
        ThrowSphere(*m_scene.World(), m_scene.BallModel(), CameraPose{m_camera.camPos, 0, 20});
    const btVector3 ballAt = ball->getWorldTransform().getOrigin();
    const int bodies = m_scene.BodyCount();

    for (const SimulationState state : {SimulationState::Paused, SimulationState::Stopped}) {
        const float z = m_camera.camPos.z();
        const TickOutcome outcome = Tick(state);
        EXPECT_FALSE(outcome.stepped);
        EXPECT_FLOAT_EQ(m_camera.camPos.z(), z + 0.5f) << "W walks in every state";
        EXPECT_EQ(m_scene.BodyCount(), bodies) << "nothing thrown";
        EXPECT_EQ(ball->getWorldTransform().getOrigin(), ballAt) << "no step";
    }

    const TickOutcome running = Tick(SimulationState::Running);
    EXPECT_TRUE(running.stepped);
    ASSERT_EQ(m_scene.BodyCount(), bodies + 2) << "a ball, then a die";
    const auto& objects = m_scene.World()->getCollisionObjectArray();
    EXPECT_EQ(KindOf(*objects[bodies]), BodyKind::Ball);
    EXPECT_EQ(KindOf(*objects[bodies + 1]), BodyKind::Die);
    EXPECT_TRUE(WasThrown(*objects[bodies]) && WasThrown(*objects[bodies + 1]));
    EXPECT_NE(ball->getWorldTransform().getOrigin(), ballAt);
}

}  // namespace

// Slow motion: a second of simulated time is always sixty steps of 1/60 s;
// at 1/k speed it takes k times as many ticks, and every tick in between
// draws the ball a little further along, never standing still or jumping
// past where the next step puts it.
TEST_F(SceneTick, SlowMotionTakesSixtyStepsPerSimulatedSecondAndDrawsEveryTickBetweenThem)
{
    m_keys = KeyState();  // no walking, no throwing
    for (SimulationSpeed speed : kSimulationSpeeds) {
        SCOPED_TRACE(TicksPerStep(speed));
        btRigidBody* ball = ThrowSphere(*m_scene.World(), m_scene.BallModel(),
                                        CameraPose{btVector3(0, -15, -60), 0, 20});
        SlowMotion slow;
        slow.SetSpeed(speed);
        const int k = TicksPerStep(speed);
        int steps = 0;
        const btVector3 start = ball->getWorldTransform().getOrigin();
        btScalar lastDistance = -1;
        btScalar lastStep = 0;  // where the step before the last one left the ball
        for (int tick = 0; tick < 60 * k; ++tick) {
            const btScalar before = ball->getWorldTransform().getOrigin().distance(start);
            const bool stepped =
                TickScene(m_scene, m_keys, SimulationState::Running, m_camera, m_thrower, &slow)
                    .stepped;
            steps += stepped;
            if (stepped)
                lastStep = before;
            btTransform drawn;
            ball->getMotionState()->getWorldTransform(drawn);
            // In flight, the ball gets further from where it was thrown every step.
            const btScalar distance = drawn.getOrigin().distance(start);
            const btScalar after = ball->getWorldTransform().getOrigin().distance(start);
            EXPECT_GT(distance, lastDistance) << "tick " << tick << " drew the ball standing still";
            EXPECT_LE(distance, after + 1e-4f) << "drawn ahead of the body";
            EXPECT_GE(distance, lastStep - 1e-4f) << "drawn behind the step before";
            lastDistance = distance;
        }
        EXPECT_EQ(steps, 60);
        // At the end of each step's ticks the drawing has caught up.
        btTransform drawn;
        ball->getMotionState()->getWorldTransform(drawn);
        EXPECT_EQ(drawn.getOrigin(), ball->getWorldTransform().getOrigin());
        ResetSimulation(*m_scene.World());
    }
}

TEST_F(SceneTick, AStepOnceAdvancesTheWorldByExactlyOneFixedStep)
{
    btRigidBody* ball =
        ThrowSphere(*m_scene.World(), m_scene.BallModel(), CameraPose{m_camera.camPos, 0, 20});
    SlowMotion slow;
    slow.SetSpeed(SimulationSpeed::Quarter);
    const btVector3 velocity = ball->getLinearVelocity();
    EXPECT_TRUE(StepSceneOnce(m_scene, &slow).stepped);
    // Gravity alone acts on a ball in flight: one step changes its velocity by g/60.
    EXPECT_NEAR(ball->getLinearVelocity().y(), velocity.y() - 10.0f / 60.0f, 1e-4f);
    btTransform drawn;
    ball->getMotionState()->getWorldTransform(drawn);
    EXPECT_EQ(drawn.getOrigin(), ball->getWorldTransform().getOrigin())
        << "a single step is drawn where it leaves the body";
}

namespace {

// A step taken by hand between slow ticks: the next tick that takes no step
// must not draw the ball part way from where an earlier step found it.
TEST_F(SceneTick, AStepOnceBetweenSlowTicksLeavesNothingToDrawBehindTheBody)
{
    m_keys = KeyState();
    btRigidBody* ball =
        ThrowSphere(*m_scene.World(), m_scene.BallModel(), CameraPose{m_camera.camPos, 0, 20});
    SlowMotion slow;
    slow.SetSpeed(SimulationSpeed::Quarter);
    ASSERT_TRUE(TickScene(m_scene, m_keys, SimulationState::Running, m_camera, m_thrower, &slow)
                    .stepped);
    ASSERT_TRUE(StepSceneOnce(m_scene, &slow).stepped);
    ASSERT_FALSE(TickScene(m_scene, m_keys, SimulationState::Running, m_camera, m_thrower, &slow)
                     .stepped);
    btTransform drawn;
    ball->getMotionState()->getWorldTransform(drawn);
    EXPECT_EQ(drawn.getOrigin(), ball->getWorldTransform().getOrigin())
        << "drawn where the ball no longer is";
}

// A key pressed and released between two ticks acts once, at the next tick
// that can act on it: a tap is never lost, nor counted twice.
TEST_F(SceneTick, AKeyTappedBetweenTicksActsOnceAtTheNextTickThatReadsIt)
{
    m_keys = KeyState();
    auto tap = [&](ViewKey key) {
        m_keys.SetDown(key, true);
        m_keys.SetDown(key, false);
    };
    const int bodies = m_scene.BodyCount();
    tap(ViewKey::Space);
    tap(ViewKey::W);
    const float z = m_camera.camPos.z();
    EXPECT_TRUE(Tick(SimulationState::Running).stepped);
    EXPECT_EQ(m_scene.BodyCount(), bodies + 1) << "a tapped Space threw nothing";
    EXPECT_FLOAT_EQ(m_camera.camPos.z(), z + 0.5f) << "a tapped W walked nowhere";
    Tick(SimulationState::Running);
    EXPECT_EQ(m_scene.BodyCount(), bodies + 1) << "one tap threw twice";
    EXPECT_FLOAT_EQ(m_camera.camPos.z(), z + 0.5f);

    // Paused, a tap throws nothing, neither now nor once running again.
    tap(ViewKey::T);
    Tick(SimulationState::Paused);
    Tick(SimulationState::Running);
    EXPECT_EQ(m_scene.BodyCount(), bodies + 1);

    // In slow motion a tap between two steps waits for the next step.
    SlowMotion slow;
    slow.SetSpeed(SimulationSpeed::Quarter);
    int ticks = 0;
    while (!TickScene(m_scene, m_keys, SimulationState::Running, m_camera, m_thrower, &slow)
                .stepped)
        ASSERT_LT(++ticks, 8);
    tap(ViewKey::T);
    EXPECT_FALSE(
        TickScene(m_scene, m_keys, SimulationState::Running, m_camera, m_thrower, &slow).stepped);
    EXPECT_EQ(m_scene.BodyCount(), bodies + 1);
    ticks = 0;
    while (!TickScene(m_scene, m_keys, SimulationState::Running, m_camera, m_thrower, &slow)
                .stepped)
        ASSERT_LT(++ticks, 8);
    EXPECT_EQ(m_scene.BodyCount(), bodies + 2) << "a tap between slow steps was lost";
}

// A body flung off the world falls for ever unless it is taken out once it
// is far below everything static: a thrown one for good, a start body until
// Stop brings it back.
TEST_F(SceneTick, BodiesFallenFarBelowTheWorldLeaveItAndStartBodiesComeBackAtStop)
{
    CDynamicsWorld& world = *m_scene.World();
    const int startBodies = m_scene.BodyCount();
    btScalar floor = BT_LARGE_FLOAT;
    const btCollisionObjectArray& objects = world.getCollisionObjectArray();
    for (int i = 0; i < objects.size(); ++i) {
        btVector3 low, high;
        objects[i]->getCollisionShape()->getAabb(objects[i]->getWorldTransform(), low, high);
        if (objects[i]->isStaticObject())
            floor = std::min(floor, low.y());
    }
    btRigidBody* ball =
        ThrowSphere(world, m_scene.BallModel(), CameraPose{m_camera.camPos, 0, 20});
    btRigidBody* can = btRigidBody::upcast(objects[startBodies - 1]);
    btRigidBody* justAbove = btRigidBody::upcast(objects[startBodies - 2]);
    const btTransform canStart = can->getWorldTransform();
    // Puts a body's top this far below the lowest static point.
    auto sink = [&](btRigidBody* body, btScalar below) {
        btVector3 low, high;
        body->getAabb(low, high);
        btTransform moved = body->getWorldTransform();
        moved.getOrigin().setY(moved.getOrigin().y() - (high.y() - floor) - below);
        body->setWorldTransform(moved);
    };
    sink(ball, kFallenDepth + 1);
    sink(can, kFallenDepth + 1);
    sink(justAbove, kFallenDepth - 1);
    m_scene.Document()->Selection().Select(ball);

    EXPECT_EQ(m_scene.Document()->TakeOutFallen(), 2);
    EXPECT_EQ(m_scene.BodyCount(), startBodies - 1);
    EXPECT_EQ(m_scene.Selection().Body(), nullptr);
    EXPECT_EQ(justAbove->getBroadphaseHandle() != nullptr, true) << "taken out 499 m down";
    EXPECT_EQ(m_scene.Document()->TakeOutFallen(), 0);
    // Stop: the start body is back where it started, the thrown one gone.
    m_scene.Document()->ResetSimulation();
    EXPECT_EQ(m_scene.BodyCount(), startBodies);
    EXPECT_NE(can->getBroadphaseHandle(), nullptr);
    EXPECT_EQ(can->getWorldTransform(), canStart);
}

}  // namespace
