#include "worlds/world_file_checks.h"

#include "physics/dynamics_world.h"
#include "worlds/world_file_reader_process.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <optional>
#include <sstream>

namespace {

// Collects the first problem found; later checks of the same item are skipped
// by the callers returning as soon as Failed() is true.
class Judge {
public:
    bool Failed() const { return m_problem.has_value(); }
    WorldFileResult Verdict() const
    {
        return m_problem ? WorldFileResult::Failure(*m_problem) : WorldFileResult::Success();
    }

    void Fail(const std::string& subject, const std::string& what)
    {
        if (!m_problem) m_problem = subject + ": " + what;
    }

    bool Finite(const std::string& subject, const char* field, float value)
    {
        if (std::isfinite(value)) return true;
        Fail(subject, std::string(field) + " is not a finite number");
        return false;
    }
    bool InRange(const std::string& subject, const char* field, float value, float min, float max)
    {
        if (!Finite(subject, field, value)) return false;
        if (value >= min && value <= max) return true;
        std::ostringstream what;
        what << field << " " << value << " is outside " << min << " to " << max;
        Fail(subject, what.str());
        return false;
    }
    bool Positive(const std::string& subject, const char* field, float value, float max)
    {
        if (!Finite(subject, field, value)) return false;
        if (value > 0 && value <= max) return true;
        std::ostringstream what;
        what << field << " " << value << " is not a positive size up to " << max;
        Fail(subject, what.str());
        return false;
    }
    bool VectorInRange(const std::string& subject, const char* field, const btVector3& v,
                       float limit)
    {
        for (int i = 0; i < 3; ++i) {
            if (!InRange(subject, field, v[i], -limit, limit)) return false;
        }
        return true;
    }
    bool PositiveVector(const std::string& subject, const char* field, const btVector3& v,
                        float max)
    {
        for (int i = 0; i < 3; ++i) {
            if (!Positive(subject, field, v[i], max)) return false;
        }
        return true;
    }
    bool Transform(const std::string& subject, const char* field, const DescribedTransform& t)
    {
        if (!VectorInRange(subject, field, t.origin, kMaxWorldCoordinate)) return false;
        const btQuaternion& q = t.rotation;
        for (int i = 0; i < 4; ++i) {
            if (!Finite(subject, field, q[i])) return false;
        }
        float length = std::sqrt(q.x() * q.x() + q.y() * q.y() + q.z() * q.z() + q.w() * q.w());
        if (std::fabs(length - 1) <= kRotationTolerance) return true;
        Fail(subject, std::string(field) + " has a rotation that is not a rotation");
        return false;
    }
    bool Index(const std::string& subject, const char* field, int index, int min, int end)
    {
        if (index >= min && index < end) return true;
        Fail(subject, std::string(field) + " " + std::to_string(index) + " does not exist");
        return false;
    }

private:
    std::optional<std::string> m_problem;
};

std::string ShapeSubject(const WorldDescription& description, int index)
{
    return ShapeRecordName(description.shapes[index]);
}

// A shape that cannot move: a body with mass made of one has no inertia.
bool IsNonMoving(DescribedShapeType type)
{
    return type == DescribedShapeType::StaticPlane || type == DescribedShapeType::TriangleMesh;
}

// Bullet keeps a box's or cylinder's half extents after scaling and without
// the margin: a margin larger than a scaled half extent would turn the shape
// inside out.
bool MarginTurnsInsideOut(const DescribedShape& shape)
{
    const btVector3 scaled = shape.extents * shape.localScaling;
    return shape.margin > scaled[scaled.minAxis()];
}

void CheckShape(Judge& judge, const WorldDescription& description, size_t index,
                std::vector<int>& depth)
{
    const DescribedShape& shape = description.shapes[index];
    std::string s = ShapeSubject(description, static_cast<int>(index));
    if (!judge.InRange(s, "margin", shape.margin, 0, kMaxShapeExtent) ||
        !judge.PositiveVector(s, "local scaling", shape.localScaling, kMaxLocalScaling)) {
        return;
    }
    depth[index] = 1;
    switch (shape.type) {
    case DescribedShapeType::Box:
        judge.PositiveVector(s, "half extent", shape.extents, kMaxShapeExtent);
        if (!judge.Failed() && MarginTurnsInsideOut(shape)) judge.Fail(s, "margin is larger than the box");
        break;
    case DescribedShapeType::Cylinder:
        judge.PositiveVector(s, "half extent", shape.extents, kMaxShapeExtent);
        if (!judge.Failed() && MarginTurnsInsideOut(shape)) {
            judge.Fail(s, "margin is larger than the cylinder");
        }
        break;
    case DescribedShapeType::Sphere:
        judge.Positive(s, "radius", shape.extents.x(), kMaxShapeExtent);
        break;
    case DescribedShapeType::Capsule:
        judge.Positive(s, "radius", shape.extents.x(), kMaxShapeExtent) &&
            judge.Positive(s, "half height", shape.extents.y(), kMaxShapeExtent);
        break;
    case DescribedShapeType::Cone:
        judge.Positive(s, "radius", shape.extents.x(), kMaxShapeExtent) &&
            judge.Positive(s, "height", shape.extents.y(), kMaxShapeExtent);
        break;
    case DescribedShapeType::ConvexHull:
        if (shape.points.empty()) judge.Fail(s, "a convex hull without points");
        for (const btVector3& p : shape.points) {
            if (!judge.VectorInRange(s, "hull point", p, kMaxShapeExtent)) break;
        }
        break;
    case DescribedShapeType::MultiSphere:
        if (shape.points.empty()) judge.Fail(s, "a multi-sphere without spheres");
        if (shape.radii.size() != shape.points.size()) judge.Fail(s, "spheres without radii");
        for (size_t i = 0; i < shape.points.size() && !judge.Failed(); ++i) {
            judge.VectorInRange(s, "sphere centre", shape.points[i], kMaxShapeExtent) &&
                judge.Positive(s, "sphere radius", shape.radii[i], kMaxShapeExtent);
        }
        break;
    case DescribedShapeType::StaticPlane: {
        if (!judge.VectorInRange(s, "plane normal", shape.extents, 2) ||
            !judge.InRange(s, "plane constant", shape.planeConstant, -kMaxWorldCoordinate,
                           kMaxWorldCoordinate)) {
            break;
        }
        if (std::fabs(shape.extents.length() - 1) > kRotationTolerance) {
            judge.Fail(s, "the plane's normal is not of unit length");
        }
        break;
    }
    case DescribedShapeType::TriangleMesh: {
        if (shape.points.size() < 3 || shape.triangles.empty() || shape.triangles.size() % 3 != 0) {
            judge.Fail(s, "a triangle mesh without triangles");
            break;
        }
        for (const btVector3& p : shape.points) {
            if (!judge.VectorInRange(s, "mesh vertex", p, kMaxWorldCoordinate)) break;
        }
        for (int vertex : shape.triangles) {
            if (!judge.Index(s, "mesh vertex", vertex, 0, static_cast<int>(shape.points.size()))) {
                break;
            }
        }
        break;
    }
    case DescribedShapeType::Compound: {
        // Scaling a compound rescales its parts, which other shapes may share.
        if (shape.localScaling != btVector3(1, 1, 1)) {
            judge.Fail(s, "a scaled compound");
            break;
        }
        if (shape.children.empty()) {
            judge.Fail(s, "a compound without parts");
            break;
        }
        int deepest = 0;
        for (const DescribedCompoundChild& child : shape.children) {
            // Parts come before their compound, so no compound can hold itself.
            if (!judge.Index(s, "part shape", child.shape, 0, static_cast<int>(index)) ||
                !judge.Transform(s, "part transform", child.transform)) {
                break;
            }
            if (description.shapes[child.shape].type == DescribedShapeType::StaticPlane) {
                judge.Fail(s, "a compound cannot hold an infinite plane");
                break;
            }
            deepest = std::max(deepest, depth[child.shape]);
        }
        depth[index] = deepest + 1;
        if (!judge.Failed() && depth[index] > kMaxCompoundDepth) {
            judge.Fail(s, "compounds nested too deeply");
        }
        break;
    }
    }
}

void CheckBody(Judge& judge, const WorldDescription& description, size_t index)
{
    const DescribedBody& body = description.bodies[index];
    std::string s = BodyRecordName(body);
    if (!judge.Index(s, "shape", body.shape, 0, static_cast<int>(description.shapes.size())) ||
        !judge.InRange(s, "mass", body.mass, 0, kMaxBodyMass) ||
        !judge.Transform(s, "transform", body.transform) ||
        !judge.VectorInRange(s, "linear velocity", body.linearVelocity, kMaxSpeed) ||
        !judge.VectorInRange(s, "angular velocity", body.angularVelocity, kMaxSpeed) ||
        !judge.InRange(s, "friction", body.friction, 0, kMaxFriction) ||
        !judge.InRange(s, "rolling friction", body.rollingFriction, 0, kMaxFriction) ||
        !judge.InRange(s, "restitution", body.restitution, 0, kMaxRestitution) ||
        !judge.InRange(s, "linear damping", body.linearDamping, 0, 1) ||
        !judge.InRange(s, "angular damping", body.angularDamping, 0, 1) ||
        !judge.InRange(s, "CCD motion threshold", body.ccdMotionThreshold, 0, kMaxShapeExtent) ||
        !judge.InRange(s, "CCD sphere radius", body.ccdSweptSphereRadius, 0, kMaxShapeExtent)) {
        return;
    }
    if (body.activationState < ACTIVE_TAG || body.activationState > DISABLE_SIMULATION) {
        judge.Fail(s, "unknown activation state " + std::to_string(body.activationState));
        return;
    }
    if (body.mass > 0 && IsNonMoving(description.shapes[body.shape].type)) {
        judge.Fail(s, "a plane or triangle mesh cannot have mass");
    }
}

void CheckConstraint(Judge& judge, const WorldDescription& description, size_t index)
{
    const DescribedConstraint& c = description.constraints[index];
    std::string s = ConstraintRecordName(c);
    int bodies = static_cast<int>(description.bodies.size());
    if (!judge.Index(s, "body", c.bodyA, -1, bodies) || !judge.Index(s, "body", c.bodyB, -1, bodies)) {
        return;
    }
    if (c.bodyA == c.bodyB) {
        judge.Fail(s, c.bodyA < 0 ? "a constraint fixed to the world at both ends"
                                  : "joins a body to itself");
        return;
    }
    if (!judge.Transform(s, "frame", c.frameA) || !judge.Transform(s, "frame", c.frameB)) return;
    // Bullet's "no limit" values are large but finite.
    for (const btVector3* limit : {&c.linearLower, &c.linearUpper, &c.angularLower, &c.angularUpper}) {
        for (int i = 0; i < 3; ++i) {
            if (!judge.Finite(s, "limit", (*limit)[i])) return;
        }
    }
    // An infinite breaking impulse is one way Bullet writes "never breaks".
    if (std::isnan(c.breakingImpulseThreshold) || c.breakingImpulseThreshold < 0) {
        judge.Fail(s, "breaking impulse is not a number from 0 up");
        return;
    }
    if (!judge.InRange(s, "debug drawing size", c.debugDrawSize, 0, kMaxShapeExtent) ||
        !judge.Finite(s, "limit softness", c.limitSoftness) ||
        !judge.Finite(s, "limit bias", c.limitBias) ||
        !judge.Finite(s, "limit relaxation", c.limitRelaxation) ||
        !judge.Finite(s, "damping", c.damping) ||
        !judge.InRange(s, "gear ratio", c.ratio, -kMaxGearRatio, kMaxGearRatio)) {
        return;
    }
    if (c.type == DescribedConstraintType::Gear &&
        (c.frameA.origin.fuzzyZero() || c.frameB.origin.fuzzyZero())) {
        judge.Fail(s, "a gear without an axis");
        return;
    }
    for (const DescribedAxis& a : c.axes) {
        if (!judge.Finite(s, "motor target velocity", a.targetVelocity) ||
            !judge.InRange(s, "motor force", a.maxMotorForce, 0, FLT_MAX) ||
            !judge.Finite(s, "servo target", a.servoTarget) ||
            !judge.InRange(s, "spring stiffness", a.stiffness, 0, FLT_MAX) ||
            !judge.Finite(s, "spring damping", a.damping) ||
            !judge.Finite(s, "spring rest point", a.equilibrium) ||
            !judge.Finite(s, "bounce", a.bounce) || !judge.Finite(s, "stop ERP", a.stopErp) ||
            !judge.Finite(s, "stop CFM", a.stopCfm) || !judge.Finite(s, "motor ERP", a.motorErp) ||
            !judge.Finite(s, "motor CFM", a.motorCfm)) {
            return;
        }
    }
}

// A collider's shape and surface; a part that moves cannot carry a shape
// without volume.
bool CheckCollider(Judge& judge, const WorldDescription& description, const std::string& s,
                   const DescribedCollider& collider, bool moves)
{
    if (!judge.Index(s, "shape", collider.shape, -1, static_cast<int>(description.shapes.size())) ||
        !judge.InRange(s, "friction", collider.friction, 0, kMaxFriction) ||
        !judge.InRange(s, "rolling friction", collider.rollingFriction, 0, kMaxFriction) ||
        !judge.InRange(s, "restitution", collider.restitution, 0, kMaxRestitution)) {
        return false;
    }
    if (moves && collider.shape >= 0 && IsNonMoving(description.shapes[collider.shape].type)) {
        judge.Fail(s, "a plane or triangle mesh cannot move");
        return false;
    }
    return true;
}

bool UnitQuaternion(Judge& judge, const std::string& s, const char* field, const btQuaternion& q)
{
    for (int i = 0; i < 4; ++i) {
        if (!judge.Finite(s, field, q[i])) return false;
    }
    if (std::fabs(q.length() - 1) <= kRotationTolerance) return true;
    judge.Fail(s, std::string(field) + " is not a rotation");
    return false;
}

// Bullet's articulated-body step divides by what each moving joint carries:
// a joint that moves needs mass beyond it, and one that turns an inertia.
bool CheckLink(Judge& judge, const WorldDescription& description, const DescribedMultiBody& m,
               size_t index)
{
    const DescribedLink& link = m.links[index];
    const std::string s = LinkRecordName(m, index);
    // Parents come before their children, so the links cannot form a cycle.
    if (link.parent < -1 || link.parent >= static_cast<int>(index)) {
        judge.Fail(s, "its parent, link " + std::to_string(link.parent + 1) +
                          ", is not the base or an earlier link");
        return false;
    }
    const bool moves = link.joint != DescribedJointType::Fixed;
    const bool turns = link.joint == DescribedJointType::Revolute ||
                       link.joint == DescribedJointType::Spherical;
    if (moves ? !judge.Positive(s, "mass", link.mass, kMaxBodyMass)
              : !judge.InRange(s, "mass", link.mass, 0, kMaxBodyMass)) {
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        if (turns ? !judge.Positive(s, "inertia", link.inertia[i], kMaxBodyMass * kMaxShapeExtent)
                  : !judge.InRange(s, "inertia", link.inertia[i], 0, kMaxBodyMass * kMaxShapeExtent)) {
            return false;
        }
    }
    if (!UnitQuaternion(judge, s, "rotation from its parent", link.rotationParentToThis) ||
        !judge.VectorInRange(s, "offset to the joint", link.parentComToPivot, kMaxWorldCoordinate) ||
        !judge.VectorInRange(s, "offset from the joint", link.pivotToThisCom, kMaxWorldCoordinate) ||
        !judge.VectorInRange(s, "joint axis", link.axis, 2)) {
        return false;
    }
    switch (link.joint) {
    case DescribedJointType::Revolute:
    case DescribedJointType::Prismatic:
        if (std::fabs(link.axis.length() - 1) > kRotationTolerance) {
            judge.Fail(s, "the joint's axis is not of unit length");
            return false;
        }
        if (!judge.InRange(s, "joint position", link.positions[0], -kMaxWorldCoordinate,
                           kMaxWorldCoordinate) ||
            !judge.InRange(s, "joint velocity", link.velocities[0], -kMaxSpeed, kMaxSpeed)) {
            return false;
        }
        break;
    case DescribedJointType::Spherical: {
        const btQuaternion turn(link.positions[0], link.positions[1], link.positions[2],
                                link.positions[3]);
        if (!UnitQuaternion(judge, s, "joint position", turn)) return false;
        for (float v : link.velocities) {
            if (!judge.InRange(s, "joint velocity", v, -kMaxSpeed, kMaxSpeed)) return false;
        }
        break;
    }
    case DescribedJointType::Fixed:
        break;
    }
    // Bullet's "no limit" values are large but finite.
    return judge.InRange(s, "joint damping", link.damping, 0, FLT_MAX) &&
           judge.InRange(s, "joint friction", link.friction, 0, FLT_MAX) &&
           judge.Finite(s, "joint limit", link.lowerLimit) &&
           judge.Finite(s, "joint limit", link.upperLimit) &&
           judge.InRange(s, "joint force", link.maxForce, 0, FLT_MAX) &&
           judge.InRange(s, "joint speed", link.maxVelocity, 0, FLT_MAX) &&
           CheckCollider(judge, description, s, link.collider, true);
}

void CheckMultiBody(Judge& judge, const WorldDescription& description, size_t index)
{
    const DescribedMultiBody& m = description.multiBodies[index];
    const std::string s = MultiBodyRecordName(m);
    const std::string base = LinkRecordName(m, m.links.size());
    if (m.links.size() > static_cast<size_t>(kMaxMultiBodyLinks)) {
        judge.Fail(s, "more than " + std::to_string(kMaxMultiBodyLinks) + " links");
        return;
    }
    // A fixed base keeps its mass for the links' sake; a moving one needs it.
    if (m.fixedBase ? !judge.InRange(base, "mass", m.baseMass, 0, kMaxBodyMass)
                    : !judge.Positive(base, "mass", m.baseMass, kMaxBodyMass)) {
        return;
    }
    for (int i = 0; i < 3; ++i) {
        if (m.fixedBase ? !judge.InRange(base, "inertia", m.baseInertia[i], 0, kMaxBodyMass * kMaxShapeExtent)
                        : !judge.Positive(base, "inertia", m.baseInertia[i], kMaxBodyMass * kMaxShapeExtent)) {
            return;
        }
    }
    if (!judge.Transform(base, "transform", m.baseTransform) ||
        !judge.VectorInRange(base, "linear velocity", m.baseLinearVelocity, kMaxSpeed) ||
        !judge.VectorInRange(base, "angular velocity", m.baseAngularVelocity, kMaxSpeed) ||
        !CheckCollider(judge, description, base, m.baseCollider, !m.fixedBase)) {
        return;
    }
    for (size_t i = 0; i < m.links.size(); ++i) {
        if (!CheckLink(judge, description, m, i)) return;
    }
}

// The solver's settings are the file's own: only those that would stall
// or blow up the solver are refused, the iterations as the pane bounds them.
bool CheckSolver(Judge& judge, const DescribedSolver& solver)
{
    const std::string s = "the solver settings";
    const struct {
        const char* field;
        float value;
        float max;
    } factors[] = {
        {"tau", solver.m_tau, 10},
        {"damping", solver.m_damping, 10},
        {"friction", solver.m_friction, kMaxFriction},
        {"time step", solver.m_timeStep, 10},
        {"restitution", solver.m_restitution, kMaxRestitution},
        {"largest error reduction", solver.m_maxErrorReduction, FLT_MAX},
        {"over-relaxation", solver.m_sor, 10},
        {"ERP", solver.m_erp, 10},
        {"ERP2", solver.m_erp2, 10},
        {"CFM", solver.m_globalCfm, FLT_MAX},
        {"split impulse turn ERP", solver.m_splitImpulseTurnErp, 10},
        {"linear slop", solver.m_linearSlop, kMaxShapeExtent},
        {"warm starting factor", solver.m_warmstartingFactor, 10},
        {"largest gyroscopic force", solver.m_maxGyroscopicForce, FLT_MAX},
        {"rolling friction threshold", solver.m_singleAxisRollingFrictionThreshold, FLT_MAX}};
    for (const auto& [field, value, max] : factors) {
        if (!judge.InRange(s, field, value, 0, max))
            return false;
    }
    // Bullet compares the penetration with it: any finite number does.
    return judge.Finite(s, "split impulse threshold", solver.m_splitImpulsePenetrationThreshold) &&
           judge.InRange(s, "solver iterations", static_cast<float>(solver.m_numIterations),
                         kMinWorldSolverIterations, kMaxWorldSolverIterations) &&
           judge.InRange(s, "resting contact restitution threshold",
                         static_cast<float>(solver.m_restingContactRestitutionThreshold), 0,
                         1e6f) &&
           judge.InRange(s, "smallest solver batch",
                         static_cast<float>(solver.m_minimumSolverBatchSize), 0, 1e6f);
}

}  // namespace

