// The view's tick without a window: keys, camera, throws and the step, on the
// scene built in an off-screen context.
#include "view/scene_tick.h"
#include "view/scene_fixture.h"

#include <gtest/gtest.h>

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
