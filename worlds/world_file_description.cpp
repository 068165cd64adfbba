#include "worlds/world_file_description.h"

#include "worlds/world_file_checks.h"
#include "worlds/world_file_reader_process.h"

#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

namespace {

constexpr std::array<std::pair<DescribedShapeType, std::string_view>, 10> kShapeNames{{
    {DescribedShapeType::Box, "BOX_SHAPE_PROXYTYPE"},
    {DescribedShapeType::Sphere, "SPHERE_SHAPE_PROXYTYPE"},
    {DescribedShapeType::Capsule, "CAPSULE_SHAPE_PROXYTYPE"},
    {DescribedShapeType::Cylinder, "CYLINDER_SHAPE_PROXYTYPE"},
    {DescribedShapeType::Cone, "CONE_SHAPE_PROXYTYPE"},
    {DescribedShapeType::ConvexHull, "CONVEX_HULL_SHAPE_PROXYTYPE"},
    {DescribedShapeType::MultiSphere, "MULTI_SPHERE_SHAPE_PROXYTYPE"},
    {DescribedShapeType::StaticPlane, "STATIC_PLANE_PROXYTYPE"},
    {DescribedShapeType::TriangleMesh, "TRIANGLE_MESH_SHAPE_PROXYTYPE"},
    {DescribedShapeType::Compound, "COMPOUND_SHAPE_PROXYTYPE"},
}};

constexpr std::array<std::pair<DescribedConstraintType, std::string_view>, 9> kConstraintNames{{
    {DescribedConstraintType::PointToPoint, "POINT2POINT_CONSTRAINT_TYPE"},
    {DescribedConstraintType::Hinge, "HINGE_CONSTRAINT_TYPE"},
    {DescribedConstraintType::ConeTwist, "CONETWIST_CONSTRAINT_TYPE"},
    {DescribedConstraintType::Generic6Dof, "D6_CONSTRAINT_TYPE"},
    {DescribedConstraintType::Generic6DofSpring, "D6_SPRING_CONSTRAINT_TYPE"},
    {DescribedConstraintType::Generic6DofSpring2, "D6_SPRING_2_CONSTRAINT_TYPE"},
    {DescribedConstraintType::Slider, "SLIDER_CONSTRAINT_TYPE"},
    {DescribedConstraintType::Fixed, "FIXED_CONSTRAINT_TYPE"},
    {DescribedConstraintType::Gear, "GEAR_CONSTRAINT_TYPE"},
}};

// The solver record's fields in the order of the "solver" line, each with
// the setting it stands for. Bullet's serializer writes the articulated
// warm-starting factor as 0 whatever it was: it is left out.
struct SolverFloatField {
    float DescribedSolver::*record;
    btScalar btContactSolverInfoData::*setting;
};
struct SolverIntField {
    int DescribedSolver::*record;
    int btContactSolverInfoData::*setting;
};
#define KINETTA_SOLVER_FIELD(name)                             \
    {                                                          \
        &DescribedSolver::name, &btContactSolverInfoData::name \
    }
constexpr SolverFloatField kSolverFloats[] = {
    KINETTA_SOLVER_FIELD(m_tau),
    KINETTA_SOLVER_FIELD(m_damping),
    KINETTA_SOLVER_FIELD(m_friction),
    KINETTA_SOLVER_FIELD(m_timeStep),
    KINETTA_SOLVER_FIELD(m_restitution),
    KINETTA_SOLVER_FIELD(m_maxErrorReduction),
    KINETTA_SOLVER_FIELD(m_sor),
    KINETTA_SOLVER_FIELD(m_erp),
    KINETTA_SOLVER_FIELD(m_erp2),
    KINETTA_SOLVER_FIELD(m_globalCfm),
    KINETTA_SOLVER_FIELD(m_splitImpulsePenetrationThreshold),
    KINETTA_SOLVER_FIELD(m_splitImpulseTurnErp),
    KINETTA_SOLVER_FIELD(m_linearSlop),
    KINETTA_SOLVER_FIELD(m_warmstartingFactor),
    KINETTA_SOLVER_FIELD(m_maxGyroscopicForce),
    KINETTA_SOLVER_FIELD(m_singleAxisRollingFrictionThreshold)};
constexpr SolverIntField kSolverInts[] = {
    KINETTA_SOLVER_FIELD(m_numIterations), KINETTA_SOLVER_FIELD(m_solverMode),
    KINETTA_SOLVER_FIELD(m_restingContactRestitutionThreshold),
    KINETTA_SOLVER_FIELD(m_minimumSolverBatchSize), KINETTA_SOLVER_FIELD(m_splitImpulse)};
#undef KINETTA_SOLVER_FIELD

constexpr std::array<std::pair<DescribedJointType, std::string_view>, 4> kJointNames{{
    {DescribedJointType::Revolute, "eRevolute"},
    {DescribedJointType::Prismatic, "ePrismatic"},
    {DescribedJointType::Spherical, "eSpherical"},
    {DescribedJointType::Fixed, "eFixed"},
}};

// A record's place in the file only names it in messages.
constexpr int kMaxRecordIndex = 1 << 30;

// ---- Writing

class Writer {
public:
    void Word(std::string_view word)
    {
        if (!m_lineStart) m_text += ' ';
        m_text += word;
        m_lineStart = false;
    }
    void EndLine()
    {
        m_text += '\n';
        m_lineStart = true;
    }
    void Int(long long value)
    {
        char buffer[24];
        auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
        Word(std::string_view(buffer, end - buffer));
    }
    // The shortest text that reads back as the same float.
    void Float(float value)
    {
        char buffer[32];
        auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
        Word(std::string_view(buffer, end - buffer));
    }
    void Vector(const btVector3& v)
    {
        Float(v.x());
        Float(v.y());
        Float(v.z());
    }
    void Transform(const DescribedTransform& t)
    {
        Vector(t.origin);
        Float(t.rotation.x());
        Float(t.rotation.y());
        Float(t.rotation.z());
        Float(t.rotation.w());
    }
    // Free text as one token: '=' first so that an empty text is still a
    // token, and every byte that could split or confuse a line as %XX.
    void Text(std::string_view text)
    {
        std::string token = "=";
        for (unsigned char c : text) {
            if (c > 0x20 && c < 0x7f && c != '%') {
                token += static_cast<char>(c);
            } else {
                char hex[4];
                std::snprintf(hex, sizeof hex, "%%%02X", c);
                token += hex;
            }
        }
        Word(token);
    }
    void Bool(bool value) { Word(value ? "1" : "0"); }
    std::string Take() { return std::move(m_text); }

private:
    std::string m_text;
    bool m_lineStart = true;
};

void WriteShape(Writer& w, const DescribedShape& shape)
{
    w.Word("shape");
    w.Word(ShapeTypeName(shape.type));
    w.Int(shape.record);
    w.Text(shape.name);
    w.Float(shape.margin);
    w.Vector(shape.localScaling);
    switch (shape.type) {
    case DescribedShapeType::Box:
        w.Vector(shape.extents);
        break;
    case DescribedShapeType::Sphere:
        w.Float(shape.extents.x());
        break;
    case DescribedShapeType::Capsule:
    case DescribedShapeType::Cone:
        w.Int(shape.upAxis);
        w.Float(shape.extents.x());
        w.Float(shape.extents.y());
        break;
    case DescribedShapeType::Cylinder:
        w.Int(shape.upAxis);
        w.Vector(shape.extents);
        break;
    case DescribedShapeType::ConvexHull:
        w.Int(static_cast<long long>(shape.points.size()));
        for (const btVector3& p : shape.points) w.Vector(p);
        break;
    case DescribedShapeType::MultiSphere:
        w.Int(static_cast<long long>(shape.points.size()));
        for (size_t i = 0; i < shape.points.size(); ++i) {
            w.Vector(shape.points[i]);
            w.Float(i < shape.radii.size() ? shape.radii[i] : 0.0f);
        }
        break;
    case DescribedShapeType::StaticPlane:
        w.Vector(shape.extents);
        w.Float(shape.planeConstant);
        break;
    case DescribedShapeType::TriangleMesh:
        w.Int(static_cast<long long>(shape.points.size()));
        for (const btVector3& p : shape.points) w.Vector(p);
        w.Int(static_cast<long long>(shape.triangles.size() / 3));
        for (size_t i = 0; i + 2 < shape.triangles.size(); i += 3) {
            w.Int(shape.triangles[i]);
            w.Int(shape.triangles[i + 1]);
            w.Int(shape.triangles[i + 2]);
        }
        break;
    case DescribedShapeType::Compound:
        w.Int(static_cast<long long>(shape.children.size()));
        for (const DescribedCompoundChild& child : shape.children) {
            w.Int(child.shape);
            w.Transform(child.transform);
        }
        break;
    }
    w.EndLine();
}

// What each constraint type adds to the fields every constraint has.
void WriteConstraintDetails(Writer& w, const DescribedConstraint& c)
{
    switch (c.type) {
    case DescribedConstraintType::PointToPoint:
        break;
    case DescribedConstraintType::Hinge:
        w.Bool(c.useReferenceFrameA);
        w.Bool(c.angularOnly);
        w.Float(c.limitSoftness);
        w.Float(c.limitBias);
        w.Float(c.limitRelaxation);
        w.Bool(c.axes[3].motor);
        w.Float(c.axes[3].targetVelocity);
        w.Float(c.axes[3].maxMotorForce);
        break;
    case DescribedConstraintType::ConeTwist:
        w.Float(c.limitSoftness);
        w.Float(c.limitBias);
        w.Float(c.limitRelaxation);
        w.Float(c.damping);
        break;
    case DescribedConstraintType::Generic6Dof:
    case DescribedConstraintType::Slider:
        w.Bool(c.useReferenceFrameA);
        w.Bool(c.useFrameOffset);
        break;
    case DescribedConstraintType::Generic6DofSpring:
        w.Bool(c.useReferenceFrameA);
        w.Bool(c.useFrameOffset);
        for (const DescribedAxis& a : c.axes) {
            w.Bool(a.spring);
            w.Float(a.stiffness);
            w.Float(a.damping);
            w.Float(a.equilibrium);
        }
        break;
    case DescribedConstraintType::Generic6DofSpring2:
    case DescribedConstraintType::Fixed:
        w.Int(c.rotateOrder);
        for (const DescribedAxis& a : c.axes) {
            w.Bool(a.motor);
            w.Float(a.targetVelocity);
            w.Float(a.maxMotorForce);
            w.Bool(a.servo);
            w.Float(a.servoTarget);
            w.Bool(a.spring);
            w.Float(a.stiffness);
            w.Float(a.damping);
            w.Float(a.equilibrium);
            w.Bool(a.stiffnessLimited);
            w.Bool(a.dampingLimited);
            w.Float(a.bounce);
            w.Float(a.stopErp);
            w.Float(a.stopCfm);
            w.Float(a.motorErp);
            w.Float(a.motorCfm);
        }
        break;
    case DescribedConstraintType::Gear:
        w.Float(c.ratio);
        break;
    }
}

void WriteCollider(Writer& w, const DescribedCollider& collider)
{
    w.Int(collider.shape);
    w.Float(collider.friction);
    w.Float(collider.rollingFriction);
    w.Float(collider.restitution);
}

// A multibody's line, then one line per link: every link line carries every
// field, whatever its joint uses, so that one grammar covers them all.
void WriteMultiBody(Writer& w, const DescribedMultiBody& m)
{
    w.Word("multibody");
    w.Int(m.record);
    w.Float(m.baseMass);
    w.Bool(m.fixedBase);
    w.Vector(m.baseInertia);
    w.Transform(m.baseTransform);
    w.Vector(m.baseLinearVelocity);
    w.Vector(m.baseAngularVelocity);
    WriteCollider(w, m.baseCollider);
    w.Text(m.name);
    w.EndLine();
    for (const DescribedLink& link : m.links) {
        w.Word("link");
        w.Int(link.parent);
        w.Word(JointTypeName(link.joint));
        w.Float(link.mass);
        w.Vector(link.inertia);
        w.Float(link.rotationParentToThis.x());
        w.Float(link.rotationParentToThis.y());
        w.Float(link.rotationParentToThis.z());
        w.Float(link.rotationParentToThis.w());
        w.Vector(link.parentComToPivot);
        w.Vector(link.pivotToThisCom);
        w.Vector(link.axis);
        for (float p : link.positions) w.Float(p);
        for (float v : link.velocities) w.Float(v);
        w.Float(link.damping);
        w.Float(link.friction);
        w.Float(link.lowerLimit);
        w.Float(link.upperLimit);
        w.Float(link.maxForce);
        w.Float(link.maxVelocity);
        WriteCollider(w, link.collider);
        w.Text(link.name);
        w.EndLine();
    }
}

// ---- Reading

class Reader {
public:
    explicit Reader(std::string_view text) : m_text(text) {}

