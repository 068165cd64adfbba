// Selections of many bodies: Ctrl+click and the rubber band pick them; copy,
// paste, duplicate and delete take them whole, with the joints among them,
// each as one edit; a carried drag moves them together.
#include "edit/body_clipboard.h"
#include "edit/body_edits.h"
#include "edit/joint_edits.h"
#include "edit/rubber_band.h"
#include "edit/document_fixture.h"
#include "worlds/world_file_builder.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class ManyBodies : public edit_testing::DocumentTest {
protected:
    // Small boxes along x at y = 1, and the ground as the last body.
    void MakeWorld(int count)
    {
        WorldDescription description;
        DescribedShape box;
        box.extents = btVector3(0.25f, 0.25f, 0.25f);
        box.margin = 0.04f;
        DescribedShape ground;
        ground.extents = btVector3(50, 0.5f, 50);
        ground.margin = 0.04f;
        description.shapes = {box, ground};
        for (int i = 0; i < count; ++i) {
            DescribedBody body;
            body.mass = 1.5f;
            body.transform.origin = btVector3(1.0f * i, 1, 0);
            description.bodies.push_back(body);
        }
        DescribedBody floor;
        floor.shape = 1;
        floor.transform.origin = btVector3(0, -0.5f, 0);
        description.bodies.push_back(floor);
        m_document.TakeWorld(BuildLoadedWorld(description));
        m_options.readerPath = KINETTA_WORLD_READER_PATH;
    }
    // Straight down onto the point.
    static PickRay DownOnto(const btVector3& at)
    {
        return {at + btVector3(0, 10, 0), at - btVector3(0, 30, 0), 1.0f, 41.0f};
    }
    btVector3 Origin(int index) { return BodyAt(index)->getCenterOfMassPosition(); }

    WorldFileOpenOptions m_options;
};

TEST_F(ManyBodies, CtrlClickAddsAndRemovesAndTheBandTakesWhatItEncloses)
{
    MakeWorld(4);
    using Mode = WorldDocument::PressMode;
    BodySelection& selection = m_document.Selection();
    EXPECT_FALSE(m_document.PressAt(DownOnto(Origin(0)), SimulationState::Stopped, Mode::Toggle))
        << "a Ctrl+click holds nothing";
    m_document.PressAt(DownOnto(Origin(2)), SimulationState::Stopped, Mode::Toggle);
    m_document.PressAt(DownOnto(Origin(3)), SimulationState::Stopped, Mode::Toggle);
    EXPECT_EQ(selection.Bodies(), (std::vector<btRigidBody*>{BodyAt(0), BodyAt(2), BodyAt(3)}));
    EXPECT_EQ(selection.Body(), BodyAt(3)) << "the last clicked is the primary";
    m_document.PressAt(DownOnto(Origin(3)), SimulationState::Stopped, Mode::Toggle);
    EXPECT_EQ(selection.Bodies(), (std::vector<btRigidBody*>{BodyAt(0), BodyAt(2)}));
    // A plain press on one of them keeps the others, in their order; on
    // another body it does not.
    m_document.PressAt(DownOnto(Origin(0)), SimulationState::Stopped);
    m_document.Release();
    EXPECT_EQ(selection.Bodies(), (std::vector<btRigidBody*>{BodyAt(0), BodyAt(2)}));
    EXPECT_EQ(selection.Body(), BodyAt(0));
    m_document.PressAt(DownOnto(Origin(1)), SimulationState::Stopped);
    m_document.Release();
    EXPECT_EQ(selection.Bodies(), std::vector<btRigidBody*>{BodyAt(1)});
    m_document.SelectAllMovable();
    EXPECT_EQ(selection.Count(), 4u) << "Select All leaves out the static ground";

    // An eye at (0, 1, 10) looking down -z, 45° high, on a 400 × 400 view.
    BandView view{};
    for (int i = 0; i < 16; ++i)
        view.modelview[i] = view.projection[i] = (i % 5 == 0) ? 1.0f : 0.0f;
    view.modelview[13] = -1;
    view.modelview[14] = -10;
    const float f = 1 / std::tan(22.5f * 3.14159265f / 180), near = 1, far = 100;
    view.projection[0] = f;
    view.projection[5] = f;
    view.projection[10] = (far + near) / (near - far);
    view.projection[11] = -1;
    view.projection[14] = 2 * far * near / (near - far);
    view.projection[15] = 0;
    view.width = view.height = 400;
    float x = 0, y = 0;
    ASSERT_TRUE(ProjectToView(view, Origin(1), x, y));
    EXPECT_NEAR(y, 200, 0.01f);
    EXPECT_NEAR(x, 200 + 200 * f / 10, 0.01f);
    // Boxes 1 and 2 whole, box 3 cut by the band's edge, the ground far wider.
    float x3 = 0;
    ASSERT_TRUE(ProjectToView(view, Origin(3), x3, y));
    const BandRect band{x3, 150, x - 20, 250};  // corners in any order
    EXPECT_EQ(BodiesInBand(m_document.World(), view, band),
              (std::vector<btRigidBody*>{BodyAt(1), BodyAt(2)}));
    EXPECT_FALSE(ProjectToView(view, btVector3(0, 1, 12), x, y)) << "behind the eye";
}

