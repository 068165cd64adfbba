// Picking: a press selects the nearest body on the ray and holds it; a miss
// clears the selection.
#include "edit/document_fixture.h"
#include "edit/picking.h"

#include <gtest/gtest.h>

namespace {

using Picking = edit_testing::DocumentTest;

TEST_F(Picking, AMissClearsTheSelectionAndAPressSelectsTheNearestBody)
{
    WorldDocument& scene = m_document;
    // Straight down on the ground: above it, a pillar's top can.
    const btCollisionObjectArray& objects = scene.World().getCollisionObjectArray();
    btRigidBody* top = btRigidBody::upcast(objects[objects.size() - 1]);
    const btVector3 at = top->getWorldTransform().getOrigin();
    PickRay down{at + btVector3(0, 30, 0), at - btVector3(0, 30, 0), 1.0f, 61.0f};
    scene.PressAt(down, SimulationState::Paused);
    EXPECT_EQ(scene.Selection().Body(), top);
    scene.Release();
    PickRay up{at + btVector3(0, 5, 0), at + btVector3(0, 50, 0), 1.0f, 46.0f};
    scene.PressAt(up, SimulationState::Paused);
    EXPECT_EQ(scene.Selection().Body(), nullptr);
    EXPECT_FALSE(scene.Drag().Active());
}

}  // namespace