    bool AtEnd() const { return m_pos >= m_text.size(); }

    // Moves to the start of the next line; false at the end of the text.
    bool NextLine()
    {
        while (m_pos < m_text.size() && m_text[m_pos] != '\n') ++m_pos;
        if (m_pos >= m_text.size()) return false;
        ++m_pos;
        return m_pos < m_text.size();
    }

    // The next token of the current line, empty at the end of the line.
    std::string_view Token()
    {
        while (m_pos < m_text.size() && m_text[m_pos] == ' ') ++m_pos;
        size_t start = m_pos;
        while (m_pos < m_text.size() && m_text[m_pos] != ' ' && m_text[m_pos] != '\n') ++m_pos;
        return m_text.substr(start, m_pos - start);
    }

    bool LineEnded()
    {
        while (m_pos < m_text.size() && m_text[m_pos] == ' ') ++m_pos;
        return m_pos >= m_text.size() || m_text[m_pos] == '\n';
    }

    // Every number takes at least two bytes (a digit and a separator), which
    // bounds any count by what is left of the text.
    size_t MaxNumbersLeft() const { return (m_text.size() - m_pos) / 2; }

    bool Int(long long min, long long max, long long* out)
    {
        std::string_view t = Token();
        long long value = 0;
        auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
        if (t.empty() || ec != std::errc() || end != t.data() + t.size()) return Fail("a whole number");
        if (value < min || value > max) return Fail("a number in range");
        *out = value;
        return true;
    }
    bool Bool(bool* out)
    {
        int value = 0;
        if (!Int(0, 1, &value)) return false;
        *out = value != 0;
        return true;
    }
    bool Int(long long min, long long max, int* out)
    {
        long long value = 0;
        if (!Int(min, max, &value)) return false;
        *out = static_cast<int>(value);
        return true;
    }
    // Any float, infinities and NaN included: the checks judge the value.
    bool Float(float* out)
    {
        std::string_view t = Token();
        auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), *out);
        if (t.empty() || end != t.data() + t.size()) return Fail("a number");
        // Out of float's range, from_chars leaves the value alone: too small
        // a number becomes zero; too large, an infinity of its sign, which
        // the checks turn down.
        if (ec == std::errc::result_out_of_range) {
            double wide = 0;
            auto [wideEnd, wideEc] = std::from_chars(t.data(), t.data() + t.size(), wide);
            bool tiny = wideEc == std::errc() ? std::fabs(wide) < 1
                                              : t.find("e-") != std::string_view::npos;
            float sign = t.front() == '-' ? -1.0f : 1.0f;
            *out = tiny ? 0.0f : sign * std::numeric_limits<float>::infinity();
        } else if (ec != std::errc()) {
            return Fail("a number");
        }
        return true;
    }
    bool Vector(btVector3* out)
    {
        float x, y, z;
        if (!Float(&x) || !Float(&y) || !Float(&z)) return false;
        out->setValue(x, y, z);
        return true;
    }
    bool Transform(DescribedTransform* out)
    {
        float x, y, z, w;
        if (!Vector(&out->origin) || !Float(&x) || !Float(&y) || !Float(&z) || !Float(&w)) {
            return false;
        }
        // Not normalised here: the checks judge the file's own values.
        out->rotation = btQuaternion(x, y, z, w);
        return true;
    }
    bool Text(size_t maxLength, std::string* out)
    {
        std::string_view t = Token();
        if (t.empty() || t.front() != '=') return Fail("a text");
        out->clear();
        for (size_t i = 1; i < t.size(); ++i) {
            if (out->size() >= maxLength) return Fail("a shorter text");
            if (t[i] != '%') {
                *out += t[i];
                continue;
            }
            unsigned value = 0;
            if (i + 2 >= t.size()) return Fail("a %XX escape");
            auto [end, ec] = std::from_chars(t.data() + i + 1, t.data() + i + 3, value, 16);
            if (ec != std::errc() || end != t.data() + i + 3) return Fail("a %XX escape");
            *out += static_cast<char>(value);
            i += 2;
        }
        return true;
    }
    // A count of items of at least minNumbers numbers each, bounded by limit
    // and by what is left of the text.
    bool Count(int limit, size_t minNumbers, int* out)
    {
        if (!Int(0, limit, out)) return false;
        if (static_cast<size_t>(*out) * minNumbers > MaxNumbersLeft()) return Fail("fewer items");
        return true;
    }

    bool Fail(const char* expected)
    {
        if (m_error.empty()) m_error = std::string("expected ") + expected;
        return false;
    }
    bool FailWith(std::string error)
    {
        if (m_error.empty()) m_error = std::move(error);
        return false;
    }
    const std::string& Error() const { return m_error; }

