#include "physics/constraint_copy.h"

namespace {

// Bullet's getters are not const; copying reads only.
template <typename T>
T& Reading(const btTypedConstraint& constraint)
{
    return const_cast<T&>(static_cast<const T&>(constraint));
}

btTransform Shifted(btTransform frame, const btRigidBody& body, const btVector3& shift)
{
    if (body.getCollisionShape() == nullptr)
        frame.setOrigin(frame.getOrigin() + shift);
    return frame;
}

std::unique_ptr<btGeneric6DofSpring2Constraint> CopySpring2(btGeneric6DofSpring2Constraint& from,
                                                            btRigidBody& a, btRigidBody& b,
                                                            const btTransform& frameA,
                                                            const btTransform& frameB)
{
    std::unique_ptr<btGeneric6DofSpring2Constraint> copy;
    if (dynamic_cast<const btFixedConstraint*>(&from) != nullptr)
        copy = std::make_unique<btFixedConstraint>(a, b, frameA, frameB);
    else
        copy = std::make_unique<btGeneric6DofSpring2Constraint>(a, b, frameA, frameB,
                                                                from.getRotationOrder());
    // The axes' records hold every limit, motor, servo and spring.
    for (int i = 0; i < 3; ++i)
        *copy->getRotationalLimitMotor(i) = *from.getRotationalLimitMotor(i);
    *copy->getTranslationalLimitMotor() = *from.getTranslationalLimitMotor();
    return copy;
}

}  // namespace

