#include "physics/throw_aim.h"

#include "physics/scene_content.h"

#include <algorithm>

btVector3 RotateAboutAxis(const btVector3& v, const btVector3& k, float angleRadians)
{
    const btVector3 along = k.dot(v) * k;
    return along + (v - along) * btCos(angleRadians) + k.cross(v) * btSin(angleRadians);
}

btVector3 ViewDirection(const CameraPose& camera)
{
    const btVector3 forward(0, 0, -1);
    const btVector3 pitched =
        RotateAboutAxis(forward, btVector3(1, 0, 0), -camera.pitchDegrees * kDegreesToRadians);
    return RotateAboutAxis(pitched, btVector3(0, 1, 0), -camera.yawDegrees * kDegreesToRadians);
}

btVector3 ThrowStartPosition(const CameraPose& camera)
{
    const btVector3 eye = -camera.camPos;
    return eye - btVector3(0, kThrowDropBelowEye, 0);
}

float SpinFromDraw(int draw)
{
    const int r = std::clamp(draw, 0, kRandomDrawMax);
    return float(r) * (1.0f / float(kRandomDrawMax)) * (2.0f * kDiceSpinLimit) - kDiceSpinLimit;
}
