// Whole frames of the start scene drawn off-screen at the window's start
// size, checked where a person would look.
#include "physics/body_thrower.h"
#include "physics/dynamics_world.h"
#include "view/scene_fixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using testing_support::OffscreenGl;
using view_testing::AddBody;
using view_testing::RenderPicture;
using view_testing::WritePng;

constexpr int kWidth = 640;
constexpr int kHeight = 480;

class StartFrame : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_gl.Ok()) << m_gl.Error();
        glw::Material::ResetGlProcs();
        m_scene.Init();
    }
    void TearDown() override
    {
        m_scene.Destroy();
        glw::Material::ResetGlProcs();
    }
    OffscreenGl m_gl{kWidth, kHeight};
    Scene m_scene;
};

// Pictures for a person to look at, in /tmp/kinetta-shots: run with
// --gtest_also_run_disabled_tests.
TEST_F(StartFrame, DISABLED_WritesPicturesToLookAt)
{
    const std::string folder = "/tmp/kinetta-shots";
    mkdir(folder.c_str(), 0755);
    RenderPicture(m_gl, m_scene);
    EXPECT_TRUE(WritePng(m_gl, folder + "/start-frame.png"));

    // Dice thrown from the eye, looking down steeply so they land in front of the tower.
    int draw = 0;
    const RandomDraw random = [&] { return (draw += 9973) % 32768; };
    for (int i = 0; i < 4; ++i) {
        const CameraPose pose{btVector3(-3.0f + 2.0f * i, -15.0f, -30.0f), 0.0f, 38.0f};
        ThrowDice(*m_scene.m_world, m_scene.m_diceModel, pose, random);
        for (int step = 0; step < 40; ++step)
            StepWorld(*m_scene.m_world);
    }
    for (int step = 0; step < 120; ++step)
        StepWorld(*m_scene.m_world);
    RenderPicture(m_gl, m_scene);
    EXPECT_TRUE(WritePng(m_gl, folder + "/thrown-dice.png"));

    // Shapes without a row of their own, drawn by the shape drawer.
    btBoxShape box(btVector3(0.6f, 0.6f, 0.6f));
    btSphereShape ball(0.6f);
    btCompoundShape compound;
    compound.addChildShape(btTransform(btQuaternion::getIdentity(), btVector3(0, 0.6f, 0)), &box);
    compound.addChildShape(btTransform(btQuaternion::getIdentity(), btVector3(0, 1.8f, 0)), &ball);
    AddBody(m_scene, m_scene.m_coneShape, btVector3(-3.0f, 0.5f, 8.5f));
    AddBody(m_scene, &compound, btVector3(3.0f, 0.0f, 8.5f),
            btQuaternion(btVector3(0, 1, 0), 0.5f));
    RenderPicture(m_gl, m_scene);
    EXPECT_TRUE(WritePng(m_gl, folder + "/cone-and-compound.png"));
    RenderPicture(m_gl, m_scene);
    EXPECT_TRUE(WritePng(m_gl, folder + "/cone-and-compound-2.png"));
    // The compound goes before the scene is torn down.
    DestroyCollisionObject(*m_scene.m_world,
                           m_scene.m_world->getCollisionObjectArray()[m_scene.BodyCount() - 1]);
}

}  // namespace
