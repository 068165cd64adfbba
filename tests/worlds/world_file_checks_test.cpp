// The description's text form and the parent's checks of it.

#include "worlds/world_file_builder.h"
#include "worlds/world_file_checks.h"
#include "worlds/world_file_description.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace {

// One of each shape type, a body on each and a constraint.
WorldDescription ValidDescription()
{
    WorldDescription d;
    d.gravity = btVector3(0, -9.8f, 0.1f);
    auto add = [&](DescribedShapeType type, btVector3 extents) -> DescribedShape& {
        DescribedShape& s = d.shapes.emplace_back();
        s.type = type;
        s.extents = extents;
        s.margin = 0.04f;
        s.record = static_cast<int>(d.shapes.size()) - 1;
        return s;
    };
    add(DescribedShapeType::Box, {1, 2, 3}).name = "kinetta.die";
    add(DescribedShapeType::Sphere, {0.5f, 0, 0});
    add(DescribedShapeType::Capsule, {0.2f, 0.3f, 0}).upAxis = 0;
    add(DescribedShapeType::Cylinder, {0.3f, 0.5f, 0.3f}).localScaling = btVector3(1, 2, 1);
    add(DescribedShapeType::Cone, {0.4f, 1, 0}).upAxis = 2;
    add(DescribedShapeType::ConvexHull, {}).points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    DescribedShape& spheres = add(DescribedShapeType::MultiSphere, {});
    spheres.points = {{0, 0, 0}, {0, 1, 0}};
    spheres.radii = {0.5f, 0.25f};
    add(DescribedShapeType::StaticPlane, {0, 1, 0}).planeConstant = -1;
    DescribedShape& mesh = add(DescribedShapeType::TriangleMesh, {});
    mesh.points = {{0, 0, 0}, {1, 0, 0}, {0, 0, 1}};
    mesh.triangles = {0, 1, 2};
    DescribedShape& compound = add(DescribedShapeType::Compound, {});
    compound.children = {{0, {{1, 0, 0}, {0, 0, 0, 1}}}, {1, {{0, 1, 0}, {0, 0, 0, 1}}}};
    compound.name = "a name with spaces, % and \n";
    for (int i = 0; i < 10; ++i) {
        DescribedBody& b = d.bodies.emplace_back();
        b.record = i + 1;  // the file's first body was left out
        b.shape = i;
        b.mass = (i == 7 || i == 8) ? 0 : 1.5f;
        b.transform.origin = btVector3(float(i), 1, 0);
        b.linearVelocity = btVector3(0.1f, 0.2f, 0.3f);
    }
    DescribedConstraint& c = d.constraints.emplace_back();
    c.type = DescribedConstraintType::Hinge;
    c.record = 2;
    c.bodyA = 1;
    c.bodyB = -1;
    c.angularLower.setX(-0.5f);
    c.angularUpper.setX(0.5f);
    // A multibody on a moving base: an arm on a revolute joint, a fixed link.
    DescribedMultiBody& m = d.multiBodies.emplace_back();
    m.record = 0;
    m.baseMass = 2;
    m.baseInertia = btVector3(1, 1, 1);
    m.baseCollider.shape = 0;
    DescribedLink& arm = m.links.emplace_back();
    arm.joint = DescribedJointType::Revolute;
    arm.mass = 1;
    arm.inertia = btVector3(0.1f, 0.1f, 0.1f);
    arm.axis = btVector3(0, 0, 1);
    arm.collider.shape = 1;
    arm.name = "arm";
    DescribedLink& hand = m.links.emplace_back();
    hand.parent = 0;
    d.skipped = {"2 soft bodies"};
    return d;
}

TEST(WorldFileDescription, TextReadsBackExactly)
{
    WorldDescription original = ValidDescription();
    original.bodies[3].transform.origin.setX(0.1f + 1e-7f);  // needs all of its digits
    original.solver = DescribeSolver(btContactSolverInfo());
    original.solver->m_erp2 = 0.8f;
    original.constraints[0].breakingImpulseThreshold = std::numeric_limits<float>::infinity();
    original.constraints[0].debugDrawSize = 0.3f;
    std::string text = FormatWorldDescription(original);
    std::string error;
    std::optional<WorldDescription> parsed = ParseWorldDescription(text, &error);
    ASSERT_TRUE(parsed) << error;
    EXPECT_EQ(FormatWorldDescription(*parsed), text);
    EXPECT_EQ(parsed->bodies[3].transform.origin.x(), original.bodies[3].transform.origin.x());
    EXPECT_EQ(parsed->shapes[9].name, original.shapes[9].name);
    EXPECT_EQ(parsed->skipped, original.skipped);
    EXPECT_EQ(parsed->solver->m_erp2, 0.8f);
    EXPECT_EQ(parsed->constraints[0].breakingImpulseThreshold, std::numeric_limits<float>::infinity());
    EXPECT_TRUE(CheckWorldDescription(*parsed).ok);
    std::unique_ptr<LoadedWorld> world = BuildLoadedWorld(*parsed);
    EXPECT_EQ(world->BodyCount(), 10);
    EXPECT_EQ(world->BodyAt(8).getInvMass(), 0);
}

