#pragma once
// The joints a user makes between two bodies, or between a body and the
// world: Bullet's point-to-point, hinge, slider, fixed and generic spring 2
// constraints, built from a pivot and an axis in world coordinates, and the
// handful of settings the Properties pane edits on them.
//
// Frames: a hinge turns about its frames' z axis, a slider and a spring
// move along their x axis, as Bullet has them. A spring is free and sprung
// along its axis, held on the other two, and free to turn.

#include <btBulletDynamicsCommon.h>

#include <memory>
#include <optional>
#include <string>

enum class JointType { Point, Hinge, Slider, Fixed, Spring };
inline constexpr int kJointTypeCount = 5;

// "Hinge".
const char* JointNounOf(JointType type);

// What the user edits on a joint. Units are the joint's own: limits and
// motor speeds in radians (a hinge) or metres (a slider, a spring).
struct JointSettings {
    btVector3 pivot{0, 0, 0};  // world coordinates
    btVector3 axis{0, 0, 1};   // world, unit length
    // A lower limit above the upper one leaves the joint free.
    btScalar lower = 1;
    btScalar upper = -1;
    btScalar motorSpeed = 0;    // per second
    btScalar motorImpulse = 0;  // largest impulse per step; 0: no motor
    btScalar stiffness = 0;     // N/m, a spring's
    btScalar damping = 0;       // N·s/m, a spring's
    btScalar breakingImpulse = SIMD_INFINITY;  // never breaks
};

// The type of a constraint Kinetta makes; nothing for others (a file's cone
// twist or gear).
std::optional<JointType> JointTypeOf(const btTypedConstraint& constraint);

// A joint of the type between a and b at the pivot, turning about or moving
// along the axis (any length but zero), with a spring's stiffness set for a
// one-second swing of the bodies it joins. b may be a body that stands for
// the world: no shape, in no world, at the origin.
std::unique_ptr<btTypedConstraint> MakeJoint(JointType type, btRigidBody& a, btRigidBody& b,
                                             const btVector3& pivot, const btVector3& axis);

// The settings of a joint Kinetta makes, as they are now (pivot and axis
// where the first body carries them).
JointSettings ReadJointSettings(const btTypedConstraint& joint);
// The reason the settings are refused, or nothing: the checks world files
// are opened with (finite numbers, coordinates and speeds in their bounds).
std::optional<std::string> CheckJointSettings(const JointSettings& settings);
// Applies checked settings; the pivot and axis are placed on both bodies
// where they are now.
void ApplyJointSettings(btTypedConstraint& joint, const JointSettings& settings);

// The frames on each body, as they are now, and put back: what undoing an
// edit of the pivot or axis restores, wherever the bodies have gone since.
struct JointFrames {
    btTransform a;
    btTransform b;
};
JointFrames ReadJointFrames(const btTypedConstraint& joint);
void ApplyJointFrames(btTypedConstraint& joint, const JointFrames& frames);

// A Bullet fixed step, as the scene steps: turns a slider's motor force
// into the impulse the user edits.
inline constexpr btScalar kJointStep = 1.0f / 60.0f;