private:
    std::string_view m_text;
    size_t m_pos = 0;
    std::string m_error;
};

template <typename Enum, size_t N>
bool LookUp(const std::array<std::pair<Enum, std::string_view>, N>& names, std::string_view name,
            Enum* out)
{
    for (const auto& [value, text] : names) {
        if (text == name) {
            *out = value;
            return true;
        }
    }
    return false;
}

bool ReadShape(Reader& r, DescribedShape* shape)
{
    std::string_view typeName = r.Token();
    if (!LookUp(kShapeNames, typeName, &shape->type)) {
        return r.FailWith("unknown shape type \"" + std::string(typeName.substr(0, 40)) + "\"");
    }
    if (!r.Int(-1, kMaxRecordIndex, &shape->record) || !r.Text(kMaxShapeNameLength, &shape->name) ||
        !r.Float(&shape->margin) ||
        !r.Vector(&shape->localScaling)) {
        return false;
    }
    int count = 0;
    switch (shape->type) {
    case DescribedShapeType::Box:
        return r.Vector(&shape->extents);
    case DescribedShapeType::Sphere: {
        float radius = 0;
        if (!r.Float(&radius)) return false;
        shape->extents.setValue(radius, 0, 0);
        return true;
    }
    case DescribedShapeType::Capsule:
    case DescribedShapeType::Cone: {
        float a = 0, b = 0;
        if (!r.Int(0, 2, &shape->upAxis) || !r.Float(&a) || !r.Float(&b)) return false;
        shape->extents.setValue(a, b, 0);
        return true;
    }
    case DescribedShapeType::Cylinder:
        return r.Int(0, 2, &shape->upAxis) && r.Vector(&shape->extents);
    case DescribedShapeType::ConvexHull:
        if (!r.Count(kMaxShapePoints, 3, &count)) return false;
        shape->points.resize(count);
        for (btVector3& p : shape->points) {
            if (!r.Vector(&p)) return false;
        }
        return true;
    case DescribedShapeType::MultiSphere:
        if (!r.Count(kMaxShapePoints, 4, &count)) return false;
        shape->points.resize(count);
        shape->radii.resize(count);
        for (int i = 0; i < count; ++i) {
            if (!r.Vector(&shape->points[i]) || !r.Float(&shape->radii[i])) return false;
        }
        return true;
    case DescribedShapeType::StaticPlane:
        return r.Vector(&shape->extents) && r.Float(&shape->planeConstant);
    case DescribedShapeType::TriangleMesh: {
        if (!r.Count(kMaxShapePoints, 3, &count)) return false;
        shape->points.resize(count);
        for (btVector3& p : shape->points) {
            if (!r.Vector(&p)) return false;
        }
        int triangles = 0;
        if (!r.Count(kMaxMeshTriangles, 3, &triangles)) return false;
        shape->triangles.resize(static_cast<size_t>(triangles) * 3);
        for (int& index : shape->triangles) {
            if (!r.Int(0, kMaxShapePoints, &index)) return false;
        }
        return true;
    }
    case DescribedShapeType::Compound:
        if (!r.Count(kMaxCompoundChildren, 8, &count)) return false;
        shape->children.resize(count);
        for (DescribedCompoundChild& child : shape->children) {
            if (!r.Int(0, kMaxDescribedShapes, &child.shape) || !r.Transform(&child.transform)) {
                return false;
            }
        }
        return true;
    }
    return false;
}

