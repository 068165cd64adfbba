#pragma once
// The ray through a pixel of the view, built from the camera and the
// projection the frame is drawn with, for picking what is drawn there.

#include "edit/picking.h"
#include "edit/rubber_band.h"
#include "view/camera_control.h"

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

// The ray through the centre of the pixel at (x, y), counted in device pixels
// from the top-left corner of the view as a mouse event gives them. Nothing
// for a projection with no area.
std::optional<PickRay> RayThroughPixel(const CameraState& camera, const ViewProjection& projection,
                                       float x, float y);

// The matrices a frame is drawn with, as a rubber band needs them: the
// camera's modelview and the perspective, with the viewport in device pixels.
BandView BandViewOf(const CameraState& camera, const ViewProjection& projection);
