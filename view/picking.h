#pragma once
// From a point of the view to the body drawn there: the ray through a pixel,
// built from the camera and the projection the frame is drawn with, and the
// nearest drawn body along it.

#include "view/camera_control.h"

#include <btBulletDynamicsCommon.h>

#include <optional>

// The projection of a frame: the perspective and the viewport it was
// applied with, in device pixels.
struct ViewProjection {
    float fovY = 30.0f;  // degrees
    float zNear = 1.0f;
    float zFar = 100.0f;
    int width = 0;
    int height = 0;
};

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

// The ray through the centre of the pixel at (x, y), counted in device pixels
// from the top-left corner of the view as a mouse event gives them. Nothing
// for a projection with no area.
std::optional<PickRay> RayThroughPixel(const CameraState& camera, const ViewProjection& projection,
                                       float x, float y);

struct PickHit {
    btRigidBody* body = nullptr;
    btVector3 point;  // where the ray enters it, in world coordinates
    float depth = 0.0f;
};

// The nearest rigid body along the ray that the frame draws (walls are not
// drawn, so the ray passes through them); nothing when the ray meets none,
// or meets a multibody's collider first.
std::optional<PickHit> PickBody(const btCollisionWorld& world, const PickRay& ray);
