#include "edit/picking.h"

#include "physics/body_kind.h"
#include "physics/scene_content.h"

#include <BulletDynamics/Featherstone/btMultiBodyLinkCollider.h>

namespace {

// The nearest hit that is drawn: walls are let through. A multibody's
// collider is drawn, so it stops the ray, though it cannot be picked.
struct DrawnBodyRayCallback : btCollisionWorld::ClosestRayResultCallback {
    using ClosestRayResultCallback::ClosestRayResultCallback;

    bool needsCollision(btBroadphaseProxy* proxy) const override
    {
        const auto* object = static_cast<const btCollisionObject*>(proxy->m_clientObject);
        if (object == nullptr ||
            (btRigidBody::upcast(object) == nullptr &&
             btMultiBodyLinkCollider::upcast(object) == nullptr) ||
            KindOf(*object) == BodyKind::Wall)
            return false;
        return ClosestRayResultCallback::needsCollision(proxy);
    }
};

}  // namespace

btVector3 PickRay::AtDepth(float depth) const
{
    // Depth grows linearly along a ray from one plane to the other.
    const float t = (depth - fromDepth) / (toDepth - fromDepth);
    return from + (to - from) * t;
}

float PickRay::DepthOf(const btVector3& point) const
{
    const btVector3 span = to - from;
    const float t = (point - from).dot(span) / span.length2();
    return fromDepth + (toDepth - fromDepth) * t;
}

std::optional<PickHit> PickBody(const btCollisionWorld& world, const PickRay& ray)
{
    DrawnBodyRayCallback callback(ray.from, ray.to);
    world.rayTest(ray.from, ray.to, callback);
    if (!callback.hasHit())
        return std::nullopt;
    // The callback takes rigid bodies and colliders; a collider is no body.
    auto* body = const_cast<btRigidBody*>(btRigidBody::upcast(callback.m_collisionObject));
    if (body == nullptr)
        return std::nullopt;
    PickHit hit;
    hit.body = body;
    hit.point = callback.m_hitPointWorld;
    hit.depth = ray.DepthOf(hit.point);
    return hit;
}
