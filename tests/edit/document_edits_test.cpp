// Undo and redo of edits to the world, and what Stop, New and Open do to
// them: an edit made while Stopped changes the start, one made while the
// world runs changes only the running world.
#include "edit/body_edits.h"
#include "edit/edit_history.h"
#include "edit/document_fixture.h"
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

class SceneEdits : public edit_testing::DocumentTest {
protected:
    btRigidBody* BodyAt(int index)
    {
        return btRigidBody::upcast(m_document.World().getCollisionObjectArray()[index]);
    }
    // Moves the body up by `lift`, as a drag that ends would, and records it.
    void Lift(btRigidBody& body, float lift, SimulationState state)
    {
        const btTransform before = body.getWorldTransform();
        btTransform after = before;
        after.getOrigin() += btVector3(0, lift, 0);
        PlaceBody(m_document.World(), body, after, state == SimulationState::Stopped);
        m_document.History().Push(MakeMoveEdit(m_document.World(), body, before, after, state));
    }
    static float Height(const btRigidBody& body)
    {
        return body.getWorldTransform().getOrigin().y();
    }

};

TEST_F(SceneEdits, AMoveWhileStoppedIsTheNewStartAndAMoveWhilePausedIsNot)
{
    btRigidBody& can = *BodyAt(1);
    const float start = Height(can);

    Lift(can, 5, SimulationState::Stopped);
    EXPECT_FLOAT_EQ(Height(can), start + 5);
    ASSERT_TRUE(m_document.History().Undo());
    EXPECT_FLOAT_EQ(Height(can), start);
    ASSERT_TRUE(m_document.History().Redo());
    m_document.ResetSimulation();
    EXPECT_FLOAT_EQ(Height(can), start + 5) << "Stop goes back to the start the edit made";
    EXPECT_FALSE(m_document.History().CanUndo()) << "Stop clears the history";

    Lift(can, 3, SimulationState::Paused);
    EXPECT_FLOAT_EQ(Height(can), start + 8);
    m_document.ResetSimulation();
    EXPECT_FLOAT_EQ(Height(can), start + 5) << "a move while Paused leaves the start alone";
}

TEST_F(SceneEdits, NewAndOpenClearTheHistory)
{
    const std::string path = ::testing::TempDir() + "kinetta-scene-edits.bullet";
    ASSERT_TRUE(m_document.SaveWorld(path).ok);

    Lift(*BodyAt(1), 1, SimulationState::Stopped);
    m_document.NewWorld();
    EXPECT_FALSE(m_document.History().CanUndo());

    Lift(*BodyAt(1), 1, SimulationState::Stopped);
    WorldFileOpenOptions options;
    options.readerPath = KINETTA_WORLD_READER_PATH;
    ASSERT_TRUE(m_document.OpenWorld(path, options).ok);
    EXPECT_FALSE(m_document.History().CanUndo());
    // Undo after Open must not reach the bodies that went with the old world.
    EXPECT_FALSE(m_document.History().Undo());
    std::filesystem::remove(path);
}

}  // namespace

namespace {

// A one-die world, as a paste brings it: built with the scene's shapes.
std::unique_ptr<LoadedWorld> OneDie(WorldDocument& scene, const btVector3& at)
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

bool InWorld(const WorldDocument& scene, const btCollisionObject* object)
{
    return scene.World().getCollisionObjectArray().findLinearSearch(
               const_cast<btCollisionObject*>(object)) < scene.World().getNumCollisionObjects();
}

TEST_F(SceneEdits, PasteAndDeleteWhileStoppedChangeTheStartAndUndoRedoWalkBothWays)
{
    const int start = m_document.BodyCount();
    btRigidBody* can = BodyAt(5);
    const float canHeight = Height(*can);

    auto pasted = m_document.AddCopies(OneDie(m_document, btVector3(0, 1, 0)), btVector3(30, 0, 0),
                                    SimulationState::Stopped);
    ASSERT_EQ(pasted.size(), 1u);
    btRigidBody* die = pasted[0];
    EXPECT_EQ(KindOf(*die), BodyKind::Die);
    EXPECT_FLOAT_EQ(die->getWorldTransform().getOrigin().x(), 30);
    m_document.History().Push(MakeAddEdit(m_document, pasted, SimulationState::Stopped));
    m_document.History().Push(RemoveBody(m_document, *can, SimulationState::Stopped));
    Lift(*die, 2, SimulationState::Stopped);
    EXPECT_EQ(m_document.BodyCount(), start);  // one in, one out

    // Undo all three, redo all three: each step lands where it should.
    EditHistory& history = m_document.History();
    ASSERT_TRUE(history.Undo());
    EXPECT_FLOAT_EQ(Height(*die), 1);
    ASSERT_TRUE(history.Undo());
    EXPECT_TRUE(InWorld(m_document, can));
    EXPECT_FLOAT_EQ(Height(*can), canHeight);
    ASSERT_TRUE(history.Undo());
    EXPECT_FALSE(InWorld(m_document, die));
    EXPECT_EQ(m_document.BodyCount(), start);
    while (history.Redo()) {
    }
    EXPECT_FALSE(InWorld(m_document, can));
    EXPECT_FLOAT_EQ(Height(*die), 3);

    // Start, let it fall for a while, Stop: the start is the edited one.
    for (int i = 0; i < 60; ++i)
        StepWorld(m_document.World());
    m_document.ResetSimulation();
    EXPECT_EQ(m_document.BodyCount(), start);
    EXPECT_TRUE(InWorld(m_document, die)) << "a body pasted while Stopped is a start body";
    EXPECT_FLOAT_EQ(Height(*die), 3);
    EXPECT_FALSE(InWorld(m_document, can)) << "a body deleted while Stopped is gone from the start";
}

TEST_F(SceneEdits, PasteAndDeleteWhileRunningChangeOnlyTheRunningWorld)
{
    const int start = m_document.BodyCount();
    btRigidBody* can = BodyAt(7);
    const btVector3 canStart = can->getWorldTransform().getOrigin();
    for (int i = 0; i < 10; ++i)
        StepWorld(m_document.World());

    m_document.History().Push(
        MakeAddEdit(m_document,
                    m_document.AddCopies(OneDie(m_document, btVector3(0, 5, 20)), btVector3(0, 0, 0),
                                      SimulationState::Running),
                    SimulationState::Running));
    auto cut = RemoveBody(m_document, *can, SimulationState::Paused, "Cut");
    EXPECT_EQ(cut->Name(), "Cut");
    m_document.History().Push(std::move(cut));
    // A pasted body deleted again while running goes with its edits.
    btRigidBody* thrownAgain = m_document.AddCopies(OneDie(m_document, btVector3(0, 9, 20)),
                                                 btVector3(0, 0, 0), SimulationState::Running)[0];
    m_document.History().Push(RemoveBody(m_document, *thrownAgain, SimulationState::Running));
    EXPECT_EQ(m_document.BodyCount(), start);
    for (int i = 0; i < 10; ++i)
        StepWorld(m_document.World());

    m_document.ResetSimulation();
    EXPECT_EQ(m_document.BodyCount(), start);
    EXPECT_TRUE(InWorld(m_document, can)) << "Stop brings a start body deleted while running back";
    EXPECT_TRUE(can->getWorldTransform().getOrigin() == canStart);
    EXPECT_FALSE(m_document.History().CanUndo());
}

}  // namespace
