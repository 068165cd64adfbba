#include "view/pixel_ray.h"

#include "physics/scene_content.h"

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

}  // namespace

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

BandView BandViewOf(const CameraState& camera, const ViewProjection& projection)
{
    BandView view{};
    // Turned, then moved, as LoadCameraTransform does it.
    const btMatrix3x3 turn = EyeFromWorld(camera);
    const btTransform modelview(turn, turn * camera.camPos);
    btScalar m[16];
    modelview.getOpenGLMatrix(m);
    for (int i = 0; i < 16; ++i)
        view.modelview[i] = m[i];
    const double aspect = projection.height > 0
                              ? static_cast<double>(projection.width) / projection.height
                              : 1.0;
    const double f = 1.0 / std::tan(projection.fovY * kDegreesToRadians / 2.0);
    const double n = projection.zNear, far = projection.zFar;
    view.projection[0] = static_cast<float>(f / aspect);
    view.projection[5] = static_cast<float>(f);
    view.projection[10] = static_cast<float>((far + n) / (n - far));
    view.projection[11] = -1.0f;
    view.projection[14] = static_cast<float>(2 * far * n / (n - far));
    view.width = static_cast<float>(projection.width);
    view.height = static_cast<float>(projection.height);
    return view;
}
