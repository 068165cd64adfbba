#pragma once
// Where a thrown body starts and how it moves: from just below the eye along
// the view direction, dice with a random spin.

#include <btBulletDynamicsCommon.h>

// The view's camera: camPos is the translation applied to the scene after the
// two rotations, so the eye sits at -camPos. Angles in degrees.
struct CameraPose {
    btVector3 camPos;
    float yawDegrees = 0.0f;
    float pitchDegrees = 0.0f;
};

inline constexpr float kThrowDropBelowEye = 0.75f;
inline constexpr float kSphereMass = 0.75f;
inline constexpr float kSphereSpeed = 50.0f;
inline constexpr float kDiceMass = 2.0f;
inline constexpr float kDiceSpeed = 40.0f;
inline constexpr int kRandomDrawMax = 32767;
inline constexpr float kDiceSpinLimit = 5.0f;  // each spin component lies in [-5, 5]

// Turns v about the unit axis k by angleRadians (Rodrigues' rotation formula).
btVector3 RotateAboutAxis(const btVector3& v, const btVector3& k, float angleRadians);

// (0, 0, -1) turned about X by -pitch, then about Y by -yaw.
btVector3 ViewDirection(const CameraPose& camera);

// The eye, 0.75 lower.
btVector3 ThrowStartPosition(const CameraPose& camera);

// Turns a draw in 0..32767 into a spin component in [-5, 5]; draws outside
// that range are clamped to it.
float SpinFromDraw(int draw);
