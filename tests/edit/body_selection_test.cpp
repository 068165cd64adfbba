// The selection's life on the scene: it holds its body through Stop when the
// body stays, and ends whenever its body leaves the world.
#include "physics/body_thrower.h"
#include "edit/body_description.h"
#include "edit/document_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class SelectionOnScene : public edit_testing::DocumentTest {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }
    // Selects the body and checks that the revision moved.
    void SelectAndCheck(btRigidBody* body)
    {
        const std::uint64_t before = m_document.Selection().Revision();
        m_document.Selection().Select(body);
        ASSERT_EQ(m_document.Selection().Body(), body);
        ASSERT_GT(m_document.Selection().Revision(), before);
    }

    const std::string m_folder = ::testing::TempDir() + "kinetta-selection";
};

TEST_F(SelectionOnScene, EndsWhenItsBodyLeavesTheWorldAndOnlyThen)
{
    BodySelection& selection = m_document.Selection();
    EXPECT_EQ(selection.Body(), nullptr);

    btRigidBody* can = BodyAt(5);
    SelectAndCheck(can);
    std::uint64_t revision = selection.Revision();
    selection.Select(can);
    selection.Forget(BodyAt(6));
    selection.Forget(nullptr);
    EXPECT_EQ(selection.Revision(), revision) << "nothing changed";
    m_document.ResetSimulation();
    EXPECT_EQ(selection.Body(), can) << "a start body stays through Stop";

    btRigidBody* ball = ThrowSphere(m_document.World(), m_shapes.Ball(),
                                    CameraPose{btVector3(0, -15, -30), 0, 20});
    SelectAndCheck(ball);
    revision = selection.Revision();
    m_document.ResetSimulation();
    EXPECT_EQ(selection.Body(), nullptr) << "Stop deletes thrown bodies";
    EXPECT_GT(selection.Revision(), revision);

    SelectAndCheck(can);
    selection.Forget(can);
    EXPECT_EQ(selection.Body(), nullptr);

    SelectAndCheck(BodyAt(0));
    m_document.NewWorld();
    EXPECT_EQ(selection.Body(), nullptr) << "New";

    const std::string path = m_folder + "/world.bullet";
    ASSERT_TRUE(m_document.SaveWorld(path).ok);
    SelectAndCheck(BodyAt(3));
    WorldFileOpenOptions options;
    options.readerPath = KINETTA_WORLD_READER_PATH;
    ASSERT_TRUE(m_document.OpenWorld(m_folder + "/missing.bullet", options).ok == false);
    EXPECT_EQ(selection.Body(), BodyAt(3)) << "a failed Open changes nothing";
    ASSERT_TRUE(m_document.OpenWorld(path, options).ok);
    EXPECT_EQ(selection.Body(), nullptr) << "Open";
}

}  // namespace

namespace {

TEST_F(SelectionOnScene, ThePaneNamesTheBodyByKindAndNumberWithItsMassAndMotion)
{
    const CDynamicsWorld& world = m_document.World();
    btRigidBody* ground = BodyAt(0);
    btRigidBody* can = BodyAt(37);
    btRigidBody* ball = ThrowSphere(m_document.World(), m_shapes.Ball(),
                                    CameraPose{btVector3(0, -15, -30), 0, 20});
    EXPECT_EQ(BodyNumber(world, *ground), 1);
    EXPECT_EQ(BodyNumber(world, *can), 37);
    EXPECT_EQ(BodyNumber(world, *ball), 1);
    btRigidBody outside(0.0f, nullptr, m_shapes.For(BodyKind::Can));
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
