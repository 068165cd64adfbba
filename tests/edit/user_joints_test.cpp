// Joints made from two clicks: each type saved and found again by Bullet's
// own importer, and what the importer built behaves as the joint should: a
// door swings about its hinge, a motor turns at its speed, a spring swings
// with the period its stiffness and mass give.
#include "edit/joint_edits.h"
#include "edit/document_fixture.h"
#include "worlds/world_file_builder.h"
#include "worlds/world_file_scratch.h"

#include <BulletWorldImporter/btBulletWorldImporter.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

constexpr float kStep = 1.0f / 60.0f;
constexpr float kPi = 3.14159265f;

// Bullet's own world, with its importer's objects.
struct ImportedWorld {
    btDefaultCollisionConfiguration configuration;
    btCollisionDispatcher dispatcher{&configuration};
    btDbvtBroadphase broadphase;
    btSequentialImpulseConstraintSolver solver;
    btDiscreteDynamicsWorld world{&dispatcher, &broadphase, &solver, &configuration};
    btBulletWorldImporter importer{&world};

    explicit ImportedWorld(const std::string& path) { EXPECT_TRUE(importer.loadFile(path.c_str())); }
    ~ImportedWorld() { importer.deleteAllData(); }
    btRigidBody* Body(int index) { return btRigidBody::upcast(world.getCollisionObjectArray()[index]); }
    void Run(int steps)
    {
        for (int i = 0; i < steps; ++i)
            world.stepSimulation(kStep, 0);
    }
};

class UserJoints : public edit_testing::DocumentTest {
protected:
    // Two 1 m boxes side by side: a moving one of `mass` at the origin, and
    // a static one two metres to its right.
    void MakeWorld(float mass, const btVector3& gravity)
    {
        WorldDescription description;
        description.gravity = gravity;
        DescribedShape box;
        box.extents = btVector3(0.5f, 0.5f, 0.5f);
        box.margin = 0.04f;
        description.shapes = {box};
        for (int i = 0; i < 2; ++i) {
            DescribedBody body;
            body.mass = i == 0 ? mass : 0;
            body.transform.origin = btVector3(2.0f * i, 0, 0);
            description.bodies.push_back(body);
        }
        m_document.TakeWorld(BuildLoadedWorld(description));
    }
    // A click from the eye, straight down -z, at (x, y).
    void Click(float x, float y, WorldDocument::PressMode mode = WorldDocument::PressMode::Replace)
    {
        PickRay ray;
        ray.from = btVector3(x, y, m_eye.z() - 1);
        ray.to = btVector3(x, y, m_eye.z() - 100);
        ray.fromDepth = 1;
        ray.toDepth = 100;
        m_document.PressAt(ray, SimulationState::Stopped, mode);
        m_document.Release();
    }
    std::string Save()
    {
        const std::string path = m_scratch.Path("joint.bullet");
        EXPECT_TRUE(m_document.SaveWorld(path).ok);
        return path;
    }

    const btVector3 m_eye{0.4f, 0.4f, 20};
    ScratchFolder m_scratch;
};

