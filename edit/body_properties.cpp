#include "edit/body_properties.h"

#include "worlds/world_file_checks.h"
#include "edit/body_edits.h"
#include "edit/heading_pitch_roll.h"
#include "edit/world_tree.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;

std::string Number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

void DescribeShape(const btCollisionShape* shape, BodyProperties& out)
{
    if (shape == nullptr) {
        out.shape = "None";
        return;
    }
    switch (shape->getShapeType()) {
        case BOX_SHAPE_PROXYTYPE: {
            const btVector3 size =
                static_cast<const btBoxShape*>(shape)->getHalfExtentsWithMargin() * 2;
            out.shape = "Box";
            out.sizes = Number(size.x()) + " x " + Number(size.y()) + " x " + Number(size.z());
            return;
        }
        case SPHERE_SHAPE_PROXYTYPE:
            out.shape = "Sphere";
            out.sizes = "radius " + Number(static_cast<const btSphereShape*>(shape)->getRadius());
            return;
        case CYLINDER_SHAPE_PROXYTYPE: {
            const auto* cylinder = static_cast<const btCylinderShape*>(shape);
            const btVector3 half = cylinder->getHalfExtentsWithMargin();
            out.shape = "Cylinder";
            out.sizes = "radius " + Number(cylinder->getRadius()) + ", height " +
                        Number(2 * half[cylinder->getUpAxis()]);
            return;
        }
        case CONE_SHAPE_PROXYTYPE: {
            const auto* cone = static_cast<const btConeShape*>(shape);
            out.shape = "Cone";
            out.sizes = "radius " + Number(cone->getRadius()) + ", height " +
                        Number(cone->getHeight());
            return;
        }
        case CAPSULE_SHAPE_PROXYTYPE: {
            const auto* capsule = static_cast<const btCapsuleShape*>(shape);
            out.shape = "Capsule";
            out.sizes = "radius " + Number(capsule->getRadius()) + ", height " +
                        Number(2 * capsule->getHalfHeight());
            return;
        }
        case STATIC_PLANE_PROXYTYPE:
            out.shape = "Plane";
            return;
        case COMPOUND_SHAPE_PROXYTYPE:
            out.shape = "Compound";
            out.sizes = Number(static_cast<const btCompoundShape*>(shape)->getNumChildShapes()) +
                        " parts";
            return;
        default:
            out.shape = shape->getName();
            return;
    }
}

const char* ActivationName(int state)
{
    switch (state) {
        case ACTIVE_TAG:
            return "Active";
        case ISLAND_SLEEPING:
            return "Asleep";
        case WANTS_DEACTIVATION:
            return "Falling asleep";
        case DISABLE_DEACTIVATION:
            return "Always awake";
        case DISABLE_SIMULATION:
            return "Not simulated";
        default:
            return "Unknown";
    }
}

bool Finite(const FieldValue& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

std::optional<std::string> InRange(double value, double low, double high, const char* what)
{
    if (!std::isfinite(value))
        return std::string(what) + " must be a finite number";
    if (value < low || value > high)
        return std::string(what) + " must be from " + Number(low) + " to " + Number(high);
    return std::nullopt;
}

std::optional<std::string> VectorWithin(const FieldValue& v, double limit, const char* what)
{
    if (!Finite(v))
        return std::string(what) + " must be three finite numbers";
    if (std::fabs(v.x) > limit || std::fabs(v.y) > limit || std::fabs(v.z) > limit)
        return std::string(what) + " must lie within \u00b1" + Number(limit);
    return std::nullopt;
}

btVector3 ToVector(const FieldValue& v)
{
    return btVector3(btScalar(v.x), btScalar(v.y), btScalar(v.z));
}

FieldValue FromVector(const btVector3& v)
{
    return {v.x(), v.y(), v.z()};
}

void SetMass(btDiscreteDynamicsWorld& world, btRigidBody& body, btScalar mass)
{
    const bool wasStatic = body.getInvMass() == 0;
    btVector3 inertia(0, 0, 0);
    if (mass > 0 && body.getCollisionShape() != nullptr)
        body.getCollisionShape()->calculateLocalInertia(mass, inertia);
    // The broadphase files a body as static or not when it is added: a body
    // that changes between the two goes out of the world and back in.
    const bool becomesStatic = mass == 0;
    const bool refile = becomesStatic != wasStatic;
    if (refile)
        world.removeRigidBody(&body);
    if (becomesStatic) {
        body.setCollisionFlags(body.getCollisionFlags() | btCollisionObject::CF_STATIC_OBJECT);
        body.setLinearVelocity(btVector3(0, 0, 0));
        body.setAngularVelocity(btVector3(0, 0, 0));
    } else {
        body.setCollisionFlags(body.getCollisionFlags() & ~btCollisionObject::CF_STATIC_OBJECT);
    }
    body.setMassProps(mass, inertia);
    body.updateInertiaTensor();
    if (refile)
        world.addRigidBody(&body);
    body.activate(true);
}

}  // namespace