bool ReadBody(Reader& r, DescribedBody* body)
{
    return r.Int(0, kMaxRecordIndex, &body->record) && r.Int(0, kMaxDescribedShapes, &body->shape) &&
           r.Float(&body->mass) &&
           r.Transform(&body->transform) && r.Vector(&body->linearVelocity) &&
           r.Vector(&body->angularVelocity) && r.Float(&body->friction) &&
           r.Float(&body->rollingFriction) && r.Float(&body->restitution) &&
           r.Float(&body->linearDamping) && r.Float(&body->angularDamping) &&
           r.Int(0, 100, &body->activationState) && r.Float(&body->ccdMotionThreshold) &&
           r.Float(&body->ccdSweptSphereRadius) && r.Text(kMaxBodyNameLength, &body->name);
}

bool ReadConstraint(Reader& r, DescribedConstraint* constraint)
{
    std::string_view typeName = r.Token();
    if (!LookUp(kConstraintNames, typeName, &constraint->type)) {
        return r.FailWith("unknown constraint type \"" + std::string(typeName.substr(0, 40)) +
                          "\"");
    }
    DescribedConstraint& c = *constraint;
    if (!r.Int(0, kMaxRecordIndex, &c.record) || !r.Int(-1, kMaxDescribedBodies, &c.bodyA) ||
        !r.Int(-1, kMaxDescribedBodies, &c.bodyB) || !r.Bool(&c.disableCollisionsBetweenBodies) ||
        !r.Transform(&c.frameA) || !r.Transform(&c.frameB) || !r.Vector(&c.linearLower) ||
        !r.Vector(&c.linearUpper) || !r.Vector(&c.angularLower) || !r.Vector(&c.angularUpper) ||
        !r.Bool(&c.enabled) || !r.Float(&c.breakingImpulseThreshold) ||
        !r.Int(-1, kMaxSolverIterations, &c.solverIterations) || !r.Float(&c.debugDrawSize)) {
        return false;
    }
    switch (c.type) {
    case DescribedConstraintType::PointToPoint:
        return true;
    case DescribedConstraintType::Hinge:
        return r.Bool(&c.useReferenceFrameA) && r.Bool(&c.angularOnly) &&
               r.Float(&c.limitSoftness) && r.Float(&c.limitBias) && r.Float(&c.limitRelaxation) &&
               r.Bool(&c.axes[3].motor) && r.Float(&c.axes[3].targetVelocity) &&
               r.Float(&c.axes[3].maxMotorForce);
    case DescribedConstraintType::ConeTwist:
        return r.Float(&c.limitSoftness) && r.Float(&c.limitBias) &&
               r.Float(&c.limitRelaxation) && r.Float(&c.damping);
    case DescribedConstraintType::Generic6Dof:
    case DescribedConstraintType::Slider:
        return r.Bool(&c.useReferenceFrameA) && r.Bool(&c.useFrameOffset);
    case DescribedConstraintType::Generic6DofSpring:
        if (!r.Bool(&c.useReferenceFrameA) || !r.Bool(&c.useFrameOffset)) return false;
        for (DescribedAxis& a : c.axes) {
            if (!r.Bool(&a.spring) || !r.Float(&a.stiffness) || !r.Float(&a.damping) ||
                !r.Float(&a.equilibrium)) {
                return false;
            }
        }
        return true;
    case DescribedConstraintType::Generic6DofSpring2:
    case DescribedConstraintType::Fixed:
        if (!r.Int(0, 5, &c.rotateOrder)) return false;
        for (DescribedAxis& a : c.axes) {
            if (!r.Bool(&a.motor) || !r.Float(&a.targetVelocity) || !r.Float(&a.maxMotorForce) ||
                !r.Bool(&a.servo) || !r.Float(&a.servoTarget) || !r.Bool(&a.spring) ||
                !r.Float(&a.stiffness) || !r.Float(&a.damping) || !r.Float(&a.equilibrium) ||
                !r.Bool(&a.stiffnessLimited) || !r.Bool(&a.dampingLimited) ||
                !r.Float(&a.bounce) || !r.Float(&a.stopErp) || !r.Float(&a.stopCfm) ||
                !r.Float(&a.motorErp) || !r.Float(&a.motorCfm)) {
                return false;
            }
        }
        return true;
    case DescribedConstraintType::Gear:
        return r.Float(&c.ratio);
    }
    return false;
}