TEST_F(UserJoints, EachTypeFromTwoClicksIsSavedAndFoundByBulletsImporter)
{
    const int expected[kJointTypeCount] = {POINT2POINT_CONSTRAINT_TYPE, HINGE_CONSTRAINT_TYPE,
                                           SLIDER_CONSTRAINT_TYPE, D6_SPRING_2_CONSTRAINT_TYPE,
                                           D6_SPRING_2_CONSTRAINT_TYPE};
    for (int t = 0; t < kJointTypeCount; ++t) {
        const auto type = static_cast<JointType>(t);
        MakeWorld(1, btVector3(0, -10, 0));
        Click(0.4f, 0.4f);
        Click(2, 0, WorldDocument::PressMode::Toggle);
        ASSERT_EQ(m_document.Selection().Count(), 2u);
        const JoinResult joined = JoinSelected(m_document, type, m_eye, SimulationState::Stopped);
        ASSERT_NE(joined.joint, nullptr) << joined.refusal;
        EXPECT_EQ(JointTypeOf(*joined.joint), type);
        // The pivot is where the first body was clicked, the axis points at the eye.
        const JointSettings settings = ReadJointSettings(*joined.joint);
        EXPECT_LT((settings.pivot - btVector3(0.4f, 0.4f, 0.5f)).length(), 0.02f) << JointNounOf(type);
        if (type != JointType::Point) {
            EXPECT_GT(settings.axis.dot(btVector3(0, 0, 1)), 0.9999f) << JointNounOf(type);
        }

        ImportedWorld imported(Save());
        ASSERT_EQ(imported.world.getNumConstraints(), 1) << JointNounOf(type);
        btTypedConstraint& found = *imported.world.getConstraint(0);
        EXPECT_EQ(found.getConstraintType(), expected[t]) << JointNounOf(type);
        EXPECT_EQ(JointTypeOf(found), type) << JointNounOf(type);
        EXPECT_EQ(&found.getRigidBodyA(), imported.Body(0));
        EXPECT_EQ(&found.getRigidBodyB(), imported.Body(1));
        // Held to the static box, the moving one stays where it was.
        imported.Run(60);
        const btVector3 at = imported.Body(0)->getCenterOfMassPosition();
        if (type == JointType::Fixed || type == JointType::Slider)
            EXPECT_LT(at.length(), 0.02f) << JointNounOf(type);
        else
            EXPECT_GT(at.length(), 0.05f) << JointNounOf(type) << " lets the box swing";
        // Its one undo takes the joint away again.
        ASSERT_TRUE(m_document.History().Undo());
        EXPECT_EQ(m_document.World().getNumConstraints(), 0);

        // Tied to the world, it comes back through Kinetta's own reader as
        // the same kind of joint, holding its body where it was tied.
        Click(5, 5);  // the sky: nothing selected
        Click(0.4f, 0.4f);
        ASSERT_TRUE(JoinSelected(m_document, type, m_eye, SimulationState::Stopped).joint);
        WorldFileOpenOptions options;
        options.readerPath = KINETTA_WORLD_READER_PATH;
        const WorldFileResult opened = m_document.OpenWorld(Save(), options);
        ASSERT_TRUE(opened.ok) << opened.error;
        ASSERT_EQ(m_document.World().getNumConstraints(), 1) << JointNounOf(type);
        const btTypedConstraint& tie = *m_document.World().getConstraint(0);
        EXPECT_EQ(JointTypeOf(tie), type) << JointNounOf(type);
        EXPECT_LT((ReadJointSettings(tie).pivot - btVector3(0.4f, 0.4f, 0.5f)).length(), 0.02f)
            << JointNounOf(type);
    }
}

TEST_F(UserJoints, AHingedDoorSwingsAboutItsAxis)
{
    MakeWorld(1, btVector3(0, -10, 0));
    Click(0.4f, 0.4f);  // one body: hinged to the world
    const JoinResult joined = JoinSelected(m_document, JointType::Hinge, m_eye, SimulationState::Stopped);
    ASSERT_NE(joined.joint, nullptr) << joined.refusal;

    ImportedWorld imported(Save());
    ASSERT_EQ(imported.world.getNumConstraints(), 1);
    btRigidBody& door = *imported.Body(0);
    const btVector3 pivot(0.4f, 0.4f, 0.5f);
    const btVector3 pivotOnDoor = door.getCenterOfMassTransform().inverse() * pivot;
    float largest = 0;
    for (int i = 0; i < 90; ++i) {
        imported.Run(1);
        const btTransform& now = door.getCenterOfMassTransform();
        // It turns about z through the pivot, and only so.
        EXPECT_LT((now * pivotOnDoor - pivot).length(), 0.01f) << "step " << i;
        EXPECT_NEAR(now.getOrigin().z(), 0, 0.01f);
        EXPECT_LT(std::fabs(door.getAngularVelocity().x()) + std::fabs(door.getAngularVelocity().y()),
                  0.01f);
        largest = std::max(largest, now.getRotation().getAngle());
    }
    EXPECT_GT(largest, 0.5f) << "the door swung";
}

