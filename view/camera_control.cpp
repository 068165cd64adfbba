#include "view/camera_control.h"

#include "physics/scene_content.h"

#include <GL/gl.h>

#include <cmath>

namespace {
constexpr float kWalkStep = 0.5f;
constexpr float kTurnStep = 1.0f;
constexpr float kRiseStep = 1.0f;
constexpr float kLightStep = 0.5f;
}  // namespace

void LoadCameraTransform(const CameraState& camera)
{
    glLoadIdentity();
    glRotatef(camera.pitch, 1.0f, 0.0f, 0.0f);
    glRotatef(camera.yaw, 0.0f, 1.0f, 0.0f);
    glTranslatef(camera.camPos.x(), camera.camPos.y(), camera.camPos.z());
}

void ApplyCameraKeys(const KeyState& keys, CameraState& camera, LightRecord& light)
{
    btVector3& p = camera.camPos;
    // Each walk key reads the yaw as it is when that key is handled.
    auto yaw = [&camera] { return camera.yaw * kDegreesToRadians; };

    if (keys.Pressed(ViewKey::W)) {
        p.setX(p.x() + kWalkStep * std::sin(-yaw()));
        p.setZ(p.z() + kWalkStep * std::cos(yaw()));
    }
    if (keys.Pressed(ViewKey::S)) {
        p.setX(p.x() - kWalkStep * std::sin(-yaw()));
        p.setZ(p.z() - kWalkStep * std::cos(yaw()));
    }
    if (keys.Pressed(ViewKey::A)) {
        p.setX(p.x() + kWalkStep * std::cos(yaw()));
        p.setZ(p.z() + kWalkStep * std::sin(yaw()));
    }
    if (keys.Pressed(ViewKey::D)) {
        p.setX(p.x() - kWalkStep * std::cos(yaw()));
        p.setZ(p.z() - kWalkStep * std::sin(yaw()));
    }
    if (keys.Pressed(ViewKey::Left))
        camera.yaw -= kTurnStep;
    if (keys.Pressed(ViewKey::Right))
        camera.yaw += kTurnStep;
    if (keys.Pressed(ViewKey::Up))
        camera.pitch -= kTurnStep;
    if (keys.Pressed(ViewKey::Down))
        camera.pitch += kTurnStep;
    if (keys.Pressed(ViewKey::PageUp))
        p.setY(p.y() - kRiseStep);
    if (keys.Pressed(ViewKey::PageDown))
        p.setY(p.y() + kRiseStep);

    float* l = light.position;
    if (keys.Pressed(ViewKey::Z))
        l[0] -= kLightStep;
    if (keys.Pressed(ViewKey::X))
        l[0] += kLightStep;
    if (keys.Pressed(ViewKey::C))
        l[1] -= kLightStep;
    if (keys.Pressed(ViewKey::V))
        l[1] += kLightStep;
    if (keys.Pressed(ViewKey::B))
        l[2] -= kLightStep;
    if (keys.Pressed(ViewKey::N))
        l[2] += kLightStep;
}

void WalkCamera(CameraState& camera, float steps)
{
    const float yaw = camera.yaw * kDegreesToRadians;
    btVector3& p = camera.camPos;
    p.setX(p.x() + steps * kWalkStep * std::sin(-yaw));
    p.setZ(p.z() + steps * kWalkStep * std::cos(yaw));
}

void TurnCamera(CameraState& camera, float right, float down)
{
    camera.yaw += right / kPixelsPerTurnStep * kTurnStep;
    camera.pitch += down / kPixelsPerTurnStep * kTurnStep;
}