BodyProperties ReadBodyProperties(const btDynamicsWorld& world, const btRigidBody& body)
{
    BodyProperties out;
    out.name = BodyNameIn(world, &body);
    DescribeShape(body.getCollisionShape(), out);
    if (body.getCollisionShape() != nullptr)
        out.size = SizeOf(*body.getCollisionShape());
    out.mass = body.getInvMass() > 0 ? 1 / body.getInvMass() : 0;
    const btTransform& transform = body.getWorldTransform();
    out.position = transform.getOrigin();
    btScalar yaw, pitch, roll;
    transform.getBasis().getEulerZYX(yaw, pitch, roll);
    out.orientationDegrees = btVector3(roll, pitch, yaw) * btScalar(kDegreesPerRadian);
    out.headingPitchRoll = HeadingPitchRollOf(transform.getBasis());
    out.linearVelocity = body.getLinearVelocity();
    out.angularVelocity = body.getAngularVelocity();
    out.friction = body.getFriction();
    out.rollingFriction = body.getRollingFriction();
    out.restitution = body.getRestitution();
    out.linearDamping = body.getLinearDamping();
    out.angularDamping = body.getAngularDamping();
    out.activation = ActivationName(body.getActivationState());
    return out;
}

WorldProperties ReadWorldProperties(const btDynamicsWorld& world)
{
    WorldProperties out;
    out.gravity = world.getGravity();
    out.solverIterations = const_cast<btDynamicsWorld&>(world).getSolverInfo().m_numIterations;
    const btCollisionObjectArray& objects = world.getCollisionObjectArray();
    out.bodies = objects.size();
    for (int i = 0; i < objects.size(); ++i)
        if (!objects[i]->isStaticOrKinematicObject() &&
            objects[i]->getActivationState() != ISLAND_SLEEPING)
            ++out.awakeBodies;
    out.constraints = world.getNumConstraints();
    return out;
}

std::optional<std::string> EditBody(btDiscreteDynamicsWorld& world, btRigidBody& body,
                                    BodyField field, const FieldValue& value, bool moveStart)
{
    std::optional<std::string> refusal;
    switch (field) {
        case BodyField::Mass:
            refusal = InRange(value.x, 0, kMaxBodyMass, "Mass");
            if (!refusal)
                SetMass(world, body, btScalar(value.x));
            return refusal;
        case BodyField::Friction:
            refusal = InRange(value.x, 0, kMaxFriction, "Friction");
            if (!refusal)
                body.setFriction(btScalar(value.x));
            break;
        case BodyField::Restitution:
            refusal = InRange(value.x, 0, 1, "Restitution");
            if (!refusal)
                body.setRestitution(btScalar(value.x));
            break;
        case BodyField::LinearDamping:
        case BodyField::AngularDamping: {
            const bool linear = field == BodyField::LinearDamping;
            refusal = InRange(value.x, 0, 1, linear ? "Linear damping" : "Angular damping");
            if (!refusal)
                body.setDamping(linear ? btScalar(value.x) : body.getLinearDamping(),
                                linear ? body.getAngularDamping() : btScalar(value.x));
            break;
        }
        case BodyField::Position:
        case BodyField::OrientationDegrees:
        case BodyField::HeadingPitchRoll: {
            const bool position = field == BodyField::Position;
            refusal = position ? VectorWithin(value, kMaxWorldCoordinate, "Position")
                               : VectorWithin(value, 1e4, "Orientation");
            if (refusal)
                return refusal;
            btTransform transform = body.getWorldTransform();
            if (position) {
                transform.setOrigin(ToVector(value));
            } else if (field == BodyField::HeadingPitchRoll) {
                transform.setBasis(FromHeadingPitchRoll(ToVector(value)));
            } else {
                btMatrix3x3 basis;
                const btScalar k = btScalar(1 / kDegreesPerRadian);
                basis.setEulerZYX(btScalar(value.x) * k, btScalar(value.y) * k,
                                  btScalar(value.z) * k);
                transform.setBasis(basis);
            }
            PlaceBody(world, body, transform, moveStart);
            break;
        }
        case BodyField::LinearVelocity:
        case BodyField::AngularVelocity: {
            const bool linear = field == BodyField::LinearVelocity;
            refusal = VectorWithin(value, kMaxSpeed, linear ? "Velocity" : "Angular velocity");
            if (refusal)
                return refusal;
            if (linear)
                body.setLinearVelocity(ToVector(value));
            else
                body.setAngularVelocity(ToVector(value));
            break;
        }
    }
    if (!refusal)
        body.activate(true);
    return refusal;
}

