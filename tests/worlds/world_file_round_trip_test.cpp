// Saving a world and opening it again through the real reader process.

#include "physics/body_name.h"
#include "physics/dynamics_world.h"
#include "worlds/world_file.h"
#include "worlds/world_file_samples.h"
#include "worlds/world_file_scratch.h"

#include <BulletDynamics/Featherstone/btMultiBody.h>
#include <BulletDynamics/Featherstone/btMultiBodyConstraintSolver.h>
#include <BulletDynamics/Featherstone/btMultiBodyDynamicsWorld.h>
#include <BulletWorldImporter/btBulletWorldImporter.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <limits>
#include <map>

namespace {

void ExpectNear(const btVector3& expected, const btVector3& actual, float tolerance,
                const std::string& what)
{
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(expected[i], actual[i], tolerance) << what << " [" << i << "]";
    }
}

void ExpectSameTransform(const btTransform& expected, const btTransform& actual, const std::string& what)
{
    ExpectNear(expected.getOrigin(), actual.getOrigin(), 1e-6f, what + " origin");
    btQuaternion e = expected.getRotation(), a = actual.getRotation();
    EXPECT_NEAR(std::fabs(e.dot(a)), 1.0f, 1e-6f) << what << " rotation";
}

// Shapes agree when their bounds at rest do: that covers dimensions, margins
// and scaling for every finite shape.
void ExpectSameShape(const btCollisionShape& expected, const btCollisionShape& actual,
                     const std::string& what)
{
    ASSERT_EQ(expected.getShapeType(), actual.getShapeType()) << what;
    if (expected.getShapeType() == STATIC_PLANE_PROXYTYPE) {
        const auto& e = static_cast<const btStaticPlaneShape&>(expected);
        const auto& a = static_cast<const btStaticPlaneShape&>(actual);
        ExpectNear(e.getPlaneNormal(), a.getPlaneNormal(), 1e-6f, what + " normal");
        EXPECT_EQ(e.getPlaneConstant(), a.getPlaneConstant()) << what;
        return;
    }
    btVector3 eMin, eMax, aMin, aMax;
    expected.getAabb(btTransform::getIdentity(), eMin, eMax);
    actual.getAabb(btTransform::getIdentity(), aMin, aMax);
    ExpectNear(eMin, aMin, 1e-5f, what + " bounds");
    ExpectNear(eMax, aMax, 1e-5f, what + " bounds");
    EXPECT_NEAR(expected.getMargin(), actual.getMargin(), 1e-6f) << what << " margin";
    if (expected.isCompound()) {
        const auto& e = static_cast<const btCompoundShape&>(expected);
        const auto& a = static_cast<const btCompoundShape&>(actual);
        ASSERT_EQ(e.getNumChildShapes(), a.getNumChildShapes()) << what;
        for (int i = 0; i < e.getNumChildShapes(); ++i) {
            ExpectSameTransform(e.getChildTransform(i), a.getChildTransform(i), what + " part");
            ExpectSameShape(*e.getChildShape(i), *a.getChildShape(i), what + " part");
        }
    }
}

void ExpectSameBody(const btRigidBody& e, const btRigidBody& a, const std::string& what)
{
    ExpectSameTransform(e.getWorldTransform(), a.getWorldTransform(), what);
    ExpectNear(e.getLinearVelocity(), a.getLinearVelocity(), 1e-6f, what + " linear velocity");
    ExpectNear(e.getAngularVelocity(), a.getAngularVelocity(), 1e-6f, what + " angular velocity");
    EXPECT_NEAR(e.getInvMass(), a.getInvMass(), 1e-6f) << what;
    ExpectNear(e.getInvInertiaDiagLocal(), a.getInvInertiaDiagLocal(), 1e-3f, what + " inertia");
    EXPECT_FLOAT_EQ(e.getFriction(), a.getFriction()) << what;
    EXPECT_FLOAT_EQ(e.getRollingFriction(), a.getRollingFriction()) << what;
    EXPECT_FLOAT_EQ(e.getRestitution(), a.getRestitution()) << what;
    EXPECT_FLOAT_EQ(e.getLinearDamping(), a.getLinearDamping()) << what;
    EXPECT_FLOAT_EQ(e.getAngularDamping(), a.getAngularDamping()) << what;
    EXPECT_EQ(e.getActivationState(), a.getActivationState()) << what;
    EXPECT_FLOAT_EQ(e.getCcdMotionThreshold(), a.getCcdMotionThreshold()) << what;
    EXPECT_FLOAT_EQ(e.getCcdSweptSphereRadius(), a.getCcdSweptSphereRadius()) << what;
    ExpectSameShape(*e.getCollisionShape(), *a.getCollisionShape(), what);
}

