#pragma once
// What the held camera and light keys do in one tick. Amounts are per tick:
// with the 10 ms timer the eye walks up to 0.5 units and turns up to 1 degree
// per tick.

#include "view/key_state.h"
#include "view/light_record.h"

#include <LinearMath/btVector3.h>

struct CameraState {
    btVector3 camPos{0.0f, -15.0f, -30.0f};  // the eye sits at -camPos
    float yaw = 0.0f;                        // degrees, never wrapped
    float pitch = 20.0f;                     // degrees, never clamped
};

// Replaces the modelview matrix with the camera's: pitch about x, then yaw
// about y, then the translation, so that what follows is in world coordinates.
void LoadCameraTransform(const CameraState& camera);

// Keys are tested in a fixed order and act at once, so later keys see the
// effect of earlier ones. W and S walk in the horizontal plane whatever the pitch.
void ApplyCameraKeys(const KeyState& keys, CameraState& camera, LightRecord& movableLight);

// The mouse's camera moves, beside the keys. Walks along the view's
// horizontal direction as W (positive steps) and S (negative) do, one key
// step per step.
void WalkCamera(CameraState& camera, float steps);
// Turns as the arrow keys do, a key step per kPixelsPerTurnStep pixels:
// moving right turns right (Right), moving down looks down (Down).
inline constexpr float kPixelsPerTurnStep = 4.0f;
void TurnCamera(CameraState& camera, float right, float down);
