#pragma once
// Joining selected bodies and changing a joint, as undoable edits.

#include "edit/body_joints.h"
#include "physics/simulation_control.h"

#include <btBulletDynamicsCommon.h>

#include <optional>
#include <string>

class WorldDocument;

struct JoinResult {
    btTypedConstraint* joint = nullptr;  // null when refused
    std::string refusal;
};

// Joins the first two selected bodies, in the order they were selected, or
// ties the one selected body to the world. The pivot is the point last
// clicked on the first body (its centre when it was never clicked), the
// axis points from there to the eye. The new joint is selected and one edit
// is pushed; one made while the world runs goes at Stop.
JoinResult JoinSelected(WorldDocument& document, JointType type, const btVector3& eye,
                        SimulationState state);

// The settings the Properties pane edits one at a time.
enum class JointField {
    Pivot,
    Axis,
    LowerLimit,
    UpperLimit,
    MotorSpeed,
    MotorImpulse,
    Stiffness,
    Damping,
    BreakingImpulse,
};
inline constexpr int kJointFieldCount = 9;
// Whether the field means anything for the type (a point has no axis).
bool JointHasField(JointType type, JointField field);
// The settings with one field changed: vector fields take x, y and z,
// the others x.
JointSettings WithJointField(JointSettings settings, JointField field, double x, double y,
                             double z);

// Checks the settings and applies them to a joint Kinetta makes, as one
// edit; the reason when refused, changing nothing.
std::optional<std::string> EditJoint(WorldDocument& document, btTypedConstraint& joint,
                                     const JointSettings& settings);
