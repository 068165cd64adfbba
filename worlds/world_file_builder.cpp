#include "worlds/world_file_builder.h"

#include "common/kinetta_assert.h"
#include "physics/body_name.h"
#include "physics/dynamics_world.h"
#include "worlds/multibody_builder.h"
#include "worlds/process_end.h"
#include "worlds/world_file_checks.h"

#include <BulletCollision/CollisionShapes/btTriangleIndexVertexArray.h>

#include <cmath>

namespace {

// A file's name as the Tree may show it: one line of printable text, any
// other byte a '?', without the spaces around it; empty when nothing is left.
std::string ShowableName(std::string_view raw)
{
    std::string name;
    for (unsigned char c : raw.substr(0, kMaxBodyNameLength)) {
        name += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
    }
    const size_t first = name.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return name.substr(first, name.find_last_not_of(' ') - first + 1);
}

btTransform ToTransform(const DescribedTransform& t)
{
    return btTransform(t.rotation.normalized(), t.origin);
}

// Builds the shapes of one description into a LoadedWorld's storage.
class ShapeBuilder {
public:
    ShapeBuilder(std::vector<std::vector<btVector3>>& meshVertices,
                 std::vector<std::vector<int>>& meshIndices,
                 std::vector<std::unique_ptr<btTriangleIndexVertexArray>>& meshes,
                 std::vector<std::unique_ptr<btCollisionShape>>& owned)
        : m_meshVertices(meshVertices), m_meshIndices(meshIndices), m_meshes(meshes), m_owned(owned)
    {}

    std::unique_ptr<btCollisionShape> Build(const DescribedShape& shape,
                                            const std::vector<btCollisionShape*>& built)
    {
        std::unique_ptr<btCollisionShape> made = Make(shape, built);
        made->setMargin(shape.margin);
        // Also after the margin for a unit scaling: hulls recompute their
        // bounds here. Compounds are left alone: their scaling would rescale
        // their parts, which other shapes may share.
        if (shape.type != DescribedShapeType::Compound) made->setLocalScaling(shape.localScaling);
        return made;
    }

    btCollisionShape* Keep(std::unique_ptr<btCollisionShape> shape)
    {
        m_owned.push_back(std::move(shape));
        return m_owned.back().get();
    }

private:
    std::unique_ptr<btCollisionShape> Make(const DescribedShape& shape,
                                           const std::vector<btCollisionShape*>& built)
    {
        const btVector3& e = shape.extents;
        switch (shape.type) {
        case DescribedShapeType::Box:
            return std::make_unique<btBoxShape>(e);
        case DescribedShapeType::Sphere:
            return std::make_unique<btSphereShape>(e.x());
        case DescribedShapeType::Capsule:
            // The constructors take the full height between the caps' centres.
            if (shape.upAxis == 0) return std::make_unique<btCapsuleShapeX>(e.x(), 2 * e.y());
            if (shape.upAxis == 2) return std::make_unique<btCapsuleShapeZ>(e.x(), 2 * e.y());
            return std::make_unique<btCapsuleShape>(e.x(), 2 * e.y());
        case DescribedShapeType::Cylinder:
            if (shape.upAxis == 0) return std::make_unique<btCylinderShapeX>(e);
            if (shape.upAxis == 2) return std::make_unique<btCylinderShapeZ>(e);
            return std::make_unique<btCylinderShape>(e);
        case DescribedShapeType::Cone:
            if (shape.upAxis == 0) return std::make_unique<btConeShapeX>(e.x(), e.y());
            if (shape.upAxis == 2) return std::make_unique<btConeShapeZ>(e.x(), e.y());
            return std::make_unique<btConeShape>(e.x(), e.y());
        case DescribedShapeType::ConvexHull:
            return std::make_unique<btConvexHullShape>(
                &shape.points[0].x(), static_cast<int>(shape.points.size()), sizeof(btVector3));
        case DescribedShapeType::MultiSphere:
            return std::make_unique<btMultiSphereShape>(shape.points.data(), shape.radii.data(),
                                                        static_cast<int>(shape.points.size()));
        case DescribedShapeType::StaticPlane:
            return std::make_unique<btStaticPlaneShape>(e.normalized(), shape.planeConstant);
        case DescribedShapeType::TriangleMesh:
            return MakeMesh(shape);
        case DescribedShapeType::Compound: {
            auto compound = std::make_unique<btCompoundShape>(true, static_cast<int>(shape.children.size()));
            for (const DescribedCompoundChild& child : shape.children) {
                compound->addChildShape(ToTransform(child.transform), built[child.shape]);
            }
            return compound;
        }
        }
        KINETTA_ASSERT(false, "give every described shape type a way to be built");
        return nullptr;
    }