std::unique_ptr<btTypedConstraint> CopyConstraint(const btTypedConstraint& from, btRigidBody& a,
                                                  btRigidBody& b, const btVector3& worldShift)
{
    std::unique_ptr<btTypedConstraint> copy;
    switch (from.getConstraintType()) {
    case POINT2POINT_CONSTRAINT_TYPE: {
        auto& point = Reading<btPoint2PointConstraint>(from);
        const btTransform frameA(btMatrix3x3::getIdentity(), point.getPivotInA());
        const btTransform frameB(btMatrix3x3::getIdentity(), point.getPivotInB());
        auto made = std::make_unique<btPoint2PointConstraint>(
            a, b, Shifted(frameA, a, worldShift).getOrigin(),
            Shifted(frameB, b, worldShift).getOrigin());
        made->m_setting = point.m_setting;
        copy = std::move(made);
        break;
    }
    case HINGE_CONSTRAINT_TYPE: {
        auto& hinge = Reading<btHingeConstraint>(from);
        auto made = std::make_unique<btHingeConstraint>(
            a, b, Shifted(hinge.getFrameOffsetA(), a, worldShift),
            Shifted(hinge.getFrameOffsetB(), b, worldShift), hinge.getUseReferenceFrameA());
        made->setAngularOnly(hinge.getAngularOnly());
        made->setUseFrameOffset(hinge.getUseFrameOffset());
        made->setLimit(hinge.getLowerLimit(), hinge.getUpperLimit(), hinge.getLimitSoftness(),
                       hinge.getLimitBiasFactor(), hinge.getLimitRelaxationFactor());
        made->enableAngularMotor(hinge.getEnableAngularMotor(), hinge.getMotorTargetVelocity(),
                                 hinge.getMaxMotorImpulse());
        copy = std::move(made);
        break;
    }
    case SLIDER_CONSTRAINT_TYPE: {
        auto& slider = Reading<btSliderConstraint>(from);
        auto made = std::make_unique<btSliderConstraint>(
            a, b, Shifted(slider.getFrameOffsetA(), a, worldShift),
            Shifted(slider.getFrameOffsetB(), b, worldShift), slider.getUseLinearReferenceFrameA());
        made->setUseFrameOffset(slider.getUseFrameOffset());
        made->setLowerLinLimit(slider.getLowerLinLimit());
        made->setUpperLinLimit(slider.getUpperLinLimit());
        made->setLowerAngLimit(slider.getLowerAngLimit());
        made->setUpperAngLimit(slider.getUpperAngLimit());
        made->setPoweredLinMotor(slider.getPoweredLinMotor());
        made->setTargetLinMotorVelocity(slider.getTargetLinMotorVelocity());
        made->setMaxLinMotorForce(slider.getMaxLinMotorForce());
        made->setPoweredAngMotor(slider.getPoweredAngMotor());
        made->setTargetAngMotorVelocity(slider.getTargetAngMotorVelocity());
        made->setMaxAngMotorForce(slider.getMaxAngMotorForce());
        copy = std::move(made);
        break;
    }
    case FIXED_CONSTRAINT_TYPE:
    case D6_SPRING_2_CONSTRAINT_TYPE: {
        auto& spring = Reading<btGeneric6DofSpring2Constraint>(from);
        copy = CopySpring2(spring, a, b, Shifted(spring.getFrameOffsetA(), a, worldShift),
                           Shifted(spring.getFrameOffsetB(), b, worldShift));
        break;
    }
    case CONETWIST_CONSTRAINT_TYPE: {
        auto& cone = Reading<btConeTwistConstraint>(from);
        auto made = std::make_unique<btConeTwistConstraint>(
            a, b, Shifted(cone.getFrameOffsetA(), a, worldShift),
            Shifted(cone.getFrameOffsetB(), b, worldShift));
        made->setAngularOnly(cone.getAngularOnly());
        made->setLimit(cone.getSwingSpan1(), cone.getSwingSpan2(), cone.getTwistSpan(),
                       cone.getLimitSoftness(), cone.getBiasFactor(), cone.getRelaxationFactor());
        made->setDamping(cone.getDamping());
        made->setFixThresh(cone.getFixThresh());
        if (cone.isMaxMotorImpulseNormalized())
            made->setMaxMotorImpulseNormalized(cone.getMaxMotorImpulse());
        else
            made->setMaxMotorImpulse(cone.getMaxMotorImpulse());
        made->setMotorTarget(cone.getMotorTarget());
        made->enableMotor(cone.isMotorEnabled());
        copy = std::move(made);
        break;
    }
    case D6_CONSTRAINT_TYPE:
    case D6_SPRING_CONSTRAINT_TYPE: {
        auto& six = Reading<btGeneric6DofConstraint>(from);
        const btTransform frameA = Shifted(six.getFrameOffsetA(), a, worldShift);
        const btTransform frameB = Shifted(six.getFrameOffsetB(), b, worldShift);
        std::unique_ptr<btGeneric6DofConstraint> made;
        if (from.getConstraintType() == D6_SPRING_CONSTRAINT_TYPE) {
            auto& sprung = Reading<btGeneric6DofSpringConstraint>(from);
            auto springs = std::make_unique<btGeneric6DofSpringConstraint>(
                a, b, frameA, frameB, six.getUseLinearReferenceFrameA());
            for (int i = 0; i < 6; ++i) {
                springs->enableSpring(i, sprung.isSpringEnabled(i));
                springs->setStiffness(i, sprung.getStiffness(i));
                springs->setDamping(i, sprung.getDamping(i));
                springs->setEquilibriumPoint(i, sprung.getEquilibriumPoint(i));
            }
            made = std::move(springs);
        } else {
            made = std::make_unique<btGeneric6DofConstraint>(a, b, frameA, frameB,
                                                             six.getUseLinearReferenceFrameA());
        }
        made->setUseFrameOffset(six.getUseFrameOffset());
        for (int i = 0; i < 3; ++i)
            *made->getRotationalLimitMotor(i) = *six.getRotationalLimitMotor(i);
        *made->getTranslationalLimitMotor() = *six.getTranslationalLimitMotor();
        copy = std::move(made);
        break;
    }
    case GEAR_CONSTRAINT_TYPE: {
        // Axes are the bodies' own: a shift moves nothing of them.
        auto& gear = Reading<btGearConstraint>(from);
        copy = std::make_unique<btGearConstraint>(a, b, gear.getAxisA(), gear.getAxisB(),
                                                  gear.getRatio());
        break;
    }
    default:
        return nullptr;
    }
    copy->setEnabled(from.isEnabled());
    copy->setBreakingImpulseThreshold(from.getBreakingImpulseThreshold());
    copy->setDbgDrawSize(Reading<btTypedConstraint>(from).getDbgDrawSize());
    copy->setOverrideNumSolverIterations(from.getOverrideNumSolverIterations());
    return copy;
}
