// Bodies joined by constraints, through the document's edits and the Tree:
// a deleted body comes back with each joint's rule on collisions between the
// joined bodies, the Tree lists the joints of the world it was taken from,
// and a joint to the world holds a fixed body of the opened world's own.
#include "edit/body_edits.h"
#include "edit/document_fixture.h"
#include "edit/world_tree.h"
#include "worlds/world_file_builder.h"

#include <gtest/gtest.h>

namespace {

class JoinedBodies : public edit_testing::DocumentTest {
protected:
    void SetUp() override
    {
        // Three boxes in a row: 0–1 joined with collisions between them
        // off, 1–2 with them on, and 0 to the world.
        WorldDescription description;
        DescribedShape box;
        box.extents = btVector3(0.4f, 0.4f, 0.4f);
        box.margin = 0.04f;
        description.shapes = {box};
        for (int i = 0; i < 3; ++i) {
            DescribedBody body;
            body.mass = 1;
            body.transform.origin = btVector3(float(i), 5, 0);
            description.bodies.push_back(body);
        }
        const auto join = [&](int a, int b, bool disable) {
            DescribedConstraint joint;
            joint.bodyA = a;
            joint.bodyB = b;
            joint.disableCollisionsBetweenBodies = disable;
            joint.frameA.origin = btVector3(0.5f, 0, 0);
            joint.frameB.origin = b < 0 ? btVector3(-0.5f, 5, 0) : btVector3(-0.5f, 0, 0);
            description.constraints.push_back(joint);
        };
        join(0, 1, true);
        join(1, 2, false);
        join(0, -1, false);
        m_document.TakeWorld(BuildLoadedWorld(description));
        ASSERT_EQ(m_document.World().getNumConstraints(), 3);
    }
};

TEST_F(JoinedBodies, ADeletedBodyComesBackWithEachJointsRuleOnCollisions)
{
    CDynamicsWorld& world = m_document.World();
    btRigidBody* a = BodyAt(0);
    btRigidBody* b = BodyAt(1);
    btRigidBody* c = BodyAt(2);
    ASSERT_FALSE(a->checkCollideWith(b));
    ASSERT_TRUE(b->checkCollideWith(c));
    for (SimulationState state : {SimulationState::Stopped, SimulationState::Running}) {
        m_document.History().Push(RemoveBody(m_document, *b, state, "Delete"));
        EXPECT_EQ(world.getNumConstraints(), 1) << "its joints leave with it";
        ASSERT_TRUE(m_document.History().Undo());
        EXPECT_EQ(world.getNumConstraints(), 3);
        EXPECT_FALSE(a->checkCollideWith(b)) << "the joint that kept them apart lets them collide";
        EXPECT_FALSE(b->checkCollideWith(a));
        EXPECT_TRUE(b->checkCollideWith(c)) << "a joint that let them collide no longer does";
    }
    // The joint to the world holds this world's own fixed body, never the
    // one Bullet shares between every world and thread.
    for (int i = 0; i < world.getNumConstraints(); ++i) {
        const btTypedConstraint& joint = *world.getConstraint(i);
        EXPECT_NE(&joint.getRigidBodyA(), &btTypedConstraint::getFixedBody());
        EXPECT_NE(&joint.getRigidBodyB(), &btTypedConstraint::getFixedBody());
    }
}

TEST_F(JoinedBodies, TheTreeListsTheJointsOfTheWorldItWasTakenFromOnly)
{
    WorldTree tree;
    TakeWorldTree(m_document.World(), tree);
    EXPECT_EQ(tree.constraints.size(), 3u);
    m_document.History().Push(RemoveBody(m_document, *BodyAt(1), SimulationState::Running, "Cut"));
    TakeWorldTree(m_document.World(), tree);
    EXPECT_EQ(tree.constraints.size(), 1u);
    m_document.NewWorld();
    TakeWorldTree(m_document.World(), tree);
    EXPECT_TRUE(tree.constraints.empty()) << "the last snapshot's joints are still listed";
    EXPECT_EQ(tree.bodyCount, m_document.BodyCount());
}

}  // namespace