// The solver's settings as a description's text has them, to compare.
std::string FormatSolver(const DescribedSolver& solver)
{
    WorldDescription d;
    d.solver = solver;
    return FormatWorldDescription(d);
}

class WorldFileRoundTrip : public ::testing::Test {
protected:
    std::string Save(SampleWorld& sample)
    {
        std::string path = folder.Path("world.bullet");
        WorldFileResult saved = SaveWorldFile(sample.world, path, [&](const btCollisionShape& s) {
            return sample.NameOf(&s);
        });
        EXPECT_TRUE(saved.ok) << saved.error;
        return path;
    }

    ScratchFolder folder;
};

// Every body, shape, constraint and the gravity come back as they were saved;
// shared shapes stay shared and the motion states start at the file's place.
TEST_F(WorldFileRoundTrip, OpensWhatWasSaved)
{
    SampleWorld sample;
    std::string path = Save(sample);
    OpenedWorldFile opened = OpenWorldFile(path, {}, ReaderOptions());
    ASSERT_TRUE(opened.result.ok) << opened.result.error;
    EXPECT_EQ(opened.result.note, "");
    LoadedWorld& loaded = *opened.world;

    ExpectNear(sample.world.getGravity(), loaded.Gravity(), 0, "gravity");
    ASSERT_EQ(loaded.BodyCount(), int(sample.bodies.size()));
    std::map<const btRigidBody*, int> indexOf;
    for (int i = 0; i < loaded.BodyCount(); ++i) {
        const btRigidBody& original = *sample.bodies[i];
        const btRigidBody& body = loaded.BodyAt(i);
        indexOf[&body] = i;
        ExpectSameBody(original, body, "body " + std::to_string(i));
        EXPECT_EQ(loaded.ShapeNameAt(i), sample.NameOf(original.getCollisionShape())) << i;
        btTransform start;
        body.getMotionState()->getWorldTransform(start);
        ExpectSameTransform(original.getWorldTransform(), start, "start " + std::to_string(i));
    }
    // The ball's shape: two bodies and a compound part, built once.
    EXPECT_EQ(loaded.BodyAt(2).getCollisionShape(), loaded.BodyAt(10).getCollisionShape());
    const auto* compound = static_cast<const btCompoundShape*>(loaded.BodyAt(9).getCollisionShape());
    EXPECT_EQ(compound->getChildShape(1), loaded.BodyAt(2).getCollisionShape());
    EXPECT_EQ(loaded.OwnedShapeCount(), int(sample.shapes.size()));

    ASSERT_EQ(loaded.ConstraintCount(), int(sample.constraints.size()));
    for (int i = 0; i < loaded.ConstraintCount(); ++i) {
        btTypedConstraint& e = *sample.constraints[i];
        btTypedConstraint& a = loaded.ConstraintAt(i);
        ASSERT_EQ(e.getConstraintType(), a.getConstraintType()) << i;
        auto bodyIndex = [&](const btRigidBody& b) {
            auto found = indexOf.find(&b);
            return found == indexOf.end() ? -1 : found->second;
        };
        auto originalIndex = [&](const btRigidBody& b) {
            for (size_t k = 0; k < sample.bodies.size(); ++k) {
                if (sample.bodies[k].get() == &b) return int(k);
            }
            return -1;
        };
        EXPECT_EQ(originalIndex(e.getRigidBodyA()), bodyIndex(a.getRigidBodyA())) << i;
        EXPECT_EQ(originalIndex(e.getRigidBodyB()), bodyIndex(a.getRigidBodyB())) << i;
    }
    auto& hinge = static_cast<btHingeConstraint&>(loaded.ConstraintAt(1));
    EXPECT_FLOAT_EQ(hinge.getLowerLimit(), -0.5f);
    EXPECT_FLOAT_EQ(hinge.getUpperLimit(), 0.75f);
    ExpectSameTransform(static_cast<btHingeConstraint&>(*sample.constraints[1]).getBFrame(),
                        hinge.getBFrame(), "hinge frame");
    auto& cone = static_cast<btConeTwistConstraint&>(loaded.ConstraintAt(2));
    EXPECT_FLOAT_EQ(cone.getSwingSpan2(), 0.3f);
    auto& d6 = static_cast<btGeneric6DofConstraint&>(loaded.ConstraintAt(3));
    btVector3 upper;
    d6.getLinearUpperLimit(upper);
    ExpectNear(btVector3(1, 2, 3), upper, 0, "6-dof limit");
    auto& slider = static_cast<btSliderConstraint&>(loaded.ConstraintAt(5));
    EXPECT_FLOAT_EQ(slider.getUpperLinLimit(), 0.6f);
    EXPECT_FLOAT_EQ(slider.getLowerAngLimit(), -0.1f);

    btDiscreteDynamicsWorld& target = sample.world;
    for (auto& c : sample.constraints) target.removeConstraint(c.get());
    for (auto& b : sample.bodies) target.removeRigidBody(b.get());
    loaded.AddTo(target);
    EXPECT_EQ(target.getNumCollisionObjects(), loaded.BodyCount());
    target.stepSimulation(1.0f / 60, 0);
    loaded.RemoveFrom(target);
    for (auto& b : sample.bodies) target.addRigidBody(b.get());
    for (auto& c : sample.constraints) target.addConstraint(c.get());
}