bool ReadCollider(Reader& r, DescribedCollider* collider)
{
    return r.Int(-1, kMaxDescribedShapes, &collider->shape) && r.Float(&collider->friction) &&
           r.Float(&collider->rollingFriction) && r.Float(&collider->restitution);
}

bool ReadMultiBody(Reader& r, DescribedMultiBody* m)
{
    return r.Int(0, kMaxRecordIndex, &m->record) && r.Float(&m->baseMass) &&
           r.Bool(&m->fixedBase) && r.Vector(&m->baseInertia) && r.Transform(&m->baseTransform) &&
           r.Vector(&m->baseLinearVelocity) && r.Vector(&m->baseAngularVelocity) &&
           ReadCollider(r, &m->baseCollider) && r.Text(kMaxBodyNameLength, &m->name);
}

bool ReadLink(Reader& r, DescribedLink* link)
{
    if (!r.Int(-1, kMaxMultiBodyLinks, &link->parent)) return false;
    std::string_view typeName = r.Token();
    if (!LookUp(kJointNames, typeName, &link->joint)) {
        return r.FailWith("unknown joint type \"" + std::string(typeName.substr(0, 40)) + "\"");
    }
    float x, y, z, w;
    if (!r.Float(&link->mass) || !r.Vector(&link->inertia) || !r.Float(&x) || !r.Float(&y) ||
        !r.Float(&z) || !r.Float(&w)) {
        return false;
    }
    link->rotationParentToThis = btQuaternion(x, y, z, w);
    if (!r.Vector(&link->parentComToPivot) || !r.Vector(&link->pivotToThisCom) ||
        !r.Vector(&link->axis)) {
        return false;
    }
    for (float& p : link->positions) {
        if (!r.Float(&p)) return false;
    }
    for (float& v : link->velocities) {
        if (!r.Float(&v)) return false;
    }
    return r.Float(&link->damping) && r.Float(&link->friction) && r.Float(&link->lowerLimit) &&
           r.Float(&link->upperLimit) && r.Float(&link->maxForce) && r.Float(&link->maxVelocity) &&
           ReadCollider(r, &link->collider) && r.Text(kMaxBodyNameLength, &link->name);
}

}  // namespace