// Texts that are not descriptions: each is refused with a reason, never built.
TEST(WorldFileDescription, RefusesBrokenText)
{
    const std::string valid = FormatWorldDescription(ValidDescription());
    auto replace = [&](const std::string& from, const std::string& to) {
        std::string text = valid;
        size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    };
    const size_t linkAt = valid.find("\nlink ") + 1;
    const std::string linkLine = valid.substr(linkAt, valid.find('\n', linkAt) - linkAt);
    auto linkLines = [&](int count) {
        std::string lines = linkLine;
        for (int i = 1; i < count; ++i) lines += "\n" + linkLine;
        return lines;
    };
    const struct {
        std::string text;
        const char* reason;
    } cases[] = {
        {"", "garbled"},
        {valid.substr(0, valid.size() - 4), "stopped before it finished"},  // the reader died
        {valid.substr(0, valid.size() / 2), ""},
        {valid + "body 0\n", "garbled"},
        {replace("BOX_SHAPE_PROXYTYPE", "GIMPACT_SHAPE_PROXYTYPE"), "unknown shape type"},
        {replace("HINGE_CONSTRAINT_TYPE", "CONTACT_CONSTRAINT_TYPE"), "unknown constraint type"},
        {replace("gravity", "gravitas"), "garbled"},
        {replace("CONVEX_HULL_SHAPE_PROXYTYPE 5 = 0.04 1 1 1 4", "CONVEX_HULL_SHAPE_PROXYTYPE 5 = 0.04 1 1 1 99999"),
         "shape 6 cannot be read (expected fewer items)"},
        {replace("CONVEX_HULL_SHAPE_PROXYTYPE 5 = 0.04 1 1 1 4", "CONVEX_HULL_SHAPE_PROXYTYPE 5 = 0.04 1 1 1 -1"),
         "in range"},
        {replace("body 2 1 1.5", "body 2 1 x"), "rigid body 3 cannot be read (expected a number)"},
        {replace("=kinetta.die", "=kinetta%4"), "escape"},
        {replace("=kinetta.die", "kinetta.die"), "a text"},
        {replace("gravity 0", "gravity 0x1"), "a number"},
        {replace("gravity 0", "gravity 0 0"), "more values"},
        {replace("eRevolute", "ePlanar"), "multibody 1, link 1 cannot be read (unknown joint type"},
        {replace("\nshape BOX", "\n" + linkLine + "\nshape BOX"), "garbled"},  // a link of no multibody
        {replace(linkLine, linkLines(kMaxMultiBodyLinks + 1)), "multibody 1 has more than 1000 links"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseWorldDescription(c.text, &error)) << c.reason;
        EXPECT_NE(error.find(c.reason), std::string::npos) << "'" << error << "' lacks '" << c.reason << "'";
    }
}

