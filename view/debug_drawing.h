#pragma once
// What the view can draw over the bodies, as bits the panes combine: parts
// of Bullet's debug drawing. The drawer that draws them stays the view's.

#include <LinearMath/btIDebugDraw.h>

namespace debug_drawing {
inline constexpr int kWireframe = btIDebugDraw::DBG_DrawWireframe;
inline constexpr int kBoundingBoxes = btIDebugDraw::DBG_DrawAabb;
inline constexpr int kContactPoints = btIDebugDraw::DBG_DrawContactPoints;
inline constexpr int kConstraints =
    btIDebugDraw::DBG_DrawConstraints | btIDebugDraw::DBG_DrawConstraintLimits;
inline constexpr int kAll = kWireframe | kBoundingBoxes | kContactPoints | kConstraints;
}  // namespace debug_drawing