TEST_F(UserJoints, AMotorTurnsAtItsTargetSpeed)
{
    MakeWorld(3, btVector3(0, 0, 0));
    Click(0, 0);  // the centre: the box spins in place
    const JoinResult joined = JoinSelected(m_document, JointType::Hinge, btVector3(0, 0, 20),
                                           SimulationState::Stopped);
    ASSERT_NE(joined.joint, nullptr);
    JointSettings settings = ReadJointSettings(*joined.joint);
    settings.motorSpeed = 2.5f;
    settings.motorImpulse = 5;
    ASSERT_FALSE(EditJoint(m_document, *joined.joint, settings));
    EXPECT_EQ(m_document.History().Size(), 2u);

    ImportedWorld imported(Save());
    btRigidBody& wheel = *imported.Body(0);
    wheel.setActivationState(DISABLE_DEACTIVATION);
    imported.Run(30);  // up to speed
    float turned = 0;
    btQuaternion last = wheel.getOrientation();
    for (int i = 0; i < 60; ++i) {
        imported.Run(1);
        const btQuaternion now = wheel.getOrientation();
        turned += (now * last.inverse()).getAngle() * ((now * last.inverse()).getAxis().z() < 0 ? -1 : 1);
        last = now;
    }
    EXPECT_NEAR(std::fabs(turned), 2.5f, 2.5f * 0.02f) << "radians in one second";
    EXPECT_NEAR(std::fabs(wheel.getAngularVelocity().z()), 2.5f, 2.5f * 0.02f);
}

TEST_F(UserJoints, ASpringSwingsWithThePeriodItsStiffnessAndMassGive)
{
    const float mass = 2, stiffness = 50;
    MakeWorld(mass, btVector3(0, 0, 0));
    // To the static box: Bullet's importer builds no spring 2 constraint
    // with one body (it asks for both), so a tie to the world would not be found.
    Click(0, 0);
    Click(2, 0, WorldDocument::PressMode::Toggle);
    const JoinResult joined = JoinSelected(m_document, JointType::Spring, btVector3(0, 0, 20),
                                           SimulationState::Stopped);
    ASSERT_NE(joined.joint, nullptr);
    JointSettings settings = ReadJointSettings(*joined.joint);
    settings.stiffness = stiffness;
    ASSERT_FALSE(EditJoint(m_document, *joined.joint, settings));
    settings.damping = -1;
    EXPECT_TRUE(EditJoint(m_document, *joined.joint, settings)) << "negative damping is refused";
    EXPECT_EQ(ReadJointSettings(*joined.joint).damping, 0);

    ImportedWorld imported(Save());
    btRigidBody& bob = *imported.Body(0);
    bob.setActivationState(DISABLE_DEACTIVATION);
    btTransform pulled = bob.getCenterOfMassTransform();
    pulled.getOrigin().setZ(0.3f);
    bob.setCenterOfMassTransform(pulled);
    // Upward crossings of the rest point, timed between steps.
    std::vector<float> crossings;
    float before = bob.getCenterOfMassPosition().z();
    for (int i = 1; i <= 600; ++i) {
        imported.Run(1);
        const float now = bob.getCenterOfMassPosition().z();
        if (before < 0 && now >= 0)
            crossings.push_back((i - 1 + before / (before - now)) * kStep);
        before = now;
    }
    ASSERT_GE(crossings.size(), 4u);
    const float period = (crossings.back() - crossings.front()) / float(crossings.size() - 1);
    const float expected = 2 * kPi * std::sqrt(mass / stiffness);
    EXPECT_NEAR(period, expected, expected * 0.02f);
}

}  // namespace