WorldFileResult CheckWorldDescription(const WorldDescription& description,
                                      const std::atomic<bool>* cancel)
{
    const auto cancelled = [] { return WorldFileResult::Failure(kWorldOpenCancelled); };
    Judge judge;
    if (!judge.VectorInRange("gravity", "gravity", description.gravity, kMaxGravity)) {
        return judge.Verdict();
    }
    if (description.solver && !CheckSolver(judge, *description.solver))
        return judge.Verdict();
    std::vector<int> depth(description.shapes.size(), 0);
    for (size_t i = 0; i < description.shapes.size() && !judge.Failed(); ++i) {
        if (StopNow(cancel, i))
            return cancelled();
        CheckShape(judge, description, i, depth);
    }
    for (size_t i = 0; i < description.bodies.size() && !judge.Failed(); ++i) {
        if (StopNow(cancel, i))
            return cancelled();
        CheckBody(judge, description, i);
    }
    for (size_t i = 0; i < description.constraints.size() && !judge.Failed(); ++i) {
        if (StopNow(cancel, i))
            return cancelled();
        CheckConstraint(judge, description, i);
    }
    if (description.multiBodies.size() > static_cast<size_t>(kMaxDescribedMultiBodies)) {
        judge.Fail("the world", "more than " + std::to_string(kMaxDescribedMultiBodies) + " multibodies");
    }
    for (size_t i = 0; i < description.multiBodies.size() && !judge.Failed(); ++i) {
        CheckMultiBody(judge, description, i);
    }
    return judge.Verdict();
}