TEST_F(ManyBodies, CopyPasteAndDuplicateKeepPlacesAndJointsAsOneEditEach)
{
    MakeWorld(3);
    using Mode = WorldDocument::PressMode;
    CDynamicsWorld& world = m_document.World();
    // 0 hinged to 1, 2 tied to the world.
    m_document.PressAt(DownOnto(Origin(0)), SimulationState::Stopped, Mode::Toggle);
    m_document.PressAt(DownOnto(Origin(1)), SimulationState::Stopped, Mode::Toggle);
    ASSERT_TRUE(JoinSelected(m_document, JointType::Hinge, btVector3(0, 10, 0), SimulationState::Stopped).joint);
    m_document.Selection().Select(BodyAt(2));
    ASSERT_TRUE(JoinSelected(m_document, JointType::Point, btVector3(0, 10, 0), SimulationState::Stopped).joint);
    ASSERT_EQ(world.getNumConstraints(), 2);
    const int bodies = m_document.BodyCount();
    const std::vector<btRigidBody*> originals{BodyAt(0), BodyAt(1), BodyAt(2)};

    const CopiedBody copied = CopyBodies(m_document, originals);
    ASSERT_TRUE(copied.result.ok) << copied.result.error;
    EXPECT_EQ(copied.description, "3 bodies, 4.5 kg");
    const std::size_t edits = m_document.History().Size();
    const PastedBodies pasted = PasteBodies(m_document, copied.bytes,
                                            {btVector3(0, -2, -20), 0, 0}, SimulationState::Stopped, m_options);
    ASSERT_TRUE(pasted.result.ok) << pasted.result.error;
    ASSERT_EQ(pasted.count, 3);
    EXPECT_EQ(m_document.History().Size(), edits + 1);
    ASSERT_EQ(world.getNumConstraints(), 4) << "the hinge between the copies and the tie to the world";
    const std::vector<btRigidBody*> copies = m_document.Selection().Bodies();
    ASSERT_EQ(copies.size(), 3u);
    const btVector3 moved = copies[0]->getCenterOfMassPosition() - originals[0]->getCenterOfMassPosition();
    EXPECT_GT(moved.length(), 1.0f) << "in front of the eye, not on top of the originals";
    for (int i = 0; i < 3; ++i)
        EXPECT_LT((copies[i]->getCenterOfMassPosition() - originals[i]->getCenterOfMassPosition() - moved).length(),
                  1e-4f) << i;
    const btTypedConstraint& hinge = *world.getConstraint(2);
    EXPECT_EQ(hinge.getConstraintType(), HINGE_CONSTRAINT_TYPE);
    EXPECT_EQ(&hinge.getRigidBodyA(), copies[0]);
    EXPECT_EQ(&hinge.getRigidBodyB(), copies[1]);
    // The copied tie holds the copy where it was pasted, not where the original is.
    const btTypedConstraint& tie = *world.getConstraint(3);
    EXPECT_EQ(&tie.getRigidBodyA(), copies[2]);
    EXPECT_LT((ReadJointSettings(tie).pivot - (ReadJointSettings(*world.getConstraint(1)).pivot + moved)).length(), 1e-4f);
    for (int i = 0; i < 30; ++i)
        world.stepSimulation(1.0f / 60, 0);
    EXPECT_LT((copies[2]->getCenterOfMassPosition() - originals[2]->getCenterOfMassPosition() - moved).length(), 0.05f);

    ASSERT_TRUE(m_document.History().Undo());
    EXPECT_EQ(m_document.BodyCount(), bodies);
    EXPECT_EQ(world.getNumConstraints(), 2);
    ASSERT_TRUE(m_document.History().Redo());
    EXPECT_EQ(world.getNumConstraints(), 4);

    // Duplicate: beside the originals, clear of them.
    const PastedBodies duplicated = DuplicateBodies(m_document, originals, SimulationState::Stopped, m_options);
    ASSERT_TRUE(duplicated.result.ok) << duplicated.result.error;
    EXPECT_EQ(world.getNumConstraints(), 6);
    const std::vector<btRigidBody*> twins = m_document.Selection().Bodies();
    ASSERT_EQ(twins.size(), 3u);
    const btVector3 beside = twins[0]->getCenterOfMassPosition() - originals[0]->getCenterOfMassPosition();
    EXPECT_NEAR(beside.x(), 2.5f + 0.25f, 0.01f) << "one group's width and a gap along x";
    EXPECT_NEAR(beside.y(), 0, 0.01f);
    EXPECT_EQ(m_document.History().NextUndo()->Name(), "Duplicate");
}

