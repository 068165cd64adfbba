// Holding bodies with the mouse in each simulation state: the spring while
// running, carrying while paused, and moving the start while stopped.
#include "physics/rigid_body.h"
#include "physics/scene_content.h"
#include "edit/document_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

class BodyDragOnScene : public edit_testing::DocumentTest {
protected:
    void SetUp() override
    {
        const btCollisionObjectArray& objects = m_document.World().getCollisionObjectArray();
        m_top = btRigidBody::upcast(objects[objects.size() - 1]);  // a pillar's top can
    }
    

    // A ray straight down through a point, with the depth growing from 1 at
    // ten units above it.
    static PickRay DownThrough(const btVector3& at)
    {
        return {at + btVector3(0, 10, 0), at - btVector3(0, 30, 0), 1.0f, 41.0f};
    }
    std::vector<btTransform> Transforms() const
    {
        std::vector<btTransform> all;
        const btCollisionObjectArray& objects = m_document.World().getCollisionObjectArray();
        for (int i = 0; i < objects.size(); ++i)
            all.push_back(objects[i]->getWorldTransform());
        return all;
    }
    btVector3 Origin(const btRigidBody* body) const { return body->getWorldTransform().getOrigin(); }

    btRigidBody* m_top = nullptr;
};

TEST_F(BodyDragOnScene, RunningTheSpringPullsTheBodyAndReleaseKeepsItsVelocity)
{
    const btVector3 start = Origin(m_top);
    ASSERT_TRUE(m_document.PressAt(DownThrough(start), SimulationState::Running));
    EXPECT_EQ(m_document.World().getNumConstraints(), 1);
    // The press point stays at its depth, 1 + 10 - the can's half height.
    const btVector3 target = start + btVector3(3, 0, 0);
    m_document.DragTo(DownThrough(target));
    for (int i = 0; i < 180; ++i)
        StepWorld(m_document.World());
    const auto* spring = static_cast<const btPoint2PointConstraint*>(m_document.World().getConstraint(0));
    const btVector3 held = m_top->getCenterOfMassTransform() * spring->getPivotInA();
    EXPECT_LT((held - spring->getPivotInB()).length(), 0.1f) << "the held point is where the cursor is";
    EXPECT_NEAR(spring->getPivotInB().x(), target.x(), 1e-4f);
    EXPECT_NEAR(spring->getPivotInB().y(), start.y() + kCylinderHalfExtents.y(), 0.05f)
        << "at the pressed point's depth";
    EXPECT_EQ(m_top->getActivationState(), DISABLE_DEACTIVATION) << "awake while held";

    // A fling: moving the cursor fast, then letting go.
    m_document.DragTo(DownThrough(target + btVector3(0, 0, 4)));
    for (int i = 0; i < 4; ++i)
        StepWorld(m_document.World());
    const btVector3 velocity = m_top->getLinearVelocity();
    ASSERT_GT(velocity.length(), 1.0f);
    m_document.Release();
    EXPECT_EQ(m_document.World().getNumConstraints(), 0);
    EXPECT_EQ(m_top->getLinearVelocity(), velocity);
    EXPECT_NE(m_top->getActivationState(), DISABLE_DEACTIVATION);
    EXPECT_EQ(m_document.History().Size(), 0u) << "the running world's moves are no edits";
    EXPECT_EQ(m_document.Selection().Body(), m_top) << "still selected";

    // The held body leaving the world lets go of it first.
    ASSERT_TRUE(m_document.PressAt(DownThrough(Origin(m_top)), SimulationState::Running));
    m_document.Selection().Forget(m_top);
    EXPECT_FALSE(m_document.Drag().Active());
    EXPECT_EQ(m_document.World().getNumConstraints(), 0);
}