// The scene's own shapes replace the file's for the names it knows, when
// they are the same shape; a file's shape of other dimensions under such a
// name stays its own. Names, compounds' parts' among them, survive a re-save.
TEST_F(WorldFileRoundTrip, SceneSuppliesItsOwnShapesAndNamesSurviveAResave)
{
    SampleWorld sample;
    std::string path = Save(sample);
    btCylinderShapeZ sceneCan(btVector3(0.3f, 0.3f, 0.5f));
    sceneCan.setMargin(0.02f);
    btBoxShape sceneDie(btVector3(0.5f, 0.25f, 1));  // the file's die is scaled
    btSphereShape sceneBall(0.3f);
    SceneShapeLookup scene = [&](std::string_view name) -> btCollisionShape* {
        if (name == "kinetta.can") return &sceneCan;
        if (name == "kinetta.die") return &sceneDie;
        return name == "kinetta.ball" ? &sceneBall : nullptr;
    };
    OpenedWorldFile opened = OpenWorldFile(path, scene, ReaderOptions());
    ASSERT_TRUE(opened.result.ok) << opened.result.error;
    LoadedWorld& loaded = *opened.world;
    EXPECT_EQ(loaded.BodyAt(4).getCollisionShape(), &sceneCan);
    EXPECT_EQ(loaded.BodyAt(2).getCollisionShape(), &sceneBall);
    EXPECT_NE(loaded.BodyAt(1).getCollisionShape(), &sceneDie);
    ExpectSameShape(*sample.bodies[1]->getCollisionShape(), *loaded.BodyAt(1).getCollisionShape(), "die");
    EXPECT_EQ(loaded.ShapeNameAt(1), "kinetta.die");
    EXPECT_EQ(loaded.OwnedShapeCount(), int(sample.shapes.size()) - 2);

    // Re-saved under the names the file gave, then opened without the scene.
    SampleWorld target;
    for (auto& c : target.constraints) target.world.removeConstraint(c.get());
    for (auto& b : target.bodies) target.world.removeRigidBody(b.get());
    loaded.AddTo(target.world);
    std::string again = folder.Path("again.bullet");
    ASSERT_TRUE(SaveWorldFile(target.world, again, [&](const btCollisionShape& shape) {
                    return loaded.NameOf(shape);
                }).ok);
    loaded.RemoveFrom(target.world);
    target.constraints.clear();
    target.bodies.clear();
    OpenedWorldFile reopened = OpenWorldFile(again, {}, ReaderOptions());
    ASSERT_TRUE(reopened.result.ok) << reopened.result.error;
    const auto& compound = static_cast<const btCompoundShape&>(*reopened.world->BodyAt(9).getCollisionShape());
    EXPECT_EQ(reopened.world->NameOf(*compound.getChildShape(0)), "a cone: named % oddly");
    EXPECT_EQ(reopened.world->NameOf(*compound.getChildShape(1)), "kinetta.ball");
    EXPECT_EQ(reopened.world->ShapeNameAt(1), "kinetta.die");
    ExpectSameShape(*sample.bodies[1]->getCollisionShape(), *reopened.world->BodyAt(1).getCollisionShape(),
                    "die");
}