std::string_view ShapeTypeName(DescribedShapeType type)
{
    for (const auto& [value, name] : kShapeNames) {
        if (value == type) return name;
    }
    return "?";
}

std::string_view ConstraintTypeName(DescribedConstraintType type)
{
    for (const auto& [value, name] : kConstraintNames) {
        if (value == type) return name;
    }
    return "?";
}

std::string_view JointTypeName(DescribedJointType type)
{
    for (const auto& [value, name] : kJointNames) {
        if (value == type) return name;
    }
    return "?";
}

DescribedSolver DescribeSolver(const btContactSolverInfo& info)
{
    DescribedSolver d{};
    for (const auto& [record, setting] : kSolverFloats)
        d.*record = float(info.*setting);
    for (const auto& [record, setting] : kSolverInts)
        d.*record = info.*setting;
    return d;
}

void ApplySolver(const DescribedSolver& described, btContactSolverInfo* info)
{
    for (const auto& [record, setting] : kSolverFloats)
        info->*setting = btScalar(described.*record);
    for (const auto& [record, setting] : kSolverInts)
        info->*setting = described.*record;
}

std::string FormatWorldDescription(const WorldDescription& description)
{
    Writer w;
    w.Word(kWorldDescriptionHeader);
    w.EndLine();
    w.Word("gravity");
    w.Vector(description.gravity);
    w.EndLine();
    if (description.solver) {
        w.Word("solver");
        for (const auto& field : kSolverFloats)
            w.Float((*description.solver).*field.record);
        for (const auto& field : kSolverInts)
            w.Int((*description.solver).*field.record);
        w.EndLine();
    }
    for (const std::string& note : description.skipped) {
        w.Word("skipped");
        w.Text(note);
        w.EndLine();
    }
    for (const DescribedShape& shape : description.shapes) WriteShape(w, shape);
    for (const DescribedBody& body : description.bodies) {
        w.Word("body");
        w.Int(body.record);
        w.Int(body.shape);
        w.Float(body.mass);
        w.Transform(body.transform);
        w.Vector(body.linearVelocity);
        w.Vector(body.angularVelocity);
        w.Float(body.friction);
        w.Float(body.rollingFriction);
        w.Float(body.restitution);
        w.Float(body.linearDamping);
        w.Float(body.angularDamping);
        w.Int(body.activationState);
        w.Float(body.ccdMotionThreshold);
        w.Float(body.ccdSweptSphereRadius);
        w.Text(body.name);
        w.EndLine();
    }
    for (const DescribedConstraint& c : description.constraints) {
        w.Word("constraint");
        w.Word(ConstraintTypeName(c.type));
        w.Int(c.record);
        w.Int(c.bodyA);
        w.Int(c.bodyB);
        w.Bool(c.disableCollisionsBetweenBodies);
        w.Transform(c.frameA);
        w.Transform(c.frameB);
        w.Vector(c.linearLower);
        w.Vector(c.linearUpper);
        w.Vector(c.angularLower);
        w.Vector(c.angularUpper);
        w.Bool(c.enabled);
        w.Float(c.breakingImpulseThreshold);
        w.Int(c.solverIterations);
        w.Float(c.debugDrawSize);
        WriteConstraintDetails(w, c);
        w.EndLine();
    }
    for (const DescribedMultiBody& m : description.multiBodies) WriteMultiBody(w, m);
    w.Word("end");
    w.EndLine();
    return w.Take();
}

