#pragma once
// The parent's judgement of a description before any Bullet object is made
// from it. The reader process is not trusted: a damaged file can make it send
// anything its grammar allows, so every number is checked here against what
// Kinetta can simulate.

#include <atomic>
#include <cstddef>
#include "worlds/world_file_description.h"
#include "worlds/world_file_result.h"

// Bounds of what a sane world holds, in metres, kilograms and seconds.
inline constexpr float kMaxWorldCoordinate = 1e6f;
inline constexpr float kMaxShapeExtent = 1e5f;  // half extents, radii, hull points
inline constexpr float kMaxLocalScaling = 1e4f;
inline constexpr float kMaxBodyMass = 1e9f;
inline constexpr float kMaxSpeed = 1e5f;  // metres or radians per second
inline constexpr float kMaxGravity = 1e4f;
inline constexpr float kMaxFriction = 100;
inline constexpr float kMaxRestitution = 10;
inline constexpr float kMaxGearRatio = 1e4f;
// How far a rotation's quaternion may be from unit length: the file stores a
// float matrix, which turns into a quaternion a few ulps off.
inline constexpr float kRotationTolerance = 1e-3f;

// Success when the description is fit to build; otherwise a failure whose
// error says what is wrong with it, naming the file's record of the shape,
// body, constraint or multibody's link ("rigid body 4: mass -1 is outside 0
// to 1e+09", "multibody 2, link 5 (\"arm\"): joint velocity is not a finite
// number").
// With a cancel flag, the long loops look at it every kCancelLookEvery
// records and give up with kWorldOpenCancelled once it is set.
WorldFileResult CheckWorldDescription(const WorldDescription& description,
                                      const std::atomic<bool>* cancel = nullptr);

// Often enough that an open sees a cancel within milliseconds, even at
// 188,000 bodies; seldom enough to cost nothing.
inline constexpr std::size_t kCancelLookEvery = 2048;
inline bool StopNow(const std::atomic<bool>* cancel, std::size_t index)
{
    return cancel != nullptr && index % kCancelLookEvery == 0 && cancel->load();
}