TEST_F(BodyDragOnScene, PausedTheBodyIsCarriedWithItsMotionAndNothingElseMoves)
{
    const btVector3 start = Origin(m_top);
    const btTransform startTransform = m_top->getWorldTransform();
    const btVector3 velocity(1, 2, 3), spin(0.5f, -1, 2);
    m_top->setLinearVelocity(velocity);
    m_top->setAngularVelocity(spin);
    auto motionKept = [&] {
        return m_top->getLinearVelocity() == velocity && m_top->getAngularVelocity() == spin;
    };
    // A press without a move only selects: no edit, the motion untouched.
    ASSERT_TRUE(m_document.PressAt(DownThrough(start), SimulationState::Paused));
    m_document.Release();
    EXPECT_EQ(m_document.Selection().Body(), m_top);
    EXPECT_TRUE(motionKept()) << "a click wiped the body's motion";
    EXPECT_EQ(m_document.History().Size(), 0u);
    EXPECT_EQ(m_top->getWorldTransform(), startTransform);

    ASSERT_TRUE(m_document.PressAt(DownThrough(start), SimulationState::Paused));
    EXPECT_EQ(m_document.World().getNumConstraints(), 0);
    std::vector<btTransform> before = Transforms();

    const btVector3 shift(2, 0, -1.5f);
    m_document.DragTo(DownThrough(start + shift));
    EXPECT_LT((Origin(m_top) - (start + shift)).length(), 1e-4f) << "its depth kept";
    EXPECT_TRUE(motionKept()) << "carrying wiped the body's motion";
    btTransform drawn;
    m_top->getMotionState()->getWorldTransform(drawn);
    EXPECT_EQ(drawn.getOrigin(), Origin(m_top)) << "drawn where it is";
    std::vector<btTransform> after = Transforms();
    int moved = 0;
    for (std::size_t i = 0; i < after.size(); ++i)
        moved += !(after[i] == before[i]);
    EXPECT_EQ(moved, 1);
    // Picking finds it where it is now.
    m_document.Release();
    ASSERT_TRUE(m_document.PressAt(DownThrough(start + shift), SimulationState::Paused));
    EXPECT_EQ(m_document.Selection().Body(), m_top);
    m_document.Release();

    // One edit per hold that moved it; Undo puts it back.
    EXPECT_EQ(m_document.History().Size(), 1u);
    ASSERT_TRUE(m_document.History().Undo());
    EXPECT_EQ(m_top->getWorldTransform(), startTransform);
    EXPECT_TRUE(motionKept()) << "undoing the carry wiped the body's motion";
    ASSERT_TRUE(m_document.History().Redo());
    EXPECT_TRUE(motionKept());
    // Stop goes back to the start, which a paused move leaves as it was.
    m_document.ResetSimulation();
    EXPECT_EQ(m_top->getWorldTransform(), startTransform);
}

TEST_F(BodyDragOnScene, StoppedTheMoveBecomesTheStartAndStaticBodiesStay)
{
    m_document.ResetSimulation();
    const btVector3 start = Origin(m_top);
    const btVector3 shift(-3, 0, 2);
    ASSERT_TRUE(m_document.PressAt(DownThrough(start), SimulationState::Stopped));
    m_document.DragTo(DownThrough(start + shift * 0.5f));
    m_document.DragTo(DownThrough(start + shift));
    m_document.Release();
    // It now starts in the air: Start lets it fall, Stop brings it back there.
    for (int i = 0; i < 60; ++i)
        StepWorld(m_document.World());
    EXPECT_LT(Origin(m_top).y(), start.y() - 1.0f);
    m_document.ResetSimulation();
    EXPECT_LT((Origin(m_top) - (start + shift)).length(), 1e-4f);

    // The ground is selected, not moved.
    btRigidBody* ground = btRigidBody::upcast(m_document.World().getCollisionObjectArray()[0]);
    const btTransform groundAt = ground->getWorldTransform();
    const btVector3 onGround(15, 0, 15);
    for (SimulationState state : {SimulationState::Running, SimulationState::Paused, SimulationState::Stopped}) {
        EXPECT_FALSE(m_document.PressAt(DownThrough(onGround), state));
        EXPECT_EQ(m_document.Selection().Body(), ground);
        m_document.DragTo(DownThrough(onGround + btVector3(4, 0, 0)));
        m_document.Release();
        EXPECT_EQ(ground->getWorldTransform(), groundAt);
    }
}

TEST_F(BodyDragOnScene, AHeavyBodyOnTheSpringKeepsTheWorldFinite)
{
    btBoxShape shape(btVector3(1.5f, 1.5f, 1.5f));
    const btVector3 at(0, 14, 0);  // above the tower
    btRigidBody* heavy = CreateRigidBody(&shape, 1000.0f, at, 0.5f, 0.0f);
    m_document.World().addRigidBody(heavy);
    ASSERT_TRUE(m_document.PressAt(DownThrough(at), SimulationState::Running));
    ASSERT_EQ(m_document.Drag().Body(), heavy);
    // Yanked far away and back, into the tower.
    float fastest = 0.0f;
    for (int i = 0; i < 600; ++i) {
        const float swing = (i / 100) % 2 ? -60.0f : 60.0f;
        m_document.DragTo(DownThrough(at + btVector3(swing, -10, 0)));
        StepWorld(m_document.World());
        const btCollisionObjectArray& objects = m_document.World().getCollisionObjectArray();
        for (int k = 0; k < objects.size(); ++k) {
            const btRigidBody* body = btRigidBody::upcast(objects[k]);
            const btVector3 p = body->getWorldTransform().getOrigin();
            ASSERT_TRUE(std::isfinite(p.x()) && std::isfinite(p.y()) && std::isfinite(p.z()));
            fastest = std::max(fastest, body->getLinearVelocity().length());
        }
    }
    EXPECT_LT(heavy->getLinearVelocity().length(), 20.0f);
    EXPECT_LT(fastest, 100.0f) << "nothing thrown off at any speed";
    m_document.Release();
    m_document.World().removeRigidBody(heavy);
    delete heavy->getMotionState();
    delete heavy;
}

}  // namespace
