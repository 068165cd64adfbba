#pragma once
// From a line of sight to the body drawn there: the nearest drawn body along
// a ray. The view makes the ray through a pixel (view/pixel_ray.h).

#include <btBulletDynamicsCommon.h>

#include <optional>

// The part of a pixel's line of sight that the frame shows: from the near
// plane to the far plane, with the depths (distance along the eye's axis)
// of both ends.
struct PickRay {
    btVector3 from;
    btVector3 to;
    float fromDepth = 1.0f;
    float toDepth = 100.0f;

    // The point of the ray at a depth from the eye.
    btVector3 AtDepth(float depth) const;
    // The depth of a point of the ray.
    float DepthOf(const btVector3& point) const;
};

struct PickHit {
    btRigidBody* body = nullptr;
    btVector3 point;  // where the ray enters it, in world coordinates
    float depth = 0.0f;
};

// The nearest rigid body along the ray that the frame draws (walls are not
// drawn, so the ray passes through them); nothing when the ray meets none,
// or meets a multibody's collider first.
std::optional<PickHit> PickBody(const btCollisionWorld& world, const PickRay& ray);
