// Undo and redo of edits to the world, and what Stop, New and Open do to
// them: an edit made while Stopped changes the start, one made while the
// world runs changes only the running world.
#include "view/body_edits.h"
#include "view/edit_history.h"
#include "view/scene_fixture.h"
#include "worlds/world_file.h"
#include "worlds/world_file_checks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

// Records what is done to it in a shared log, its destruction too.
class LoggedEdit final : public Edit {
public:
    LoggedEdit(std::string name, std::vector<std::string>& log)
        : m_name(std::move(name)), m_log(log)
    {
    }
    ~LoggedEdit() override { m_log.push_back("~" + m_name); }
    std::string_view Name() const override { return m_name; }
    void Undo() override { m_log.push_back("undo " + m_name); }
    void Redo() override { m_log.push_back("redo " + m_name); }

private:
    std::string m_name;
    std::vector<std::string>& m_log;
};

TEST(EditHistory, UndoRedoBranchLimitAndClearActOnTheRightEditsInOrder)
{
    std::vector<std::string> log;
    EditHistory history(3);
    EXPECT_FALSE(history.Undo());
    EXPECT_FALSE(history.Redo());
    const auto push = [&](const char* name) {
        history.Push(std::make_unique<LoggedEdit>(name, log));
    };

    push("a");
    push("b");
    push("c");
    std::uint64_t revision = history.Revision();
    ASSERT_TRUE(history.Undo());
    ASSERT_TRUE(history.Undo());
    EXPECT_NE(history.Revision(), revision);
    ASSERT_TRUE(history.Redo());
    EXPECT_EQ(history.NextUndo()->Name(), "b");
    EXPECT_EQ(history.NextRedo()->Name(), "c");
    // A new edit after undoing forgets what could have been redone.
    push("d");
    EXPECT_FALSE(history.CanRedo());
    // Beyond the limit the oldest goes.
    push("e");
    EXPECT_EQ(history.Size(), 3u);
    revision = history.Revision();
    history.Clear();
    EXPECT_NE(history.Revision(), revision);
    EXPECT_FALSE(history.CanUndo());
    EXPECT_FALSE(history.CanRedo());

    const std::vector<std::string> expected = {"undo c", "undo b", "redo b", "~c",
                                               "~a",     "~e",     "~d",     "~b"};
    EXPECT_EQ(log, expected);
}

class SceneEdits : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_gl.Ok()) << m_gl.Error();
        m_scene.Init(&testing_support::OffscreenGl::ProcLookup);
        ASSERT_TRUE(m_scene.Built());
    }
    void TearDown() override { m_scene.Destroy(); }

    btRigidBody* BodyAt(int index) const
    {
        return btRigidBody::upcast(m_scene.World()->getCollisionObjectArray()[index]);
    }
    // Moves the body up by `lift`, as a drag that ends would, and records it.
    void Lift(btRigidBody& body, float lift, SimulationState state)
    {
        const btTransform before = body.getWorldTransform();
        btTransform after = before;
        after.getOrigin() += btVector3(0, lift, 0);
        PlaceBody(*m_scene.World(), body, after, state == SimulationState::Stopped);
        m_scene.History().Push(MakeMoveEdit(*m_scene.World(), body, before, after, state));
    }
    static float Height(const btRigidBody& body)
    {
        return body.getWorldTransform().getOrigin().y();
    }

    testing_support::OffscreenGl m_gl{16, 16};
    Scene m_scene;
};

TEST_F(SceneEdits, AMoveWhileStoppedIsTheNewStartAndAMoveWhilePausedIsNot)
{
    btRigidBody& can = *BodyAt(1);
    const float start = Height(can);

    Lift(can, 5, SimulationState::Stopped);
    EXPECT_FLOAT_EQ(Height(can), start + 5);
    ASSERT_TRUE(m_scene.History().Undo());
    EXPECT_FLOAT_EQ(Height(can), start);
    ASSERT_TRUE(m_scene.History().Redo());
    m_scene.ResetSimulation();
    EXPECT_FLOAT_EQ(Height(can), start + 5) << "Stop goes back to the start the edit made";
    EXPECT_FALSE(m_scene.History().CanUndo()) << "Stop clears the history";

    Lift(can, 3, SimulationState::Paused);
    EXPECT_FLOAT_EQ(Height(can), start + 8);
    m_scene.ResetSimulation();
    EXPECT_FLOAT_EQ(Height(can), start + 5) << "a move while Paused leaves the start alone";
}

TEST_F(SceneEdits, NewAndOpenClearTheHistory)
{
    const std::string path = ::testing::TempDir() + "kinetta-scene-edits.bullet";
    ASSERT_TRUE(m_scene.SaveWorld(path).ok);

    Lift(*BodyAt(1), 1, SimulationState::Stopped);
    m_scene.NewWorld();
    EXPECT_FALSE(m_scene.History().CanUndo());

    Lift(*BodyAt(1), 1, SimulationState::Stopped);
    WorldFileOpenOptions options;
    options.readerPath = KINETTA_WORLD_READER_PATH;
    ASSERT_TRUE(m_scene.OpenWorld(path, options).ok);
    EXPECT_FALSE(m_scene.History().CanUndo());
    // Undo after Open must not reach the bodies that went with the old world.
    EXPECT_FALSE(m_scene.History().Undo());
    std::filesystem::remove(path);
}

}  // namespace

