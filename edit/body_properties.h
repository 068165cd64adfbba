#pragma once
// The Properties pane's records: one body's kind, shape, mass, motion and
// material, or, with no body selected, the world's settings and counts. The
// edits check what they are given first: a value that is not a finite number
// in range is refused with the reason and changes nothing.

#include "physics/dynamics_world.h"
#include "edit/body_size.h"
#include "edit/edit_history.h"

#include <btBulletDynamicsCommon.h>

#include <memory>
#include <optional>
#include <string>

struct BodyProperties {
    std::string name;    // as the tree lists it, "Can 37"
    std::string shape;   // "Cylinder", "Box", "Sphere", ...
    std::string sizes;   // "radius 0.5, height 1" in metres
    ShapeSize size;      // the same as numbers to edit (edit/body_size.h)
    btScalar mass = 0;   // 0: static
    btVector3 position{0, 0, 0};
    btVector3 orientationDegrees{0, 0, 0};  // about x, then y, then z
    btVector3 headingPitchRoll{0, 0, 0};    // degrees, edit/heading_pitch_roll.h
    btVector3 linearVelocity{0, 0, 0};
    btVector3 angularVelocity{0, 0, 0};
    btScalar friction = 0;
    btScalar rollingFriction = 0;
    btScalar restitution = 0;
    btScalar linearDamping = 0;
    btScalar angularDamping = 0;
    std::string activation;  // "Active", "Asleep", ...
};

struct WorldProperties {
    btVector3 gravity{0, 0, 0};
    int solverIterations = 0;
    int bodies = 0;
    int awakeBodies = 0;
    int constraints = 0;
};

enum class BodyField {
    Mass,
    Friction,
    Restitution,
    LinearDamping,
    AngularDamping,
    Position,
    OrientationDegrees,
    LinearVelocity,
    AngularVelocity,
    HeadingPitchRoll,  // edit/heading_pitch_roll.h
};

// Scalar fields take value.x(); vector fields take all three.
struct FieldValue {
    double x = 0, y = 0, z = 0;
};

BodyProperties ReadBodyProperties(const btDynamicsWorld& world, const btRigidBody& body);
WorldProperties ReadWorldProperties(const btDynamicsWorld& world);

// The reason when the value is refused; nothing when it was applied. A mass
// edit recomputes the inertia, and 0 makes the body static (and back). A
// new position or orientation puts the body there at rest, and moves its
// start there too when moveStart (an edit made while Stopped).
std::optional<std::string> EditBody(btDiscreteDynamicsWorld& world, btRigidBody& body,
                                    BodyField field, const FieldValue& value,
                                    bool moveStart = false);
std::optional<std::string> EditGravity(btDynamicsWorld& world, const FieldValue& value);
std::optional<std::string> EditSolverIterations(btDynamicsWorld& world, double iterations);

// The value a field holds now, for undoing an edit.
FieldValue CurrentFieldValue(const btRigidBody& body, BodyField field);

// Undoable records of edits already made, from the values before and after.
std::unique_ptr<Edit> MakePropertyEdit(btDiscreteDynamicsWorld& world, btRigidBody& body,
                                       BodyField field, const FieldValue& before,
                                       const FieldValue& after, bool moveStart);
std::unique_ptr<Edit> MakeWorldSettingsEdit(btDynamicsWorld& world, const WorldProperties& before,
                                            const WorldProperties& after);
