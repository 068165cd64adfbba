#include "edit/body_joints.h"

#include "common/kinetta_assert.h"
#include "worlds/world_file_checks.h"

#include <cfloat>
#include <cmath>

namespace {

constexpr btScalar kPi = 3.14159265f;

bool TurnsAboutZ(JointType type)
{
    return type == JointType::Hinge || type == JointType::Fixed || type == JointType::Point;
}

// A frame at the pivot whose z (hinge) or x (slider, spring) axis is the axis.
btTransform JointFrame(JointType type, const btVector3& pivot, const btVector3& axis)
{
    const btVector3 n = axis.normalized();
    btVector3 p, q;
    btPlaneSpace1(n, p, q);
    q = n.cross(p);
    btMatrix3x3 basis;
    if (TurnsAboutZ(type))
        basis.setValue(p.x(), q.x(), n.x(), p.y(), q.y(), n.y(), p.z(), q.z(), n.z());
    else
        basis.setValue(n.x(), p.x(), q.x(), n.y(), p.y(), q.y(), n.z(), p.z(), q.z());
    return btTransform(basis, pivot);
}

btTransform LocalFrame(const btRigidBody& body, const btTransform& world)
{
    return body.getCenterOfMassTransform().inverse() * world;
}

btScalar MassOf(const btRigidBody& body)
{
    return body.getInvMass() > 0 ? 1 / body.getInvMass() : 0;
}

// The mass a spring between the two swings: the pair's reduced mass, or the
// one body's when the other cannot move.
btScalar SwingingMass(const btRigidBody& a, const btRigidBody& b)
{
    const btScalar ma = MassOf(a), mb = MassOf(b);
    if (ma > 0 && mb > 0)
        return ma * mb / (ma + mb);
    return ma > 0 ? ma : mb;
}

void SetLocalFrames(btTypedConstraint& joint, JointType type, const btTransform& a,
                    const btTransform& b)
{
    switch (type) {
    case JointType::Point: {
        auto& point = static_cast<btPoint2PointConstraint&>(joint);
        point.setPivotA(a.getOrigin());
        point.setPivotB(b.getOrigin());
        break;
    }
    case JointType::Hinge:
        static_cast<btHingeConstraint&>(joint).setFrames(a, b);
        break;
    case JointType::Slider:
        static_cast<btSliderConstraint&>(joint).setFrames(a, b);
        break;
    case JointType::Fixed:
    case JointType::Spring:
        static_cast<btGeneric6DofSpring2Constraint&>(joint).setFrames(a, b);
        break;
    }
}

void SetFrames(btTypedConstraint& joint, JointType type, const btVector3& pivot,
               const btVector3& axis)
{
    const btTransform world = JointFrame(type, pivot, axis);
    SetLocalFrames(joint, type, LocalFrame(joint.getRigidBodyA(), world),
                   LocalFrame(joint.getRigidBodyB(), world));
}

btTransform FrameOf(const btTypedConstraint& joint, JointType type, bool onA)
{
    if (type == JointType::Point) {
        const auto& point = static_cast<const btPoint2PointConstraint&>(joint);
        return btTransform(btMatrix3x3::getIdentity(),
                           onA ? point.getPivotInA() : point.getPivotInB());
    }
    switch (type) {
    case JointType::Hinge: {
        auto& hinge = const_cast<btHingeConstraint&>(static_cast<const btHingeConstraint&>(joint));
        return onA ? hinge.getFrameOffsetA() : hinge.getFrameOffsetB();
    }
    case JointType::Slider: {
        const auto& slider = static_cast<const btSliderConstraint&>(joint);
        return onA ? slider.getFrameOffsetA() : slider.getFrameOffsetB();
    }
    default: {
        const auto& d6 = static_cast<const btGeneric6DofSpring2Constraint&>(joint);
        return onA ? d6.getFrameOffsetA() : d6.getFrameOffsetB();
    }
    }
}

btTransform FrameA(const btTypedConstraint& joint, JointType type)
{
    return FrameOf(joint, type, true);
}

bool AllLocked(const btGeneric6DofSpring2Constraint& constraint)
{
    auto& d6 = const_cast<btGeneric6DofSpring2Constraint&>(constraint);
    const btTranslationalLimitMotor2& linear = *d6.getTranslationalLimitMotor();
    for (int i = 0; i < 3; ++i) {
        const btRotationalLimitMotor2& angular = *d6.getRotationalLimitMotor(i);
        if (linear.m_lowerLimit[i] != linear.m_upperLimit[i] || linear.m_enableSpring[i] ||
            angular.m_loLimit != angular.m_hiLimit || angular.m_enableSpring)
            return false;
    }
    return true;
}

}  // namespace

