// Undo and redo of edits to the world, and what Stop, New and Open do to
// them: an edit made while Stopped changes the start, one made while the
// world runs changes only the running world.
#include "view/body_edits.h"
#include "view/edit_history.h"
#include "view/scene_fixture.h"
#include "worlds/world_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

// Records what is done to it in a shared log, its destruction too.
class LoggedEdit final : public Edit {
public:
    LoggedEdit(std::string name, std::vector<std::string>& log) : m_name(std::move(name)), m_log(log)
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

    const std::vector<std::string> expected = {"undo c", "undo b", "redo b", "~c", "~a",
                                               "~e",     "~d",     "~b"};
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
    static float Height(const btRigidBody& body) { return body.getWorldTransform().getOrigin().y(); }

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
