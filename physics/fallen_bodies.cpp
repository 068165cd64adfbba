#include "physics/fallen_bodies.h"

#include <algorithm>
#include <optional>

namespace {

// Bounds this far out belong to shapes without an end, such as a plane.
constexpr btScalar kUnbounded = 1e9f;

}  // namespace

std::vector<btRigidBody*> FallenBodies(const btCollisionWorld& world, btScalar depth)
{
    const btCollisionObjectArray& objects = world.getCollisionObjectArray();
    std::optional<btScalar> floor;
    for (int i = 0; i < objects.size(); ++i) {
        const btCollisionObject& object = *objects[i];
        if (!object.isStaticObject())
            continue;
        btVector3 low, high;
        object.getCollisionShape()->getAabb(object.getWorldTransform(), low, high);
        const btScalar bottom =
            low.y() > -kUnbounded ? low.y() : object.getWorldTransform().getOrigin().y();
        floor = floor ? std::min(*floor, bottom) : bottom;
    }
    std::vector<btRigidBody*> fallen;
    if (!floor)
        return fallen;
    for (int i = 0; i < objects.size(); ++i) {
        btRigidBody* body = btRigidBody::upcast(objects[i]);
        if (body == nullptr || body->isStaticOrKinematicObject())
            continue;
        btVector3 low, high;
        body->getAabb(low, high);
        if (high.y() < *floor - depth)
            fallen.push_back(body);
    }
    return fallen;
}
