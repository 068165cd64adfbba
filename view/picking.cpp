#include "view/picking.h"

#include "physics/body_kind.h"
#include "physics/scene_content.h"

#include <BulletDynamics/Featherstone/btMultiBodyLinkCollider.h>

#include <cmath>

namespace {

// The camera's rotation, world to eye: pitch about x after yaw about y, as
// LoadCameraTransform turns the modelview matrix.
btMatrix3x3 EyeFromWorld(const CameraState& camera)
{
    const btQuaternion pitch(btVector3(1, 0, 0), camera.pitch * kDegreesToRadians);
    const btQuaternion yaw(btVector3(0, 1, 0), camera.yaw * kDegreesToRadians);
    return btMatrix3x3(pitch * yaw);
}

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

std::optional<PickRay> RayThroughPixel(const CameraState& camera, const ViewProjection& projection,
                                       float x, float y)
{
    if (projection.width <= 0 || projection.height <= 0 || projection.zNear <= 0.0f ||
        projection.zFar <= projection.zNear)
        return std::nullopt;
    // The aspect as the window hands it to gluPerspective.
    const float aspect =
        static_cast<float>(static_cast<double>(projection.width) / projection.height);
    const double halfHeight = std::tan(projection.fovY * kDegreesToRadians / 2.0);
    // The pixel's centre in normalised device coordinates; window rows run
    // top to bottom, OpenGL's bottom to top.
    const double ndcX = 2.0 * (x + 0.5) / projection.width - 1.0;
    const double ndcY = 1.0 - 2.0 * (y + 0.5) / projection.height;
    // In eye coordinates the camera looks down -z; this point has depth 1.
    const btVector3 eyeDirection(static_cast<btScalar>(ndcX * halfHeight * aspect),
                                 static_cast<btScalar>(ndcY * halfHeight), -1.0f);
    const btVector3 direction = EyeFromWorld(camera).transpose() * eyeDirection;
    const btVector3 eye = -camera.camPos;

    PickRay ray;
    ray.from = eye + direction * projection.zNear;
    ray.to = eye + direction * projection.zFar;
    ray.fromDepth = projection.zNear;
    ray.toDepth = projection.zFar;
    return ray;
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