// Bullet keeps the linear axes in arrays of one motor and the angular ones in
// a motor each, with the same fields.
DescribedAxis DescribeSpring2Axis(btGeneric6DofSpring2Constraint& constraint, int axis)
{
    DescribedAxis a;
    if (axis < 3) {
        const btTranslationalLimitMotor2& m = *constraint.getTranslationalLimitMotor();
        a = {m.m_enableMotor[axis],     m.m_targetVelocity[axis],  m.m_maxMotorForce[axis],
             m.m_servoMotor[axis],      m.m_servoTarget[axis],     m.m_enableSpring[axis],
             m.m_springStiffness[axis], m.m_springDamping[axis],   m.m_equilibriumPoint[axis],
             m.m_springStiffnessLimited[axis], m.m_springDampingLimited[axis],
             m.m_bounce[axis],          m.m_stopERP[axis],         m.m_stopCFM[axis],
             m.m_motorERP[axis],        m.m_motorCFM[axis]};
    } else {
        const btRotationalLimitMotor2& m = *constraint.getRotationalLimitMotor(axis - 3);
        a = {m.m_enableMotor,     m.m_targetVelocity, m.m_maxMotorForce,  m.m_servoMotor,
             m.m_servoTarget,     m.m_enableSpring,   m.m_springStiffness, m.m_springDamping,
             m.m_equilibriumPoint, m.m_springStiffnessLimited, m.m_springDampingLimited,
             m.m_bounce,          m.m_stopERP,        m.m_stopCFM,         m.m_motorERP,
             m.m_motorCFM};
    }
    return a;
}

// The fields are written as they are, not through Bullet's setters: those
// also raise flags that the file never carried.
void ApplySpring2Axis(const DescribedAxis& a, int axis, btGeneric6DofSpring2Constraint* constraint)
{
    if (axis < 3) {
        btTranslationalLimitMotor2& m = *constraint->getTranslationalLimitMotor();
        m.m_enableMotor[axis] = a.motor;
        m.m_targetVelocity[axis] = a.targetVelocity;
        m.m_maxMotorForce[axis] = a.maxMotorForce;
        m.m_servoMotor[axis] = a.servo;
        m.m_servoTarget[axis] = a.servoTarget;
        m.m_enableSpring[axis] = a.spring;
        m.m_springStiffness[axis] = a.stiffness;
        m.m_springDamping[axis] = a.damping;
        m.m_equilibriumPoint[axis] = a.equilibrium;
        m.m_springStiffnessLimited[axis] = a.stiffnessLimited;
        m.m_springDampingLimited[axis] = a.dampingLimited;
        m.m_bounce[axis] = a.bounce;
        m.m_stopERP[axis] = a.stopErp;
        m.m_stopCFM[axis] = a.stopCfm;
        m.m_motorERP[axis] = a.motorErp;
        m.m_motorCFM[axis] = a.motorCfm;
    } else {
        btRotationalLimitMotor2& m = *constraint->getRotationalLimitMotor(axis - 3);
        m.m_enableMotor = a.motor;
        m.m_targetVelocity = a.targetVelocity;
        m.m_maxMotorForce = a.maxMotorForce;
        m.m_servoMotor = a.servo;
        m.m_servoTarget = a.servoTarget;
        m.m_enableSpring = a.spring;
        m.m_springStiffness = a.stiffness;
        m.m_springDamping = a.damping;
        m.m_equilibriumPoint = a.equilibrium;
        m.m_springStiffnessLimited = a.stiffnessLimited;
        m.m_springDampingLimited = a.dampingLimited;
        m.m_bounce = a.bounce;
        m.m_stopERP = a.stopErp;
        m.m_stopCFM = a.stopCfm;
        m.m_motorERP = a.motorErp;
        m.m_motorCFM = a.motorCfm;
    }
}

std::string ShapeRecordName(const DescribedShape& shape)
{
    std::string name =
        shape.record >= 0 ? "shape " + std::to_string(shape.record + 1) : "a compound's part";
    if (!shape.name.empty()) name += " (\"" + shape.name + "\")";
    return name;
}

std::string BodyRecordName(const DescribedBody& body)
{
    return "rigid body " + std::to_string(body.record + 1);
}

std::string ConstraintRecordName(const DescribedConstraint& constraint)
{
    return "constraint " + std::to_string(constraint.record + 1) + " (" +
           std::string(ConstraintTypeName(constraint.type)) + ")";
}

std::string MultiBodyRecordName(const DescribedMultiBody& multiBody)
{
    std::string name = "multibody " + std::to_string(multiBody.record + 1);
    if (!multiBody.name.empty()) name += " (\"" + multiBody.name + "\")";
    return name;
}

std::string LinkRecordName(const DescribedMultiBody& multiBody, size_t link)
{
    std::string name = "multibody " + std::to_string(multiBody.record + 1) + ", ";
    if (link >= multiBody.links.size()) return name + "base";
    name += "link " + std::to_string(link + 1);
    if (!multiBody.links[link].name.empty()) name += " (\"" + multiBody.links[link].name + "\")";
    return name;
}

