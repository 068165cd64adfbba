#include "physics/scene_content.h"

#include "common/kinetta_assert.h"
#include "physics/body_kind.h"
#include "physics/rigid_body.h"

namespace {

void AddBody(btDynamicsWorld& world, btCollisionShape* shape, BodyKind kind, float mass,
             const btVector3& position)
{
    btRigidBody* body =
        CreateRigidBody(shape, mass, position, kCcdMotionThreshold, kCcdSweptSphereRadius);
    SetBodyKind(*body, kind);
    world.addRigidBody(body);
}

void AddTower(btDynamicsWorld& world, btCollisionShape* cylinderShape)
{
    const float courseHeight = 2.0f * kCylinderHalfExtents.y();  // 1.598
    for (int step = 0; step < kTowerAngleCount; ++step) {
        const float a = float(step * 10);
        const float angleA = a * kDegreesToRadians;
        const float angleB = (a + 5.0f) * kDegreesToRadians;  // every other course half a step on
        for (int j = 0; j < kTowerRowPairs; ++j) {
            const float rowBase = 2.0f * courseHeight * float(j);  // 3.196 j
            AddBody(world, cylinderShape, BodyKind::Can, kCylinderMass,
                    btVector3(kTowerRadius * btCos(angleA), kCylinderHalfExtents.y() + rowBase,
                              kTowerRadius * btSin(angleA)));
            AddBody(world, cylinderShape, BodyKind::Can, kCylinderMass,
                    btVector3(kTowerRadius * btCos(angleB),
                              kCylinderHalfExtents.y() + courseHeight + rowBase,
                              kTowerRadius * btSin(angleB)));
        }
    }
}

void AddPillars(btDynamicsWorld& world, btCollisionShape* cylinderShape)
{
    static const float corners[kPillarCount][2] = {{-10, -10}, {10, -10}, {-10, 10}, {10, 10}};
    for (int k = 0; k < kPillarCourses; ++k) {
        const float y = kCylinderHalfExtents.y() + 2.0f * kCylinderHalfExtents.y() * float(k);
        for (const auto& corner : corners) {
            AddBody(world, cylinderShape, BodyKind::Can, kCylinderMass,
                    btVector3(corner[0], y, corner[1]));
        }
    }
}

}  // namespace

void AddStartBodies(btDynamicsWorld& world, btCollisionShape* groundShape,
                    btCollisionShape* cylinderShape)
{
    KINETTA_ASSERT(groundShape != nullptr && cylinderShape != nullptr,
                   "make the ground and cylinder shapes before adding the start bodies");
    AddBody(world, groundShape, BodyKind::Ground, kGroundMass, kGroundPosition);
    AddTower(world, cylinderShape);
    AddPillars(world, cylinderShape);
}