    std::unique_ptr<btCollisionShape> MakeMesh(const DescribedShape& shape)
    {
        std::vector<btVector3>& vertices = m_meshVertices.emplace_back(shape.points);
        std::vector<int>& indices = m_meshIndices.emplace_back(shape.triangles);
        btIndexedMesh part;
        part.m_numTriangles = static_cast<int>(indices.size() / 3);
        part.m_triangleIndexBase = reinterpret_cast<const unsigned char*>(indices.data());
        part.m_triangleIndexStride = 3 * sizeof(int);
        part.m_numVertices = static_cast<int>(vertices.size());
        part.m_vertexBase = reinterpret_cast<const unsigned char*>(vertices.data());
        part.m_vertexStride = sizeof(btVector3);
        part.m_indexType = PHY_INTEGER;
        part.m_vertexType = PHY_FLOAT;
        auto mesh = std::make_unique<btTriangleIndexVertexArray>();
        mesh->addIndexedMesh(part, PHY_INTEGER);
        btTriangleIndexVertexArray* meshInterface = mesh.get();
        m_meshes.push_back(std::move(mesh));
        return std::make_unique<btBvhTriangleMeshShape>(meshInterface, true);
    }

    std::vector<std::vector<btVector3>>& m_meshVertices;
    std::vector<std::vector<int>>& m_meshIndices;
    std::vector<std::unique_ptr<btTriangleIndexVertexArray>>& m_meshes;
    std::vector<std::unique_ptr<btCollisionShape>>& m_owned;
};

// Whether the scene's shape of a name is the file's shape: a file may give
// its own dimensions to a shape under one of the scene's names.
bool SameShape(const btCollisionShape& a, const btCollisionShape& b)
{
    if (a.getShapeType() != b.getShapeType() || a.isCompound() || b.isCompound() ||
        a.getShapeType() == STATIC_PLANE_PROXYTYPE) {
        return false;
    }
    btVector3 aMin, aMax, bMin, bMax;
    a.getAabb(btTransform::getIdentity(), aMin, aMax);
    b.getAabb(btTransform::getIdentity(), bMin, bMax);
    const btScalar tolerance = 1e-5f * (1 + (aMax - aMin).length());
    return (aMin - bMin).length() <= tolerance && (aMax - bMax).length() <= tolerance &&
           std::fabs(a.getMargin() - b.getMargin()) <= tolerance &&
           (a.getLocalScaling() - b.getLocalScaling()).length() <= 1e-6f;
}

std::unique_ptr<btTypedConstraint> MakeConstraintOfType(const DescribedConstraint& c, btRigidBody& a,
                                                        btRigidBody& b)
{
    btTransform frameA = ToTransform(c.frameA);
    btTransform frameB = ToTransform(c.frameB);
    switch (c.type) {
    case DescribedConstraintType::PointToPoint:
        return std::make_unique<btPoint2PointConstraint>(a, b, c.frameA.origin, c.frameB.origin);
    case DescribedConstraintType::Hinge: {
        auto hinge = std::make_unique<btHingeConstraint>(a, b, frameA, frameB, c.useReferenceFrameA);
        hinge->setAngularOnly(c.angularOnly);
        hinge->setLimit(c.angularLower.x(), c.angularUpper.x(), c.limitSoftness, c.limitBias,
                        c.limitRelaxation);
        hinge->enableAngularMotor(c.axes[3].motor, c.axes[3].targetVelocity, c.axes[3].maxMotorForce);
        return hinge;
    }
    case DescribedConstraintType::ConeTwist: {
        auto cone = std::make_unique<btConeTwistConstraint>(a, b, frameA, frameB);
        cone->setLimit(c.angularUpper.x(), c.angularUpper.y(), c.angularUpper.z(), c.limitSoftness,
                       c.limitBias, c.limitRelaxation);
        cone->setDamping(c.damping);
        return cone;
    }
    case DescribedConstraintType::Generic6Dof:
    case DescribedConstraintType::Generic6DofSpring: {
        std::unique_ptr<btGeneric6DofConstraint> d6;
        if (c.type == DescribedConstraintType::Generic6Dof) {
            d6 = std::make_unique<btGeneric6DofConstraint>(a, b, frameA, frameB, c.useReferenceFrameA);
        } else {
            auto spring = std::make_unique<btGeneric6DofSpringConstraint>(a, b, frameA, frameB,
                                                                          c.useReferenceFrameA);
            for (int i = 0; i < 6; ++i) {
                spring->enableSpring(i, c.axes[i].spring);
                spring->setStiffness(i, c.axes[i].stiffness);
                spring->setDamping(i, c.axes[i].damping);
                spring->setEquilibriumPoint(i, c.axes[i].equilibrium);
            }
            d6 = std::move(spring);
        }
        d6->setUseFrameOffset(c.useFrameOffset);
        d6->setLinearLowerLimit(c.linearLower);
        d6->setLinearUpperLimit(c.linearUpper);
        d6->setAngularLowerLimit(c.angularLower);
        d6->setAngularUpperLimit(c.angularUpper);
        return d6;
    }
    case DescribedConstraintType::Generic6DofSpring2:
    case DescribedConstraintType::Fixed: {
        std::unique_ptr<btGeneric6DofSpring2Constraint> d6;
        if (c.type == DescribedConstraintType::Fixed) {
            d6 = std::make_unique<btFixedConstraint>(a, b, frameA, frameB);
        } else {
            d6 = std::make_unique<btGeneric6DofSpring2Constraint>(a, b, frameA, frameB,
                                                                  static_cast<RotateOrder>(c.rotateOrder));
        }
        d6->setLinearLowerLimit(c.linearLower);
        d6->setLinearUpperLimit(c.linearUpper);
        d6->setAngularLowerLimit(c.angularLower);
        d6->setAngularUpperLimit(c.angularUpper);
        for (int i = 0; i < 6; ++i) ApplySpring2Axis(c.axes[i], i, d6.get());
        return d6;
    }
    case DescribedConstraintType::Slider: {
        auto slider = std::make_unique<btSliderConstraint>(a, b, frameA, frameB, c.useReferenceFrameA);
        slider->setUseFrameOffset(c.useFrameOffset);
        slider->setLowerLinLimit(c.linearLower.x());
        slider->setUpperLinLimit(c.linearUpper.x());
        slider->setLowerAngLimit(c.angularLower.x());
        slider->setUpperAngLimit(c.angularUpper.x());
        return slider;
    }
    case DescribedConstraintType::Gear:
        return std::make_unique<btGearConstraint>(a, b, c.frameA.origin, c.frameB.origin, c.ratio);
    }
    KINETTA_ASSERT(false, "give every described constraint type a way to be built");
    return nullptr;
}

std::unique_ptr<btTypedConstraint> MakeConstraint(const DescribedConstraint& c, btRigidBody& a,
                                                  btRigidBody& b)
{
    std::unique_ptr<btTypedConstraint> made = MakeConstraintOfType(c, a, b);
    made->setEnabled(c.enabled);
    made->setBreakingImpulseThreshold(c.breakingImpulseThreshold);
    made->setDbgDrawSize(c.debugDrawSize);
    made->setOverrideNumSolverIterations(c.solverIterations);
    return made;
}

}  // namespace

