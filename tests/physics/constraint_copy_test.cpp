// A copied group of bodies keeps the joints among them: every kind of
// Bullet's rigid-body constraints comes out of the copy with its frames and
// settings, a frame on the world's side moved with the group.
#include "physics/constraint_copy.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Bodies {
    btBoxShape box{btVector3(0.5f, 0.5f, 0.5f)};
    btRigidBody a{1.0f, nullptr, &box, btVector3(1, 1, 1)};
    btRigidBody b{1.0f, nullptr, &box, btVector3(1, 1, 1)};
};

const btTransform kFrameA(btQuaternion(btVector3(0, 1, 0), 0.3f), btVector3(0.5f, 0, 0));
const btTransform kFrameB(btQuaternion(btVector3(1, 0, 0), -0.2f), btVector3(-0.5f, 0.1f, 0));

template <typename T>
T& As(btTypedConstraint& constraint)
{
    T* typed = dynamic_cast<T*>(&constraint);
    EXPECT_NE(typed, nullptr);
    return *typed;
}

void ExpectSameFrame(const btTransform& actual, const btTransform& expected, const std::string& what)
{
    EXPECT_LT((actual.getOrigin() - expected.getOrigin()).length(), 1e-6f) << what;
    EXPECT_LT((actual.getRotation() - expected.getRotation()).length(), 1e-6f) << what;
}

}  // namespace

TEST(CopyConstraint, EveryKindKeepsItsFramesAndSettings)
{
    struct Case {
        const char* name;
        std::function<std::unique_ptr<btTypedConstraint>(btRigidBody&, btRigidBody&)> make;
        std::function<void(btTypedConstraint&)> check;
    };
    const std::vector<Case> cases = {
        {"cone twist",
         [](btRigidBody& a, btRigidBody& b) {
             auto cone = std::make_unique<btConeTwistConstraint>(a, b, kFrameA, kFrameB);
             cone->setLimit(0.4f, 0.6f, 0.2f, 0.9f, 0.25f, 0.8f);
             cone->setDamping(0.05f);
             cone->setMaxMotorImpulse(3.0f);
             cone->setMotorTarget(btQuaternion(btVector3(0, 0, 1), 0.1f));
             cone->enableMotor(true);
             return cone;
         },
         [](btTypedConstraint& copy) {
             auto& cone = As<btConeTwistConstraint>(copy);
             ExpectSameFrame(cone.getFrameOffsetA(), kFrameA, "cone twist A");
             ExpectSameFrame(cone.getFrameOffsetB(), kFrameB, "cone twist B");
             EXPECT_FLOAT_EQ(cone.getSwingSpan1(), 0.4f);
             EXPECT_FLOAT_EQ(cone.getSwingSpan2(), 0.6f);
             EXPECT_FLOAT_EQ(cone.getTwistSpan(), 0.2f);
             EXPECT_FLOAT_EQ(cone.getLimitSoftness(), 0.9f);
             EXPECT_FLOAT_EQ(cone.getDamping(), 0.05f);
             EXPECT_TRUE(cone.isMotorEnabled());
             EXPECT_FLOAT_EQ(cone.getMaxMotorImpulse(), 3.0f);
         }},
        {"six axes with springs",
         [](btRigidBody& a, btRigidBody& b) {
             auto six = std::make_unique<btGeneric6DofSpringConstraint>(a, b, kFrameA, kFrameB, true);
             six->setLinearLowerLimit(btVector3(-1, 0, 0));
             six->setLinearUpperLimit(btVector3(1, 0, 0));
             six->setAngularLowerLimit(btVector3(0, -0.5f, 0));
             six->setAngularUpperLimit(btVector3(0, 0.5f, 0));
             six->enableSpring(0, true);
             six->setStiffness(0, 40.0f);
             six->setDamping(0, 0.3f);
             six->setEquilibriumPoint(0, 0.25f);
             return six;
         },
         [](btTypedConstraint& copy) {
             auto& six = As<btGeneric6DofSpringConstraint>(copy);
             ExpectSameFrame(six.getFrameOffsetA(), kFrameA, "six axes A");
             btVector3 lower, upper;
             six.getLinearLowerLimit(lower);
             six.getAngularUpperLimit(upper);
             EXPECT_FLOAT_EQ(lower.x(), -1.0f);
             EXPECT_FLOAT_EQ(upper.y(), 0.5f);
             EXPECT_TRUE(six.isSpringEnabled(0));
             EXPECT_FALSE(six.isSpringEnabled(1));
             EXPECT_FLOAT_EQ(six.getStiffness(0), 40.0f);
             EXPECT_FLOAT_EQ(six.getDamping(0), 0.3f);
             EXPECT_FLOAT_EQ(six.getEquilibriumPoint(0), 0.25f);
         }},
        {"gear",
         [](btRigidBody& a, btRigidBody& b) {
             return std::make_unique<btGearConstraint>(a, b, btVector3(0, 1, 0), btVector3(1, 0, 0),
                                                       2.5f);
         },
         [](btTypedConstraint& copy) {
             auto& gear = As<btGearConstraint>(copy);
             EXPECT_EQ(gear.getAxisA(), btVector3(0, 1, 0));
             EXPECT_EQ(gear.getAxisB(), btVector3(1, 0, 0));
             EXPECT_FLOAT_EQ(gear.getRatio(), 2.5f);
         }},
    };
    for (const Case& c : cases) {
        Bodies from, to;
        std::unique_ptr<btTypedConstraint> original = c.make(from.a, from.b);
        original->setBreakingImpulseThreshold(12.0f);
        original->setEnabled(false);
        const std::unique_ptr<btTypedConstraint> copy =
            CopyConstraint(*original, to.a, to.b, btVector3(3, 0, 0));
        ASSERT_NE(copy, nullptr) << c.name << " was not copied";
        EXPECT_EQ(copy->getConstraintType(), original->getConstraintType()) << c.name;
        EXPECT_EQ(&copy->getRigidBodyA(), &to.a) << c.name;
        EXPECT_EQ(&copy->getRigidBodyB(), &to.b) << c.name;
        EXPECT_FLOAT_EQ(copy->getBreakingImpulseThreshold(), 12.0f) << c.name;
        EXPECT_FALSE(copy->isEnabled()) << c.name;
        c.check(*copy);
    }

    // A tie to the world (a body without a shape stands for it) has its
    // world-side frame moved with the group.
    Bodies from, to;
    btRigidBody world(0.0f, nullptr, nullptr);
    btRigidBody worldCopy(0.0f, nullptr, nullptr);
    btConeTwistConstraint tie(from.a, world, kFrameA, kFrameB);
    const auto copy = CopyConstraint(tie, to.a, worldCopy, btVector3(3, 0, 0));
    ASSERT_NE(copy, nullptr);
    auto& cone = As<btConeTwistConstraint>(*copy);
    ExpectSameFrame(cone.getFrameOffsetA(), kFrameA, "the body's side stays");
    EXPECT_LT((cone.getFrameOffsetB().getOrigin() - (kFrameB.getOrigin() + btVector3(3, 0, 0)))
                  .length(),
              1e-6f);
}