// The world's solver iterations and bodies' names come from the file, which
// is not trusted: iterations out of the pane's range refuse the file, names
// are cut to length and to printable text, and a file that stores no world
// settings leaves the scene's own.
TEST_F(WorldFileRoundTrip, SolverIterationsAndBodyNamesAreTakenWithCare)
{
    const struct {
        int iterations;
        const char* error;  // empty: opens
    } cases[] = {{1, ""}, {100, ""}, {0, "the solver settings: solver iterations 0 is outside 1 to 100"},
                 {1000, "the solver settings: solver iterations 1000 is outside 1 to 100"}};
    const std::string plain = "Left wheel", odd = "  tab\there\x01 ", longName(300, 'x');
    for (const auto& c : cases) {
        SampleWorld sample;
        sample.world.getSolverInfo().m_numIterations = c.iterations;
        SetBodyName(*sample.bodies[0], &plain);
        SetBodyName(*sample.bodies[1], &odd);
        SetBodyName(*sample.bodies[2], &longName);
        OpenedWorldFile opened = OpenWorldFile(Save(sample), {}, ReaderOptions());
        if (*c.error != '\0') {
            EXPECT_FALSE(opened.result.ok) << c.iterations;
            EXPECT_NE(opened.result.error.find(c.error), std::string::npos) << opened.result.error;
            continue;
        }
        ASSERT_TRUE(opened.result.ok) << opened.result.error;
        EXPECT_EQ(opened.world->SolverIterations(), c.iterations);
        EXPECT_EQ(BodyNameOf(opened.world->BodyAt(0)), plain);
        EXPECT_EQ(BodyNameOf(opened.world->BodyAt(1)), "tab?here?");
        EXPECT_EQ(BodyNameOf(opened.world->BodyAt(2)), std::string(kMaxBodyNameLength, 'x'));
        EXPECT_EQ(BodyNameOf(opened.world->BodyAt(3)), "");
    }

    // One body and its shape, without the world around them.
    SampleWorld sample;
    btDefaultSerializer serializer;
    serializer.startSerialization();
    sample.bodies[1]->getCollisionShape()->serializeSingleShape(&serializer);
    sample.bodies[1]->serializeSingleObject(&serializer);
    serializer.finishSerialization();
    const std::string lone = folder.Path("lone.bullet");
    std::ofstream(lone, std::ios::binary)
        .write(reinterpret_cast<const char*>(serializer.getBufferPointer()),
               serializer.getCurrentBufferSize());
    OpenedWorldFile opened = OpenWorldFile(lone, {}, ReaderOptions());
    ASSERT_TRUE(opened.result.ok) << opened.result.error;
    ASSERT_EQ(opened.world->BodyCount(), 1);
    EXPECT_FALSE(opened.world->SolverIterations());
}