// The one place that reaches into a LoadedWorld's storage.
class LoadedWorldBuilder {
public:
    static std::unique_ptr<LoadedWorld> Build(const WorldDescription& description,
                                              const SceneShapeLookup& sceneShapes,
                                              const std::atomic<bool>* cancel = nullptr);
};

std::unique_ptr<LoadedWorld> BuildLoadedWorld(const WorldDescription& description,
                                              const SceneShapeLookup& sceneShapes)
{
    KINETTA_ASSERT(CheckWorldDescription(description).ok,
                   "build only descriptions that CheckWorldDescription accepted");
    return LoadedWorldBuilder::Build(description, sceneShapes);
}

std::unique_ptr<LoadedWorld> BuildCheckedWorld(const WorldDescription& description,
                                               const SceneShapeLookup& sceneShapes,
                                               const std::atomic<bool>* cancel)
{
    return LoadedWorldBuilder::Build(description, sceneShapes, cancel);
}

std::unique_ptr<LoadedWorld> LoadedWorldBuilder::Build(const WorldDescription& description,
                                                       const SceneShapeLookup& sceneShapes,
                                                       const std::atomic<bool>* cancel)
{
    auto world = std::make_unique<LoadedWorld>();
    world->m_gravity = description.gravity;
    // What the record does not hold stays as Kinetta has it.
    if (description.solver) {
        btContactSolverInfo solver = KinettaSolverInfo();
        ApplySolver(*description.solver, &solver);
        world->m_solverInfo = solver;
    }

    ShapeBuilder builder(world->m_meshVertices, world->m_meshIndices, world->m_meshes,
                         world->m_shapes);
    std::vector<btCollisionShape*> shapes;
    shapes.reserve(description.shapes.size());
    for (std::size_t i = 0; i < description.shapes.size(); ++i) {
        if (StopNow(cancel, i)) {
            DropCancelled(world);
            return nullptr;
        }
        const DescribedShape& shape = description.shapes[i];
        btCollisionShape* scene = !shape.name.empty() && sceneShapes ? sceneShapes(shape.name) : nullptr;
        std::unique_ptr<btCollisionShape> made = builder.Build(shape, shapes);
        btCollisionShape* used = scene && SameShape(*scene, *made) ? scene : builder.Keep(std::move(made));
        shapes.push_back(used);
        if (!shape.name.empty()) world->m_shapeNames.emplace(used, shape.name);
    }

    world->m_bodies.reserve(description.bodies.size());
    for (const DescribedBody& b : description.bodies) {
        if (StopNow(cancel, world->m_bodies.size())) {
            DropCancelled(world);
            return nullptr;
        }
        btCollisionShape* shape = shapes[b.shape];
        float mass = shape->isNonMoving() ? 0.0f : b.mass;
        btVector3 inertia(0, 0, 0);
        if (mass > 0) shape->calculateLocalInertia(mass, inertia);

        LoadedWorld::Body& body = world->m_bodies.emplace_back();
        body.shapeName = description.shapes[b.shape].name;
        body.motionState = std::make_unique<btDefaultMotionState>(ToTransform(b.transform));
        btRigidBody::btRigidBodyConstructionInfo info(mass, body.motionState.get(), shape, inertia);
        info.m_friction = b.friction;
        info.m_rollingFriction = b.rollingFriction;
        info.m_restitution = b.restitution;
        info.m_linearDamping = b.linearDamping;
        info.m_angularDamping = b.angularDamping;
        body.body = std::make_unique<btRigidBody>(info);
        body.body->setLinearVelocity(b.linearVelocity);
        body.body->setAngularVelocity(b.angularVelocity);
        // Forced: setActivationState would not leave a disabled state.
        body.body->forceActivationState(b.activationState);
        body.body->setCcdMotionThreshold(b.ccdMotionThreshold);
        body.body->setCcdSweptSphereRadius(b.ccdSweptSphereRadius);
        if (std::string name = ShowableName(b.name); !name.empty()) {
            body.name = std::make_unique<std::string>(std::move(name));
            SetBodyName(*body.body, body.name.get());
        }
    }

    world->m_constraints.reserve(description.constraints.size());
    auto bodyOrWorld = [&](int index) -> btRigidBody& {
        if (index >= 0)
            return *world->m_bodies[index].body;
        if (!world->m_fixedBody) {
            // As Bullet's own fixed body: no mass, no shape, in no world.
            world->m_fixedBody = std::make_unique<btRigidBody>(0.0f, nullptr, nullptr);
            world->m_fixedBody->setMassProps(0.0f, btVector3(0, 0, 0));
        }
        return *world->m_fixedBody;
    };
    for (std::size_t i = 0; i < description.constraints.size(); ++i) {
        if (StopNow(cancel, i)) {
            DropCancelled(world);
            return nullptr;
        }
        const DescribedConstraint& c = description.constraints[i];
        world->m_constraints.push_back(
            {MakeConstraint(c, bodyOrWorld(c.bodyA), bodyOrWorld(c.bodyB)),
             c.disableCollisionsBetweenBodies});
    }

    world->m_multiBodies.reserve(description.multiBodies.size());
    for (const DescribedMultiBody& m : description.multiBodies)
        world->m_multiBodies.push_back(BuildMultiBody(m, shapes));
    return world;
}