std::optional<std::string> EditGravity(btDynamicsWorld& world, const FieldValue& value)
{
    if (auto refusal = VectorWithin(value, kMaxGravity, "Gravity"))
        return refusal;
    world.setGravity(ToVector(value));
    // Sleeping bodies would not feel the new gravity until something woke them.
    btCollisionObjectArray& objects = world.getCollisionObjectArray();
    for (int i = 0; i < objects.size(); ++i)
        if (!objects[i]->isStaticOrKinematicObject())
            objects[i]->activate(true);
    return std::nullopt;
}

std::optional<std::string> EditSolverIterations(btDynamicsWorld& world, double iterations)
{
    if (auto refusal =
            InRange(iterations, kMinWorldSolverIterations, kMaxWorldSolverIterations, "Solver iterations"))
        return refusal;
    if (iterations != std::floor(iterations))
        return std::string("Solver iterations must be a whole number");
    world.getSolverInfo().m_numIterations = static_cast<int>(iterations);
    return std::nullopt;
}

FieldValue CurrentFieldValue(const btRigidBody& body, BodyField field)
{
    switch (field) {
        case BodyField::Mass:
            return {body.getInvMass() > 0 ? 1.0 / body.getInvMass() : 0.0};
        case BodyField::Friction:
            return {body.getFriction()};
        case BodyField::Restitution:
            return {body.getRestitution()};
        case BodyField::LinearDamping:
            return {body.getLinearDamping()};
        case BodyField::AngularDamping:
            return {body.getAngularDamping()};
        case BodyField::Position:
            return FromVector(body.getWorldTransform().getOrigin());
        case BodyField::OrientationDegrees: {
            btScalar yaw, pitch, roll;
            body.getWorldTransform().getBasis().getEulerZYX(yaw, pitch, roll);
            return FromVector(btVector3(roll, pitch, yaw) * btScalar(kDegreesPerRadian));
        }
        case BodyField::HeadingPitchRoll:
            return FromVector(HeadingPitchRollOf(body.getWorldTransform().getBasis()));
        case BodyField::LinearVelocity:
            return FromVector(body.getLinearVelocity());
        case BodyField::AngularVelocity:
            return FromVector(body.getAngularVelocity());
    }
    return {};
}

namespace {

class PropertyEdit final : public Edit {
public:
    PropertyEdit(btDiscreteDynamicsWorld& world, btRigidBody& body, BodyField field,
                 const FieldValue& before, const FieldValue& after, bool moveStart)
        : m_world(world), m_body(body), m_field(field), m_before(before), m_after(after),
          m_moveStart(moveStart)
    {
    }
    std::string_view Name() const override { return "Property"; }
    // Both values were accepted once: applying them again cannot be refused.
    void Undo() override { EditBody(m_world, m_body, m_field, m_before, m_moveStart); }
    void Redo() override { EditBody(m_world, m_body, m_field, m_after, m_moveStart); }

private:
    btDiscreteDynamicsWorld& m_world;
    btRigidBody& m_body;
    BodyField m_field;
    FieldValue m_before;
    FieldValue m_after;
    bool m_moveStart;
};

class WorldSettingsEdit final : public Edit {
public:
    WorldSettingsEdit(btDynamicsWorld& world, const WorldProperties& before,
                      const WorldProperties& after)
        : m_world(world), m_before(before), m_after(after)
    {
    }
    std::string_view Name() const override { return "World settings"; }
    void Undo() override { Apply(m_before); }
    void Redo() override { Apply(m_after); }

private:
    void Apply(const WorldProperties& settings)
    {
        EditGravity(m_world, FromVector(settings.gravity));
        EditSolverIterations(m_world, settings.solverIterations);
    }

    btDynamicsWorld& m_world;
    WorldProperties m_before;
    WorldProperties m_after;
};

}  // namespace

std::unique_ptr<Edit> MakePropertyEdit(btDiscreteDynamicsWorld& world, btRigidBody& body,
                                       BodyField field, const FieldValue& before,
                                       const FieldValue& after, bool moveStart)
{
    return std::make_unique<PropertyEdit>(world, body, field, before, after, moveStart);
}

std::unique_ptr<Edit> MakeWorldSettingsEdit(btDynamicsWorld& world, const WorldProperties& before,
                                            const WorldProperties& after)
{
    return std::make_unique<WorldSettingsEdit>(world, before, after);
}