// An opened world runs with the solver settings its file holds, all of
// Bullet's record, and a Save writes them back, as it does each constraint's
// debug drawing size and "never breaks" as either float Bullet writes it.
// A new world has Kinetta's own again.
TEST_F(WorldFileRoundTrip, SolverSettingsAndConstraintDetailsAreTheFiles)
{
    SampleWorld sample;
    btContactSolverInfo& theirs = sample.world.getSolverInfo();
    theirs.m_numIterations = 37;
    theirs.m_erp = 0.35f;
    theirs.m_erp2 = 0.8f;
    theirs.m_globalCfm = 0.001f;
    theirs.m_solverMode |= SOLVER_USE_2_FRICTION_DIRECTIONS;
    theirs.m_splitImpulse = 0;
    theirs.m_splitImpulsePenetrationThreshold = -0.02f;
    theirs.m_linearSlop = 0.005f;
    theirs.m_warmstartingFactor = 0.7f;
    theirs.m_minimumSolverBatchSize = 64;
    sample.constraints[1]->setDbgDrawSize(0.3f);
    sample.constraints[2]->setBreakingImpulseThreshold(std::numeric_limits<float>::infinity());
    sample.constraints[3]->setBreakingImpulseThreshold(std::numeric_limits<float>::max());
    sample.constraints[4]->setBreakingImpulseThreshold(12.5f);
    const DescribedSolver expected = DescribeSolver(theirs);

    std::unique_ptr<CDynamicsWorld> world = CreateDynamicsWorld();
    const DescribedSolver kinetta = [&] {
        ApplyWorldSettings(*world);
        return DescribeSolver(world->getSolverInfo());
    }();
    std::string path = Save(sample);
    for (int round = 0; round < 2; ++round) {
        OpenedWorldFile opened = OpenWorldFile(path, {}, ReaderOptions());
        ASSERT_TRUE(opened.result.ok) << opened.result.error;
        opened.world->AddTo(*world);
        const DescribedSolver running = DescribeSolver(world->getSolverInfo());
        EXPECT_EQ(FormatSolver(running), FormatSolver(expected)) << "round " << round;
        EXPECT_EQ(world->getSolverInfo().m_solverMode, theirs.m_solverMode);
        EXPECT_FLOAT_EQ(world->getSolverInfo().m_erp2, 0.8f);
        EXPECT_FLOAT_EQ(opened.world->ConstraintAt(1).getDbgDrawSize(), 0.3f);
        EXPECT_FLOAT_EQ(opened.world->ConstraintAt(0).getDbgDrawSize(), 0.05f);
        EXPECT_EQ(opened.world->ConstraintAt(2).getBreakingImpulseThreshold(),
                  std::numeric_limits<float>::infinity());
        EXPECT_EQ(opened.world->ConstraintAt(3).getBreakingImpulseThreshold(),
                  std::numeric_limits<float>::max());
        EXPECT_EQ(opened.world->ConstraintAt(4).getBreakingImpulseThreshold(), 12.5f);
        path = folder.Path("again.bullet");
        ASSERT_TRUE(SaveWorldFile(*world, path).ok);
        opened.world->RemoveFrom(*world);
        ApplyWorldSettings(*world);
        const DescribedSolver reset = DescribeSolver(world->getSolverInfo());
        EXPECT_EQ(FormatSolver(reset), FormatSolver(kinetta)) << "round " << round;
    }
    EXPECT_EQ(kinetta.m_solverMode & SOLVER_USE_2_FRICTION_DIRECTIONS, 0);
    EXPECT_EQ(kinetta.m_numIterations, 10);
}

