// The selection's life on the scene: it holds its body through Stop when the
// body stays, and ends whenever its body leaves the world.
#include "physics/body_thrower.h"
#include "view/body_description.h"
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

namespace {

int MagentaPixels(const std::vector<unsigned char>& rgba)
{
    int count = 0;
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4)
        count += rgba[i] > 200 && rgba[i + 1] < 80 && rgba[i + 2] > 200;
    return count;
}

TEST(SelectionOutline, EveryRowShowsItsSelectedBodyAndNoSelectionDrawsAsBefore)
{
    testing_support::OffscreenGl gl(160, 120);
    ASSERT_TRUE(gl.Ok()) << gl.Error();
    Scene scene;
    scene.Init(&testing_support::OffscreenGl::ProcLookup);
    // One body of each row, all in sight: ground, can, ball, die, and the
    // shape drawer's.
    const btCollisionObjectArray& objects = scene.World()->getCollisionObjectArray();
    const std::vector<btRigidBody*> bodies = {
        btRigidBody::upcast(objects[0]),
        btRigidBody::upcast(objects[1]),
        view_testing::AddBodyOfKind(scene, BodyKind::Ball, scene.BallModel(), btVector3(-3, 12, 8)),
        view_testing::AddBodyOfKind(scene, BodyKind::Die, scene.DieModel(), btVector3(3, 12, 8)),
        view_testing::AddBody(scene, scene.ConeShape(), btVector3(0, 12, 0)),
    };
    ASSERT_EQ(KindOf(*bodies[1]), BodyKind::Can);
    const std::vector<unsigned char> plain = view_testing::RenderPicture(gl, scene);
    ASSERT_EQ(MagentaPixels(plain), 0) << "no magenta in the scene itself";
    for (btRigidBody* body : bodies) {
        scene.Selection().Select(body);
        const std::vector<unsigned char> outlined = view_testing::RenderPicture(gl, scene);
        EXPECT_GT(MagentaPixels(outlined), 20) << int(KindOf(*body));
    }
    scene.Selection().Clear();
    EXPECT_EQ(view_testing::RenderPicture(gl, scene), plain) << "cleared: the picture as before";
    scene.Destroy();
}

TEST_F(SelectionOnScene, ThePaneNamesTheBodyByKindAndNumberWithItsMassAndMotion)
{
    const CDynamicsWorld& world = *m_scene.World();
    btRigidBody* ground = BodyAt(0);
    btRigidBody* can = BodyAt(37);
    btRigidBody* ball = ThrowSphere(*m_scene.World(), m_scene.BallModel(),
                                    CameraPose{btVector3(0, -15, -30), 0, 20});
    EXPECT_EQ(BodyNumber(world, *ground), 1);
    EXPECT_EQ(BodyNumber(world, *can), 37);
    EXPECT_EQ(BodyNumber(world, *ball), 1);
    btRigidBody outside(0.0f, nullptr, m_scene.ShapeFor(BodyKind::Can));
    EXPECT_EQ(BodyNumber(world, outside), 0);

    const std::string dot = " \u00b7 ";
    EXPECT_EQ(DescribeBody(*ground, 1, false), "Ground 1" + dot + "static");
    can->setActivationState(ISLAND_SLEEPING);
    EXPECT_EQ(DescribeBody(*can, 37, false), "Can 37" + dot + "2 kg" + dot + "asleep");
    can->forceActivationState(ACTIVE_TAG);
    EXPECT_EQ(DescribeBody(*can, 37, false), "Can 37" + dot + "2 kg" + dot + "at rest");
    EXPECT_EQ(DescribeBody(*can, 37, true), "Can 37" + dot + "2 kg" + dot + "held");
    EXPECT_NE(DescribeBody(*ball, 1, false).find("moving"), std::string::npos)
        << DescribeBody(*ball, 1, false);
}

}  // namespace