const char* JointNounOf(JointType type)
{
    switch (type) {
    case JointType::Point: return "Point";
    case JointType::Hinge: return "Hinge";
    case JointType::Slider: return "Slider";
    case JointType::Fixed: return "Fixed";
    case JointType::Spring: return "Spring";
    }
    return "Joint";
}

std::optional<JointType> JointTypeOf(const btTypedConstraint& constraint)
{
    switch (constraint.getConstraintType()) {
    case POINT2POINT_CONSTRAINT_TYPE: return JointType::Point;
    case HINGE_CONSTRAINT_TYPE: return JointType::Hinge;
    case SLIDER_CONSTRAINT_TYPE: return JointType::Slider;
    case FIXED_CONSTRAINT_TYPE: return JointType::Fixed;
    case D6_SPRING_2_CONSTRAINT_TYPE:
        // A fixed joint is a spring 2 constraint with every axis locked and
        // no spring, and is saved as one.
        return AllLocked(static_cast<const btGeneric6DofSpring2Constraint&>(constraint))
                   ? JointType::Fixed
                   : JointType::Spring;
    default: return std::nullopt;
    }
}

std::unique_ptr<btTypedConstraint> MakeJoint(JointType type, btRigidBody& a, btRigidBody& b,
                                             const btVector3& pivot, const btVector3& axis)
{
    KINETTA_ASSERT(!axis.fuzzyZero(), "give a joint an axis of some length");
    const btTransform world = JointFrame(type, pivot, axis);
    const btTransform frameA = LocalFrame(a, world);
    const btTransform frameB = LocalFrame(b, world);
    std::unique_ptr<btTypedConstraint> joint;
    switch (type) {
    case JointType::Point:
        joint = std::make_unique<btPoint2PointConstraint>(a, b, frameA.getOrigin(), frameB.getOrigin());
        break;
    case JointType::Hinge: {
        auto hinge = std::make_unique<btHingeConstraint>(a, b, frameA, frameB, false);
        hinge->setLimit(1, -1);  // free
        joint = std::move(hinge);
        break;
    }
    case JointType::Slider: {
        auto slider = std::make_unique<btSliderConstraint>(a, b, frameA, frameB, true);
        slider->setLowerLinLimit(1);  // free along the axis
        slider->setUpperLinLimit(-1);
        slider->setLowerAngLimit(0);  // no turn about it
        slider->setUpperAngLimit(0);
        joint = std::move(slider);
        break;
    }
    case JointType::Fixed:
        joint = std::make_unique<btFixedConstraint>(a, b, frameA, frameB);
        break;
    case JointType::Spring: {
        auto spring = std::make_unique<btGeneric6DofSpring2Constraint>(a, b, frameA, frameB);
        spring->setLinearLowerLimit(btVector3(1, 0, 0));
        spring->setLinearUpperLimit(btVector3(-1, 0, 0));
        spring->setAngularLowerLimit(btVector3(1, 1, 1));
        spring->setAngularUpperLimit(btVector3(-1, -1, -1));
        spring->enableSpring(0, true);
        const btScalar omega = 2 * kPi;  // one swing a second
        spring->setStiffness(0, omega * omega * SwingingMass(a, b), false);
        spring->setDamping(0, 0, false);
        spring->setEquilibriumPoint(0, 0);
        joint = std::move(spring);
        break;
    }
    }
    return joint;
}

JointSettings ReadJointSettings(const btTypedConstraint& joint)
{
    const std::optional<JointType> type = JointTypeOf(joint);
    KINETTA_ASSERT(type.has_value(), "read settings only of a joint Kinetta makes");
    JointSettings s;
    const btTransform world = joint.getRigidBodyA().getCenterOfMassTransform() * FrameA(joint, *type);
    s.pivot = world.getOrigin();
    s.axis = world.getBasis().getColumn(TurnsAboutZ(*type) ? 2 : 0);
    s.breakingImpulse = joint.getBreakingImpulseThreshold();
    switch (*type) {
    case JointType::Hinge: {
        auto& hinge = const_cast<btHingeConstraint&>(static_cast<const btHingeConstraint&>(joint));
        s.lower = hinge.getLowerLimit();
        s.upper = hinge.getUpperLimit();
        s.motorSpeed = hinge.getMotorTargetVelocity();
        s.motorImpulse = hinge.getEnableAngularMotor() ? hinge.getMaxMotorImpulse() : 0;
        break;
    }
    case JointType::Slider: {
        auto& slider = const_cast<btSliderConstraint&>(static_cast<const btSliderConstraint&>(joint));
        s.lower = slider.getLowerLinLimit();
        s.upper = slider.getUpperLinLimit();
        s.motorSpeed = slider.getTargetLinMotorVelocity();
        s.motorImpulse = slider.getPoweredLinMotor()
                             ? slider.getMaxLinMotorForce() * kJointStep
                             : 0;
        break;
    }
    case JointType::Spring: {
        auto& spring = const_cast<btGeneric6DofSpring2Constraint&>(
            static_cast<const btGeneric6DofSpring2Constraint&>(joint));
        btVector3 lower, upper;
        spring.getLinearLowerLimit(lower);
        spring.getLinearUpperLimit(upper);
        s.lower = lower.x();
        s.upper = upper.x();
        s.stiffness = spring.getTranslationalLimitMotor()->m_springStiffness[0];
        s.damping = spring.getTranslationalLimitMotor()->m_springDamping[0];
        break;
    }
    case JointType::Point:
    case JointType::Fixed:
        break;
    }
    return s;
}