std::optional<WorldDescription> ParseWorldDescription(std::string_view text, std::string* error,
                                                      const std::atomic<bool>* cancel)
{
    Reader r(text);
    WorldDescription description;
    // A description that breaks its own grammar comes from a reader that went
    // wrong on the file; the message names the record of the file it was on.
    auto fail = [&](const std::string& why) -> std::optional<WorldDescription> {
        *error = why;
        return std::nullopt;
    };
    auto unreadable = [&](const std::string& record, const std::string& why) {
        return fail(record + " cannot be read (" + why + ")");
    };
    const std::string garbled = "its reader's answer is garbled";

    std::string_view first = text.substr(0, text.find('\n'));
    if (first != kWorldDescriptionHeader) return fail(garbled);
    bool ended = false;
    bool sawGravity = false;
    // Link lines belong to the multibody line just above them.
    bool inMultiBody = false;
    std::size_t lines = 0;
    while (r.NextLine()) {
        if (StopNow(cancel, ++lines)) return fail(kWorldOpenCancelled);
        if (ended) return fail(garbled);
        std::string_view keyword = r.Token();
        if (keyword != "link") inMultiBody = false;
        bool ok = true;
        std::string record;
        if (keyword == "gravity") {
            if (sawGravity) return fail(garbled);
            ok = r.Vector(&description.gravity);
            sawGravity = true;
            record = "the gravity";
        } else if (keyword == "solver") {
            if (description.solver)
                return fail(garbled);
            DescribedSolver& solver = description.solver.emplace();
            for (const auto& field : kSolverFloats)
                ok = ok && r.Float(&(solver.*field.record));
            for (const auto& field : kSolverInts)
                ok = ok && r.Int(INT_MIN, INT_MAX, &(solver.*field.record));
            record = "the solver settings";
        } else if (keyword == "skipped") {
            if (description.skipped.size() >= static_cast<size_t>(kMaxSkippedNotes)) return fail(garbled);
            ok = r.Text(kMaxShapeNameLength, &description.skipped.emplace_back());
            record = "the list of what was left out";
        } else if (keyword == "shape") {
            if (description.shapes.size() >= static_cast<size_t>(kMaxDescribedShapes)) {
                return fail("it holds more than " + std::to_string(kMaxDescribedShapes) + " shapes");
            }
            DescribedShape& shape = description.shapes.emplace_back();
            shape.record = -2;
            ok = ReadShape(r, &shape);
            record = shape.record >= -1 ? ShapeRecordName(shape) : "a shape";
        } else if (keyword == "body") {
            if (description.bodies.size() >= static_cast<size_t>(kMaxDescribedBodies)) {
                return fail("it holds more than " + std::to_string(kMaxDescribedBodies) + " rigid bodies");
            }
            DescribedBody& body = description.bodies.emplace_back();
            body.record = -1;
            ok = ReadBody(r, &body);
            record = body.record >= 0 ? BodyRecordName(body) : "a rigid body";
        } else if (keyword == "constraint") {
            if (description.constraints.size() >= static_cast<size_t>(kMaxDescribedConstraints)) {
                return fail("it holds more than " + std::to_string(kMaxDescribedConstraints) +
                            " constraints");
            }
            DescribedConstraint& constraint = description.constraints.emplace_back();
            constraint.record = -1;
            ok = ReadConstraint(r, &constraint);
            record = constraint.record >= 0 ? ConstraintRecordName(constraint) : "a constraint";
        } else if (keyword == "multibody") {
            if (description.multiBodies.size() >= static_cast<size_t>(kMaxDescribedMultiBodies)) {
                return fail("it holds more than " + std::to_string(kMaxDescribedMultiBodies) +
                            " multibodies");
            }
            DescribedMultiBody& multiBody = description.multiBodies.emplace_back();
            multiBody.record = -1;
            ok = ReadMultiBody(r, &multiBody);
            record = multiBody.record >= 0 ? MultiBodyRecordName(multiBody) : "a multibody";
            inMultiBody = true;
        } else if (keyword == "link") {
            if (!inMultiBody) return fail(garbled);
            DescribedMultiBody& multiBody = description.multiBodies.back();
            if (multiBody.links.size() >= static_cast<size_t>(kMaxMultiBodyLinks)) {
                return fail(MultiBodyRecordName(multiBody) + " has more than " +
                            std::to_string(kMaxMultiBodyLinks) + " links");
            }
            multiBody.links.emplace_back();
            ok = ReadLink(r, &multiBody.links.back());
            // Named before its own name is read, which may be what failed.
            record = "multibody " + std::to_string(multiBody.record + 1) + ", link " +
                     std::to_string(multiBody.links.size());
        } else if (keyword == "end") {
            ended = true;
        } else {
            return fail(garbled);
        }
        if (!ok) return unreadable(record, r.Error());
        if (!r.LineEnded()) return unreadable(record, "more values than it has");
    }
    if (!ended) return fail("its reader stopped before it finished");
    if (!sawGravity) return fail(garbled);
    return description;
}