// Parsed descriptions whose numbers Kinetta must not build: each broken on
// purpose in one place, each caught by the checks with a reason that names it.
TEST(WorldFileChecks, CatchEveryBadNumber)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        std::function<void(WorldDescription&)> breakIt;
        const char* reason;
    } cases[] = {
        {[&](auto& d) { d.gravity.setY(nan); }, "gravity: gravity is not a finite number"},
        {[&](auto& d) { d.bodies[1].mass = nan; }, "rigid body 3: mass is not a finite"},
        {[&](auto& d) { d.bodies[1].mass = -1; }, "rigid body 3: mass -1 is outside"},
        {[&](auto& d) { d.bodies[2].transform.origin.setZ(inf); }, "rigid body 4: transform is not a finite"},
        {[&](auto& d) { d.bodies[2].transform.origin.setZ(1e9f); }, "rigid body 4: transform 1e+09 is outside"},
        {[&](auto& d) { d.bodies[2].transform.rotation = btQuaternion(0, 0, 0, 2); }, "not a rotation"},
        {[&](auto& d) { d.bodies[2].transform.rotation = btQuaternion(0, 0, nan, 1); }, "not a finite"},
        {[&](auto& d) { d.bodies[3].linearVelocity.setX(-inf); }, "linear velocity is not a finite"},
        {[&](auto& d) { d.bodies[3].angularVelocity.setX(nan); }, "angular velocity is not a finite"},
        {[&](auto& d) { d.bodies[4].friction = -0.1f; }, "friction"},
        {[&](auto& d) { d.bodies[4].restitution = nan; }, "restitution"},
        {[&](auto& d) { d.bodies[4].linearDamping = 1.5f; }, "linear damping"},
        {[&](auto& d) { d.bodies[4].activationState = 9; }, "activation state 9"},
        {[&](auto& d) { d.bodies[4].ccdSweptSphereRadius = -1; }, "CCD sphere radius"},
        {[&](auto& d) { d.bodies[5].shape = 10; }, "rigid body 7: shape 10 does not exist"},
        {[&](auto& d) { d.bodies[8].mass = 1; }, "rigid body 10: a plane or triangle mesh cannot have mass"},
        {[&](auto& d) { d.shapes[0].extents.setY(0); }, "shape 1 (\"kinetta.die\"): half extent 0 is not a positive"},
        {[&](auto& d) { d.shapes[0].extents.setY(nan); }, "shape 1 (\"kinetta.die\"): half extent is not a finite"},
        {[&](auto& d) { d.shapes[0].margin = 1.5f; }, "margin is larger than the box"},
        // Within the extents, beyond them once scaled (1 x 0.01 against 0.5).
        {[&](auto& d) { d.shapes[0].extents = {1, 1, 1}; d.shapes[0].margin = 0.5f;
                        d.shapes[0].localScaling = {0.01f, 0.01f, 0.01f}; }, "shape 1 (\"kinetta.die\"): margin is larger than the box"},
        {[&](auto& d) { d.shapes[3].extents = {1, 1, 1}; d.shapes[3].margin = 0.5f;
                        d.shapes[3].localScaling = {0.01f, 0.01f, 0.01f}; }, "shape 4: margin is larger than the cylinder"},
        {[&](auto& d) { d.shapes[3].margin = 0.35f; }, "shape 4: margin is larger than the cylinder"},
        {[&](auto& d) { d.shapes[1].extents.setX(-0.5f); }, "shape 2: radius"},
        {[&](auto& d) { d.shapes[2].extents.setY(inf); }, "shape 3: half height"},
        {[&](auto& d) { d.shapes[3].localScaling.setX(0); }, "shape 4: local scaling"},
        {[&](auto& d) { d.shapes[4].extents.setY(-1); }, "shape 5: height"},
        {[&](auto& d) { d.shapes[5].points.clear(); }, "a convex hull without points"},
        {[&](auto& d) { d.shapes[5].points[2].setY(nan); }, "shape 6: hull point"},
        {[&](auto& d) { d.shapes[6].radii[1] = 0; }, "shape 7: sphere radius"},
        {[&](auto& d) { d.shapes[7].extents = btVector3(0, 0, 0); }, "normal is not of unit length"},
        {[&](auto& d) { d.shapes[8].triangles[2] = 3; }, "shape 9: mesh vertex 3 does not exist"},
        {[&](auto& d) { d.shapes[8].points[1].setX(inf); }, "shape 9: mesh vertex is not a finite"},
        {[&](auto& d) { d.shapes[9].children[1].shape = 9; }, "\"): part shape 9 does not exist"},
        {[&](auto& d) { d.shapes[9].children[0].shape = 7; }, "cannot hold an infinite plane"},
        {[&](auto& d) { d.shapes[9].children.clear(); }, "a compound without parts"},
        {[&](auto& d) { d.shapes[9].localScaling = btVector3(2, 2, 2); }, "a scaled compound"},
        {[&](auto& d) { d.constraints[0].bodyA = 10; }, "constraint 3 (HINGE_CONSTRAINT_TYPE): body 10 does not exist"},
        {[&](auto& d) { d.constraints[0].bodyA = -1; }, "a constraint fixed to the world at both ends"},
        {[&](auto& d) { d.constraints[0].bodyB = 1; }, "joins a body to itself"},
        {[&](auto& d) { d.constraints[0].frameB.origin.setX(nan); }, "constraint 3 (HINGE_CONSTRAINT_TYPE): frame"},
        {[&](auto& d) { d.constraints[0].angularUpper.setX(inf); }, "constraint 3 (HINGE_CONSTRAINT_TYPE): limit"},
        {[&](auto& d) { d.constraints[0].breakingImpulseThreshold = -1; }, "breaking impulse is not a number from 0 up"},
        {[&](auto& d) { d.constraints[0].breakingImpulseThreshold = nan; }, "breaking impulse is not a number from 0 up"},
        {[&](auto& d) { d.constraints[0].debugDrawSize = -0.3f; }, "debug drawing size -0.3 is outside"},
        {[&](auto& d) { d.solver = DescribeSolver(btContactSolverInfo()); d.solver->m_erp2 = nan; },
         "the solver settings: ERP2 is not a finite"},
        {[&](auto& d) { d.solver = DescribeSolver(btContactSolverInfo()); d.solver->m_globalCfm = -1; },
         "the solver settings: CFM -1 is outside"},
        {[&](auto& d) { d.solver = DescribeSolver(btContactSolverInfo()); d.solver->m_splitImpulsePenetrationThreshold = inf; },
         "the solver settings: split impulse threshold is not a finite"},
        {[&](auto& d) { d.constraints[0].axes[3].maxMotorForce = nan; }, "motor force is not a finite"},
        {[&](auto& d) { d.constraints[0].axes[1].stiffness = -2; }, "spring stiffness -2"},
        {[&](auto& d) {
             d.constraints[0].type = DescribedConstraintType::Gear;
             d.constraints[0].frameA.origin.setZero();
         },
         "a gear without an axis"},
        {[&](auto& d) { d.multiBodies[0].links[0].parent = 0; }, "multibody 1, link 1 (\"arm\"): its parent, link 1, is not"},
        {[&](auto& d) { d.multiBodies[0].links[1].parent = 5; }, "multibody 1, link 2: its parent, link 6, is not"},
        {[&](auto& d) { d.multiBodies[0].links[0].velocities[0] = nan; }, "link 1 (\"arm\"): joint velocity is not a finite"},
        {[&](auto& d) { d.multiBodies[0].links[0].mass = 0; }, "link 1 (\"arm\"): mass 0 is not a positive"},
        {[&](auto& d) { d.multiBodies[0].links[0].inertia.setY(0); }, "link 1 (\"arm\"): inertia 0 is not a positive"},
        {[&](auto& d) { d.multiBodies[0].links[0].rotationParentToThis = btQuaternion(0, 0, 0, 2); }, "rotation from its parent is not a rotation"},
        {[&](auto& d) { d.multiBodies[0].links[0].axis.setZero(); }, "the joint's axis is not of unit length"},
        {[&](auto& d) { d.multiBodies[0].links[0].joint = DescribedJointType::Spherical;
                        d.multiBodies[0].links[0].positions[3] = 0; }, "joint position is not a rotation"},
        {[&](auto& d) { d.multiBodies[0].links[0].damping = -1; }, "joint damping -1 is outside"},
        {[&](auto& d) { d.multiBodies[0].links[0].upperLimit = inf; }, "joint limit is not a finite"},
        {[&](auto& d) { d.multiBodies[0].links[1].collider.shape = 7; }, "multibody 1, link 2: a plane or triangle mesh cannot move"},
        {[&](auto& d) { d.multiBodies[0].links[1].collider.shape = 10; }, "multibody 1, link 2: shape 10 does not exist"},
        {[&](auto& d) { d.multiBodies[0].baseCollider.shape = 8; }, "multibody 1, base: a plane or triangle mesh cannot move"},
        {[&](auto& d) { d.multiBodies[0].baseMass = 0; }, "multibody 1, base: mass 0 is not a positive"},
        {[&](auto& d) { d.multiBodies[0].baseTransform.rotation = btQuaternion(0, 0, 0, 0); }, "base: transform has a rotation that is not"},
        {[&](auto& d) { d.multiBodies[0].links.resize(kMaxMultiBodyLinks + 1); }, "multibody 1: more than 1000 links"},
    };
    for (const auto& c : cases) {
        WorldDescription d = ValidDescription();
        c.breakIt(d);
        const WorldFileResult checked = CheckWorldDescription(d);
        EXPECT_FALSE(checked.ok) << c.reason;
        const std::string& problem = checked.error;
        EXPECT_NE(problem.find(c.reason), std::string::npos)
            << "'" << problem << "' lacks '" << c.reason << "'";
    }
}

// Compounds nest only so deep: a chain of compounds, each holding the last.
TEST(WorldFileChecks, BoundCompoundNesting)
{
    WorldDescription d = ValidDescription();
    // The base compound is two deep; this makes the chain one too deep.
    for (int i = 0; i < kMaxCompoundDepth - 1; ++i) {
        DescribedShape& s = d.shapes.emplace_back();
        s.type = DescribedShapeType::Compound;
        s.children = {{int(d.shapes.size()) - 2, {}}};
    }
    EXPECT_NE(CheckWorldDescription(d).error.find("nested too deeply"), std::string::npos);
    d.shapes.pop_back();
    EXPECT_TRUE(CheckWorldDescription(d).ok);
}

}  // namespace