std::optional<std::string> CheckJointSettings(const JointSettings& s)
{
    for (int i = 0; i < 3; ++i) {
        if (!std::isfinite(s.pivot[i]) || std::fabs(s.pivot[i]) > kMaxWorldCoordinate)
            return "the pivot must be three numbers from -1e+06 to 1e+06";
        if (!std::isfinite(s.axis[i]))
            return "the axis must be three numbers";
    }
    if (s.axis.length2() < 1e-12f)
        return "the axis must have a length";
    if (!std::isfinite(s.lower) || !std::isfinite(s.upper))
        return "a limit must be a number";
    if (!std::isfinite(s.motorSpeed) || std::fabs(s.motorSpeed) > kMaxSpeed)
        return "the motor speed must be a number from -1e+05 to 1e+05";
    if (!std::isfinite(s.motorImpulse) || s.motorImpulse < 0)
        return "the motor's impulse must be a number from 0 up";
    if (!std::isfinite(s.stiffness) || s.stiffness < 0)
        return "the stiffness must be a number from 0 up";
    // A negative damping would feed the spring energy without end.
    if (!std::isfinite(s.damping) || s.damping < 0)
        return "the damping must be a number from 0 up";
    // Infinite is Bullet's "never breaks".
    if (std::isnan(s.breakingImpulse) || s.breakingImpulse < 0)
        return "the breaking impulse must be a number from 0 up";
    return std::nullopt;
}

void ApplyJointSettings(btTypedConstraint& joint, const JointSettings& s)
{
    KINETTA_ASSERT(!CheckJointSettings(s), "check joint settings before applying them");
    const std::optional<JointType> type = JointTypeOf(joint);
    KINETTA_ASSERT(type.has_value(), "apply settings only to a joint Kinetta makes");
    SetFrames(joint, *type, s.pivot, s.axis);
    joint.setBreakingImpulseThreshold(s.breakingImpulse);
    switch (*type) {
    case JointType::Hinge: {
        auto& hinge = static_cast<btHingeConstraint&>(joint);
        hinge.setLimit(s.lower, s.upper);
        hinge.enableAngularMotor(s.motorImpulse > 0, s.motorSpeed, s.motorImpulse);
        break;
    }
    case JointType::Slider: {
        auto& slider = static_cast<btSliderConstraint&>(joint);
        slider.setLowerLinLimit(s.lower);
        slider.setUpperLinLimit(s.upper);
        slider.setPoweredLinMotor(s.motorImpulse > 0);
        slider.setTargetLinMotorVelocity(s.motorSpeed);
        slider.setMaxLinMotorForce(s.motorImpulse / kJointStep);
        break;
    }
    case JointType::Spring: {
        auto& spring = static_cast<btGeneric6DofSpring2Constraint&>(joint);
        spring.setLinearLowerLimit(btVector3(s.lower, 0, 0));
        spring.setLinearUpperLimit(btVector3(s.upper, 0, 0));
        spring.setStiffness(0, s.stiffness, false);
        spring.setDamping(0, s.damping, false);
        break;
    }
    case JointType::Point:
    case JointType::Fixed:
        break;
    }
    // Whatever it held still may now have to move.
    joint.getRigidBodyA().activate(true);
    joint.getRigidBodyB().activate(true);
}

JointFrames ReadJointFrames(const btTypedConstraint& joint)
{
    const std::optional<JointType> type = JointTypeOf(joint);
    KINETTA_ASSERT(type.has_value(), "read frames only of a joint Kinetta makes");
    return {FrameOf(joint, *type, true), FrameOf(joint, *type, false)};
}

void ApplyJointFrames(btTypedConstraint& joint, const JointFrames& frames)
{
    const std::optional<JointType> type = JointTypeOf(joint);
    KINETTA_ASSERT(type.has_value(), "apply frames only to a joint Kinetta makes");
    SetLocalFrames(joint, *type, frames.a, frames.b);
}
