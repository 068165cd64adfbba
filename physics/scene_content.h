#pragma once
// What the scene holds at start: the shapes' dimensions and the 241 start
// bodies (a static ground slab, a round tower of 216 cylinders laid like
// bricks, and four pillars of six cylinders). +y is up; the ground's top face
// is at y = 0.

#include <btBulletDynamicsCommon.h>

inline const btVector3 kGroundHalfExtents(20.0f, 1.0f, 20.0f);
inline const btVector3 kWallHalfExtents(1.0f, 3.0f, 20.0f);
inline constexpr float kConeRadius = 0.5f;
inline constexpr float kConeHeight = 1.0f;
inline const btVector3 kCylinderHalfExtents(0.5f, 0.799f, 0.5f);
inline const btVector3 kBoxHalfExtents(0.5f, 1.0f, 0.15f);
inline constexpr float kSphereRadius = 0.45f;
inline const btVector3 kDiceHalfExtents(0.5f, 0.5f, 0.5f);

// The single-precision value of pi/180 that every angle of the scene uses.
inline constexpr float kDegreesToRadians = 0.017453292f;

// Every body of the program, start or thrown, is made with these.
inline constexpr float kCcdMotionThreshold = 0.5f;
inline constexpr float kCcdSweptSphereRadius = 0.0f;

inline constexpr float kGroundMass = 0.0f;
inline constexpr float kCylinderMass = 2.0f;
inline const btVector3 kGroundPosition(0.0f, -1.0f, 0.0f);

inline constexpr int kTowerAngleCount = 36;  // every 10 degrees
inline constexpr int kTowerRowPairs = 3;     // each adds two courses
inline constexpr float kTowerRadius = 6.0f;
inline constexpr int kPillarCourses = 6;
inline constexpr int kPillarCount = 4;
inline constexpr int kTowerBodyCount = kTowerAngleCount * kTowerRowPairs * 2;
inline constexpr int kPillarBodyCount = kPillarCourses * kPillarCount;
inline constexpr int kStartBodyCount = 1 + kTowerBodyCount + kPillarBodyCount;

// Adds the start bodies to the world in their fixed order: the ground, then
// the tower (by angle, then by row, A before B), then the pillars (by course,
// then by corner), tagged as the ground and cans. The shapes are borrowed,
// must outlive the bodies and must not be null (checked).
void AddStartBodies(btDynamicsWorld& world, btCollisionShape* groundShape,
                    btCollisionShape* cylinderShape);
