// The selection's life on the scene: it holds its body through Stop when the
// body stays, and ends whenever its body leaves the world.
#include "physics/body_thrower.h"
#include "view/scene_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class SelectionOnScene : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_gl.Ok()) << m_gl.Error();
        std::filesystem::create_directories(m_folder);
        m_scene.Init(&testing_support::OffscreenGl::ProcLookup);
    }
    void TearDown() override
    {
        m_scene.Destroy();
        std::filesystem::remove_all(m_folder);
    }
    btRigidBody* BodyAt(int index)
    {
        return btRigidBody::upcast(m_scene.World()->getCollisionObjectArray()[index]);
    }
    // Selects the body and checks that the revision moved.
    void SelectAndCheck(btRigidBody* body)
    {
        const std::uint64_t before = m_scene.Selection().Revision();
        m_scene.Selection().Select(body);
        ASSERT_EQ(m_scene.Selection().Body(), body);
        ASSERT_GT(m_scene.Selection().Revision(), before);
    }

    testing_support::OffscreenGl m_gl{16, 16};
    const std::string m_folder = ::testing::TempDir() + "kinetta-selection";
    Scene m_scene;
};

TEST_F(SelectionOnScene, EndsWhenItsBodyLeavesTheWorldAndOnlyThen)
{
    BodySelection& selection = m_scene.Selection();
    EXPECT_EQ(selection.Body(), nullptr);

    btRigidBody* can = BodyAt(5);
    SelectAndCheck(can);
    std::uint64_t revision = selection.Revision();
    selection.Select(can);
    selection.Forget(BodyAt(6));
    selection.Forget(nullptr);
    EXPECT_EQ(selection.Revision(), revision) << "nothing changed";
    m_scene.ResetSimulation();
    EXPECT_EQ(selection.Body(), can) << "a start body stays through Stop";

    btRigidBody* ball = ThrowSphere(*m_scene.World(), m_scene.BallModel(),
                                    CameraPose{btVector3(0, -15, -30), 0, 20});
    SelectAndCheck(ball);
    revision = selection.Revision();
    m_scene.ResetSimulation();
    EXPECT_EQ(selection.Body(), nullptr) << "Stop deletes thrown bodies";
    EXPECT_GT(selection.Revision(), revision);

    SelectAndCheck(can);
    selection.Forget(can);
    EXPECT_EQ(selection.Body(), nullptr);

    SelectAndCheck(BodyAt(0));
    m_scene.NewWorld();
    EXPECT_EQ(selection.Body(), nullptr) << "New";

    const std::string path = m_folder + "/world.bullet";
    ASSERT_TRUE(m_scene.SaveWorld(path).ok);
    SelectAndCheck(BodyAt(3));
    WorldFileOpenOptions options;
    options.readerPath = KINETTA_WORLD_READER_PATH;
    ASSERT_TRUE(m_scene.OpenWorld(m_folder + "/missing.bullet", options).ok == false);
    EXPECT_EQ(selection.Body(), BodyAt(3)) << "a failed Open changes nothing";
    ASSERT_TRUE(m_scene.OpenWorld(path, options).ok);
    EXPECT_EQ(selection.Body(), nullptr) << "Open";

    SelectAndCheck(BodyAt(1));
    m_scene.Destroy();
    EXPECT_EQ(selection.Body(), nullptr);
}

}  // namespace