// What Kinetta cannot simulate is left out with a note: a body of a shape
// the reader does not know, and the constraint that held that body, which
// must not end up holding the other body to the world instead. The
// multibody beside them is kept.
TEST_F(WorldFileRoundTrip, LeavesOutWhatItCannotSimulateWithANote)
{
    btDefaultCollisionConfiguration configuration;
    btCollisionDispatcher dispatcher(&configuration);
    btDbvtBroadphase broadphase;
    btMultiBodyConstraintSolver solver;
    btMultiBodyDynamicsWorld world(&dispatcher, &broadphase, &solver, &configuration);
    btMultiBody multibody(0, 1, btVector3(1, 1, 1), false, true);
    multibody.finalizeMultiDof();
    world.addMultiBody(&multibody);
    btSphereShape sphere(0.5f);
    btEmptyShape unknown;
    btRigidBody kept(1, nullptr, &sphere, btVector3(1, 1, 1));
    btRigidBody lost(1, nullptr, &unknown, btVector3(1, 1, 1));
    kept.getWorldTransform().setOrigin(btVector3(0, 3, 0));
    world.addRigidBody(&lost);
    world.addRigidBody(&kept);
    btPoint2PointConstraint joint(lost, kept, btVector3(0, 1, 0), btVector3(0, -1, 0));
    world.addConstraint(&joint);
    std::string path = folder.Path("partial.bullet");
    ASSERT_TRUE(SaveWorldFile(world, path).ok);
    world.removeConstraint(&joint);
    world.removeRigidBody(&kept);
    world.removeRigidBody(&lost);
    world.removeMultiBody(&multibody);

    OpenedWorldFile opened = OpenWorldFile(path, {}, ReaderOptions());
    ASSERT_TRUE(opened.result.ok) << opened.result.error;
    EXPECT_EQ(opened.result.note, "left out 1 body of a shape Kinetta cannot simulate, "
                                  "1 constraint Kinetta cannot simulate");
    EXPECT_EQ(opened.world->MultiBodyCount(), 1);
    ASSERT_EQ(opened.world->BodyCount(), 1);
    EXPECT_EQ(opened.world->BodyAt(0).getWorldTransform().getOrigin(), btVector3(0, 3, 0));
    EXPECT_EQ(opened.world->ConstraintCount(), 0);
}

// Bullet's own importer reads what Kinetta saved.
TEST_F(WorldFileRoundTrip, BulletsImporterReadsTheSavedFile)
{
    SampleWorld sample;
    std::string path = Save(sample);
    btBulletWorldImporter importer(nullptr);
    ASSERT_TRUE(importer.loadFile(path.c_str()));
    ASSERT_EQ(importer.getNumRigidBodies(), int(sample.bodies.size()));
    for (int i = 0; i < importer.getNumRigidBodies(); ++i) {
        ExpectSameTransform(sample.bodies[i]->getWorldTransform(),
                            importer.getRigidBodyByIndex(i)->getWorldTransform(), std::to_string(i));
    }
    EXPECT_STREQ(importer.getNameForPointer(importer.getRigidBodyByIndex(4)->getCollisionShape()),
                 "kinetta.can");
    importer.deleteAllData();
}

// A file written by a double-precision Bullet holds the same world.
TEST_F(WorldFileRoundTrip, OpensDoublePrecisionFiles)
{
    SampleWorld sample;
    OpenedWorldFile opened = OpenWorldFile(KINETTA_DOUBLE_SAMPLE_PATH, {}, ReaderOptions());
    ASSERT_TRUE(opened.result.ok) << opened.result.error;
    ASSERT_EQ(opened.world->BodyCount(), int(sample.bodies.size()));
    for (int i = 0; i < opened.world->BodyCount(); ++i) {
        ExpectSameBody(*sample.bodies[i], opened.world->BodyAt(i), "body " + std::to_string(i));
    }
    EXPECT_EQ(opened.world->ConstraintCount(), int(sample.constraints.size()));
    EXPECT_EQ(opened.world->ShapeNameAt(4), "kinetta.can");
}

}  // namespace