TEST_F(ManyBodies, DeletingBodiesTakesTheirJointsAndUndoBringsThemBack)
{
    MakeWorld(3);
    CDynamicsWorld& world = m_document.World();
    m_document.Selection().SelectAll({BodyAt(0), BodyAt(1)});
    ASSERT_TRUE(JoinSelected(m_document, JointType::Slider, btVector3(0, 10, 0), SimulationState::Stopped).joint);
    m_document.Selection().SelectAll({BodyAt(1), BodyAt(2)});
    btTypedConstraint* spring =
        JoinSelected(m_document, JointType::Spring, btVector3(0, 10, 0), SimulationState::Stopped).joint;
    ASSERT_TRUE(spring);
    EXPECT_EQ(m_document.Selection().Joint(), spring) << "the new joint is selected";
    btRigidBody* middle = BodyAt(1);

    // One body: both its joints go with it, and come back.
    m_document.History().Push(RemoveBodies(m_document, {middle}, SimulationState::Stopped));
    EXPECT_EQ(world.getNumConstraints(), 0);
    EXPECT_EQ(m_document.Selection().Joint(), nullptr) << "a joint that left is no longer selected";
    ASSERT_TRUE(m_document.History().Undo());
    EXPECT_EQ(world.getNumConstraints(), 2);
    EXPECT_FALSE(BodyAt(0)->checkCollideWith(middle)) << "joined bodies still do not collide";

    // The whole selection as one edit; forgetting it while undone and done
    // deletes what it held without touching a deleted body.
    const int before = m_document.BodyCount();
    m_document.History().Push(RemoveBodies(m_document, {BodyAt(0), BodyAt(1), BodyAt(2)},
                                           SimulationState::Stopped));
    EXPECT_EQ(m_document.BodyCount(), before - 3);
    EXPECT_EQ(world.getNumConstraints(), 0);
    ASSERT_TRUE(m_document.History().Undo());
    EXPECT_EQ(world.getNumConstraints(), 2);
    ASSERT_TRUE(m_document.History().Redo());
    m_document.History().Clear();
    EXPECT_EQ(m_document.Joints().Count(), 0) << "joints of deleted bodies are deleted with them";

    // A joint made while running goes at Stop; one made while stopped stays.
    MakeWorld(3);
    m_document.Selection().SelectAll({BodyAt(0), BodyAt(1)});
    ASSERT_TRUE(JoinSelected(m_document, JointType::Fixed, btVector3(0, 10, 0), SimulationState::Stopped).joint);
    m_document.Selection().SelectAll({BodyAt(1), BodyAt(2)});
    ASSERT_TRUE(JoinSelected(m_document, JointType::Point, btVector3(0, 10, 0), SimulationState::Running).joint);
    m_document.History().Push(RemoveBody(m_document, *BodyAt(1), SimulationState::Running));
    m_document.ResetSimulation();
    EXPECT_EQ(world.getNumConstraints(), 1);
    EXPECT_EQ(m_document.Joints().Count(), 1);
}

TEST_F(ManyBodies, ACarriedDragMovesTheWholeSelectionAsOneEdit)
{
    MakeWorld(3);
    m_document.Selection().SelectAll({BodyAt(0), BodyAt(2)});
    const btVector3 a = Origin(0), b = Origin(2), c = Origin(1);
    ASSERT_TRUE(m_document.PressAt(DownOnto(a), SimulationState::Paused));
    EXPECT_EQ(m_document.Selection().Count(), 2u) << "pressing a selected body keeps the rest";
    m_document.DragTo(DownOnto(a + btVector3(0.5f, 0, 2)));
    m_document.Release();
    EXPECT_LT((Origin(0) - a - btVector3(0.5f, 0, 2)).length(), 1e-4f);
    EXPECT_LT((Origin(2) - b - btVector3(0.5f, 0, 2)).length(), 1e-4f);
    EXPECT_LT((Origin(1) - c).length(), 1e-6f) << "an unselected body stays";
    const std::size_t edits = m_document.History().Size();
    ASSERT_EQ(edits, 1u);
    ASSERT_TRUE(m_document.History().Undo());
    EXPECT_LT((Origin(0) - a).length(), 1e-5f);
    EXPECT_LT((Origin(2) - b).length(), 1e-5f);
}

}  // namespace