namespace {

// A one-die world, as a paste brings it: built with the scene's shapes.
std::unique_ptr<LoadedWorld> OneDie(Scene& scene, const btVector3& at)
{
    WorldDescription description;
    DescribedShape cube;
    cube.type = DescribedShapeType::Box;
    cube.name = "kinetta.die";
    cube.margin = 0.04f;
    cube.extents = btVector3(0.5f, 0.5f, 0.5f);
    description.shapes.push_back(cube);
    DescribedBody die;
    die.mass = 2;
    die.transform.origin = at;
    description.bodies.push_back(die);
    return BuildLoadedWorld(description,
                            [&scene](std::string_view name) { return scene.ShapeNamed(name); });
}

bool InWorld(const Scene& scene, const btCollisionObject* object)
{
    return scene.World()->getCollisionObjectArray().findLinearSearch(
               const_cast<btCollisionObject*>(object)) < scene.World()->getNumCollisionObjects();
}

TEST_F(SceneEdits, PasteAndDeleteWhileStoppedChangeTheStartAndUndoRedoWalkBothWays)
{
    const int start = m_scene.BodyCount();
    btRigidBody* can = BodyAt(5);
    const float canHeight = Height(*can);

    auto pasted = m_scene.AddCopies(OneDie(m_scene, btVector3(0, 1, 0)), btVector3(30, 0, 0),
                                    SimulationState::Stopped);
    ASSERT_EQ(pasted.size(), 1u);
    btRigidBody* die = pasted[0];
    EXPECT_EQ(KindOf(*die), BodyKind::Die);
    EXPECT_FLOAT_EQ(die->getWorldTransform().getOrigin().x(), 30);
    m_scene.History().Push(MakeAddEdit(m_scene, pasted, SimulationState::Stopped));
    m_scene.History().Push(RemoveBody(m_scene, *can, SimulationState::Stopped));
    Lift(*die, 2, SimulationState::Stopped);
    EXPECT_EQ(m_scene.BodyCount(), start);  // one in, one out

    // Undo all three, redo all three: each step lands where it should.
    EditHistory& history = m_scene.History();
    ASSERT_TRUE(history.Undo());
    EXPECT_FLOAT_EQ(Height(*die), 1);
    ASSERT_TRUE(history.Undo());
    EXPECT_TRUE(InWorld(m_scene, can));
    EXPECT_FLOAT_EQ(Height(*can), canHeight);
    ASSERT_TRUE(history.Undo());
    EXPECT_FALSE(InWorld(m_scene, die));
    EXPECT_EQ(m_scene.BodyCount(), start);
    while (history.Redo()) {
    }
    EXPECT_FALSE(InWorld(m_scene, can));
    EXPECT_FLOAT_EQ(Height(*die), 3);

    // Start, let it fall for a while, Stop: the start is the edited one.
    for (int i = 0; i < 60; ++i)
        StepWorld(*m_scene.World());
    m_scene.ResetSimulation();
    EXPECT_EQ(m_scene.BodyCount(), start);
    EXPECT_TRUE(InWorld(m_scene, die)) << "a body pasted while Stopped is a start body";
    EXPECT_FLOAT_EQ(Height(*die), 3);
    EXPECT_FALSE(InWorld(m_scene, can)) << "a body deleted while Stopped is gone from the start";
}

TEST_F(SceneEdits, PasteAndDeleteWhileRunningChangeOnlyTheRunningWorld)
{
    const int start = m_scene.BodyCount();
    btRigidBody* can = BodyAt(7);
    const btVector3 canStart = can->getWorldTransform().getOrigin();
    for (int i = 0; i < 10; ++i)
        StepWorld(*m_scene.World());

    m_scene.History().Push(
        MakeAddEdit(m_scene,
                    m_scene.AddCopies(OneDie(m_scene, btVector3(0, 5, 20)), btVector3(0, 0, 0),
                                      SimulationState::Running),
                    SimulationState::Running));
    auto cut = RemoveBody(m_scene, *can, SimulationState::Paused, "Cut");
    EXPECT_EQ(cut->Name(), "Cut");
    m_scene.History().Push(std::move(cut));
    // A pasted body deleted again while running goes with its edits.
    btRigidBody* thrownAgain = m_scene.AddCopies(OneDie(m_scene, btVector3(0, 9, 20)),
                                                 btVector3(0, 0, 0), SimulationState::Running)[0];
    m_scene.History().Push(RemoveBody(m_scene, *thrownAgain, SimulationState::Running));
    EXPECT_EQ(m_scene.BodyCount(), start);
    for (int i = 0; i < 10; ++i)
        StepWorld(*m_scene.World());

    m_scene.ResetSimulation();
    EXPECT_EQ(m_scene.BodyCount(), start);
    EXPECT_TRUE(InWorld(m_scene, can)) << "Stop brings a start body deleted while running back";
    EXPECT_TRUE(can->getWorldTransform().getOrigin() == canStart);
    EXPECT_FALSE(m_scene.History().CanUndo());
}

}  // namespace
