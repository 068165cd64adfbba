#include "tools/world_reader/bullet_file_description.h"

#include "tools/world_reader/bounded_bullet_file.h"
#include "tools/world_reader/bullet_file_layout.h"

#include <BulletDynamics/Featherstone/btMultiBody.h>
#include <BulletDynamics/Featherstone/btMultiBodyLinkCollider.h>
#include <BulletFileLoader/btBulletFile.h>
#include <BulletWorldImporter/btBulletWorldImporter.h>
#include <btBulletDynamicsCommon.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>
#include <optional>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>

namespace {

// Bullet's importer with what the description needs from inside it: the
// gravity it is handed and the body it made from each raw record.
class DescribingImporter : public btBulletWorldImporter {
public:
    DescribingImporter() : btBulletWorldImporter(nullptr) {}

    // The solver's settings are read from their record, all of them.
    void setDynamicsWorldInfo(const btVector3& gravity, const btContactSolverInfo&) override
    {
        m_gravity = gravity;
    }

    btRigidBody* BodyMadeFrom(const void* record)
    {
        if (record == nullptr) return nullptr;
        btCollisionObject** made = m_bodyMap.find(record);
        return made ? btRigidBody::upcast(*made) : nullptr;
    }

    // The importer's shape for a record, made now if the record is only a
    // compound's part (the importer makes those inside each compound).
    btCollisionShape* ShapeMadeFrom(btCollisionShapeData* record)
    {
        btCollisionShape** made = m_shapeMap.find(record);
        return made ? *made : convertCollisionShape(record);
    }

    // The constraint made from one record, or null when Bullet made none.
    // A body the importer did not make is the world, as Bullet's own loop
    // has it; the world as body A becomes Bullet's fixed body, which the
    // importer would otherwise dereference.
    // A slider alone is made from body B, which the importer reads even
    // when only body A is in the file: the world there is the fixed body too.
    btTypedConstraint* ConstraintMadeFrom(bParse::btBulletFile& file, void* record, void* rbA,
                                          void* rbB, int type)
    {
        btRigidBody* a = BodyMadeFrom(rbA);
        btRigidBody* b = BodyMadeFrom(rbB);
        if (a == nullptr && b == nullptr) return nullptr;
        if (a == nullptr) a = &getFixedBody();
        // A six-axis spring 2 constraint (Kinetta's fixed and spring joints)
        // tied to the world is made only with both bodies given.
        if (b == nullptr && (type == SLIDER_CONSTRAINT_TYPE || type == D6_SPRING_2_CONSTRAINT_TYPE ||
                             type == FIXED_CONSTRAINT_TYPE))
            b = &getFixedBody();
        const int before = m_allocatedConstraints.size();
        const int version = file.getVersion();
        if ((file.getFlags() & bParse::FD_DOUBLE_PRECISION) == 0) {
            convertConstraintFloat(static_cast<btTypedConstraintFloatData*>(record), a, b, version);
        } else if (version >= 282) {
            convertConstraintDouble(static_cast<btTypedConstraintDoubleData*>(record), a, b, version);
        } else {
            convertConstraintBackwardsCompatible281(static_cast<btTypedConstraintData*>(record), a, b,
                                                    version);
        }
        return m_allocatedConstraints.size() == before + 1 ? m_allocatedConstraints[before] : nullptr;
    }

    btVector3 m_gravity{0, -10, 0};
};

// The world's solver record, of either precision, as the file holds it.
template <typename WorldRecord>
DescribedSolver SolverFromRecord(const WorldRecord& world)
{
    const auto& r = world.m_solverInfo;
    DescribedSolver d{};
    d.m_tau = float(r.m_tau);
    d.m_damping = float(r.m_damping);
    d.m_friction = float(r.m_friction);
    d.m_timeStep = float(r.m_timeStep);
    d.m_restitution = float(r.m_restitution);
    d.m_maxErrorReduction = float(r.m_maxErrorReduction);
    d.m_sor = float(r.m_sor);
    d.m_erp = float(r.m_erp);
    d.m_erp2 = float(r.m_erp2);
    d.m_globalCfm = float(r.m_globalCfm);
    d.m_splitImpulsePenetrationThreshold = float(r.m_splitImpulsePenetrationThreshold);
    d.m_splitImpulseTurnErp = float(r.m_splitImpulseTurnErp);
    d.m_linearSlop = float(r.m_linearSlop);
    d.m_warmstartingFactor = float(r.m_warmstartingFactor);
    d.m_maxGyroscopicForce = float(r.m_maxGyroscopicForce);
    d.m_singleAxisRollingFrictionThreshold = float(r.m_singleAxisRollingFrictionThreshold);
    d.m_numIterations = r.m_numIterations;
    d.m_solverMode = r.m_solverMode;
    d.m_restingContactRestitutionThreshold = r.m_restingContactRestitutionThreshold;
    d.m_minimumSolverBatchSize = r.m_minimumSolverBatchSize;
    d.m_splitImpulse = r.m_splitImpulse;
    return d;
}

// Counts of what was left out, worded for the user ("1 soft body").
class SkipNotes {
public:
    void Add(const std::string& one, const std::string& many, int count = 1)
    {
        auto& [plural, total] = m_counts[one];
        plural = many;
        total += count;
    }
    std::vector<std::string> Words() const
    {
        std::vector<std::string> words;
        for (const auto& [one, entry] : m_counts) {
            const auto& [many, count] = entry;
            if (count > 0 && words.size() < static_cast<size_t>(kMaxSkippedNotes)) {
                words.push_back(std::to_string(count) + " " + (count == 1 ? one : many));
            }
        }
        return words;
    }

private:
    std::map<std::string, std::pair<std::string, int>> m_counts;
};

DescribedTransform Describe(const btTransform& t)
{
    DescribedTransform d;
    d.origin = t.getOrigin();
    d.rotation = t.getRotation();
    return d;
}

// Describes the file's shape records. Sharing follows the file: a record met
// again, as another body's shape or a compound's part, keeps its first index.
// The primitives and compounds are read from their records, because the
// importer rebuilds scaled boxes with the wrong size; hulls, multi-spheres and
// meshes, whose records hold arrays, go through the importer.
class ShapeDescriber {
public:
    ShapeDescriber(DescribingImporter& importer, const bParse::btBulletFile& file,
                   WorldDescription& description)
        : m_importer(importer), m_description(description)
    {
        for (int i = 0; i < file.m_collisionShapes.size(); ++i) m_records.emplace(file.m_collisionShapes[i], i);
    }

    // The record's index in the description, or -1 for a shape Kinetta
    // cannot simulate. Parts of a compound come before the compound.
    int Index(btCollisionShapeData* record, int depth = 0)
    {
        if (record == nullptr || depth >= kMaxCompoundDepth) return -1;
        if (auto known = m_indices.find(record); known != m_indices.end()) return known->second;
        DescribedShape d;
        bool supported = Fill(record, depth, &d);
        if (auto found = m_records.find(record); found != m_records.end()) d.record = found->second;
        if (supported && record->m_name != nullptr) {
            d.name.assign(record->m_name, strnlen(record->m_name, kMaxShapeNameLength));
        }
        int index = -1;
        if (supported) {
            m_description.shapes.push_back(std::move(d));
            index = static_cast<int>(m_description.shapes.size()) - 1;
        }
        m_indices[record] = index;
        return index;
    }

private:
    static btVector3 Vector(const btVector3FloatData& v)
    {
        return btVector3(v.m_floats[0], v.m_floats[1], v.m_floats[2]);
    }

    bool Fill(btCollisionShapeData* record, int depth, DescribedShape* d)
    {
        const int type = record->m_shapeType;
        switch (type) {
        case BOX_SHAPE_PROXYTYPE:
        case CYLINDER_SHAPE_PROXYTYPE:
        case SPHERE_SHAPE_PROXYTYPE:
        case CAPSULE_SHAPE_PROXYTYPE:
        case CONE_SHAPE_PROXYTYPE:
            FillPrimitive(type, record, d);
            return true;
        case STATIC_PLANE_PROXYTYPE: {
            const auto* plane = reinterpret_cast<const btStaticPlaneShapeData*>(record);
            d->type = DescribedShapeType::StaticPlane;
            d->localScaling = Vector(plane->m_localScaling);
            d->extents = Vector(plane->m_planeNormal);
            d->planeConstant = plane->m_planeConstant;
            return true;
        }
        case COMPOUND_SHAPE_PROXYTYPE: {
            const auto* compound = reinterpret_cast<const btCompoundShapeData*>(record);
            d->type = DescribedShapeType::Compound;
            d->margin = compound->m_collisionMargin;
            if (compound->m_numChildShapes < 0 || compound->m_numChildShapes > kMaxCompoundChildren ||
                (compound->m_numChildShapes > 0 && compound->m_childShapePtr == nullptr)) {
                return false;
            }
            for (int i = 0; i < compound->m_numChildShapes; ++i) {
                const btCompoundShapeChildData& child = compound->m_childShapePtr[i];
                int index = Index(child.m_childShape, depth + 1);
                if (index < 0) return false;
                btTransform transform;
                transform.deSerializeFloat(child.m_transform);
                d->children.push_back({index, Describe(transform)});
            }
            return true;
        }
        case CONVEX_HULL_SHAPE_PROXYTYPE:
        case MULTI_SPHERE_SHAPE_PROXYTYPE:
        case TRIANGLE_MESH_SHAPE_PROXYTYPE: {
            btCollisionShape* shape = m_importer.ShapeMadeFrom(record);
            if (shape == nullptr || shape->getShapeType() != type) return false;
            FillFromImported(*shape, d);
            d->margin = shape->getMargin();
            return type != TRIANGLE_MESH_SHAPE_PROXYTYPE ||
                   FillMesh(*static_cast<btBvhTriangleMeshShape*>(shape)->getMeshInterface(), d);
        }
        default:
            return false;
        }
    }

    // Bullet keeps a primitive's dimensions after scaling, and for boxes and
    // cylinders without the margin; the description wants them as built.
    static void FillPrimitive(int type, btCollisionShapeData* record, DescribedShape* d)
    {
        const auto* convex = reinterpret_cast<const btConvexInternalShapeData*>(record);
        // Capsules, cylinders and cones share this layout after the common part.
        const int up = reinterpret_cast<const btCylinderShapeData*>(record)->m_upAxis;
        const btVector3 scaling = Vector(convex->m_localScaling);
        const btVector3 implicit = Vector(convex->m_implicitShapeDimensions);
        const btScalar margin = convex->m_collisionMargin;
        d->localScaling = scaling;
        d->margin = margin;
        d->upAxis = up >= 0 && up <= 2 ? up : 1;
        switch (type) {
        case BOX_SHAPE_PROXYTYPE:
            d->type = DescribedShapeType::Box;
            d->extents = (implicit + btVector3(margin, margin, margin)) / scaling;
            break;
        case CYLINDER_SHAPE_PROXYTYPE:
            d->type = DescribedShapeType::Cylinder;
            d->extents = (implicit + btVector3(margin, margin, margin)) / scaling;
            break;
        case SPHERE_SHAPE_PROXYTYPE:
            d->type = DescribedShapeType::Sphere;
            d->extents.setValue(implicit.x(), 0, 0);
            break;
        case CAPSULE_SHAPE_PROXYTYPE: {
            int radiusAxis = (d->upAxis + 2) % 3;
            d->type = DescribedShapeType::Capsule;
            d->extents.setValue(implicit[radiusAxis] / scaling[radiusAxis],
                                implicit[d->upAxis] / scaling[d->upAxis], 0);
            break;
        }
        case CONE_SHAPE_PROXYTYPE:
            // A cone keeps its unscaled radius and height.
            d->type = DescribedShapeType::Cone;
            d->extents.setValue(implicit[(d->upAxis + 1) % 3], implicit[d->upAxis], 0);
            break;
        }
    }

    static void FillFromImported(const btCollisionShape& shape, DescribedShape* d)
    {
        d->localScaling = shape.getLocalScaling();
        if (shape.getShapeType() == CONVEX_HULL_SHAPE_PROXYTYPE) {
            const auto& hull = static_cast<const btConvexHullShape&>(shape);
            d->type = DescribedShapeType::ConvexHull;
            d->points.assign(hull.getUnscaledPoints(), hull.getUnscaledPoints() + hull.getNumPoints());
        } else if (shape.getShapeType() == MULTI_SPHERE_SHAPE_PROXYTYPE) {
            const auto& spheres = static_cast<const btMultiSphereShape&>(shape);
            d->type = DescribedShapeType::MultiSphere;
            for (int i = 0; i < spheres.getSphereCount(); ++i) {
                d->points.push_back(spheres.getSpherePosition(i));
                d->radii.push_back(spheres.getSphereRadius(i));
            }
        } else {
            d->type = DescribedShapeType::TriangleMesh;
        }
    }

    static bool FillMesh(const btStridingMeshInterface& mesh, DescribedShape* d)
    {
        for (int part = 0; part < mesh.getNumSubParts(); ++part) {
            const unsigned char* vertices = nullptr;
            const unsigned char* indices = nullptr;
            int vertexCount = 0, vertexStride = 0, indexStride = 0, faces = 0;
            PHY_ScalarType vertexType, indexType;
            mesh.getLockedReadOnlyVertexIndexBase(&vertices, vertexCount, vertexType, vertexStride,
                                                  &indices, indexStride, faces, indexType, part);
            int first = static_cast<int>(d->points.size());
            bool known = (vertexType == PHY_FLOAT || vertexType == PHY_DOUBLE) &&
                         (indexType == PHY_INTEGER || indexType == PHY_SHORT || indexType == PHY_UCHAR);
            for (int v = 0; known && v < vertexCount; ++v) {
                const unsigned char* at = vertices + static_cast<size_t>(v) * vertexStride;
                double xyz[3];
                for (int k = 0; k < 3; ++k) {
                    if (vertexType == PHY_FLOAT) {
                        float f;
                        std::memcpy(&f, at + k * sizeof(float), sizeof f);
                        xyz[k] = f;
                    } else {
                        std::memcpy(&xyz[k], at + k * sizeof(double), sizeof(double));
                    }
                }
                d->points.emplace_back(btScalar(xyz[0]), btScalar(xyz[1]), btScalar(xyz[2]));
            }
            for (int f = 0; known && f < faces; ++f) {
                const unsigned char* at = indices + static_cast<size_t>(f) * indexStride;
                for (int k = 0; k < 3; ++k) {
                    int index = 0;
                    if (indexType == PHY_INTEGER) {
                        std::memcpy(&index, at + k * sizeof(int), sizeof(int));
                    } else if (indexType == PHY_SHORT) {
                        unsigned short s;
                        std::memcpy(&s, at + k * sizeof s, sizeof s);
                        index = s;
                    } else {
                        index = at[k];
                    }
                    d->triangles.push_back(first + index);
                }
            }
            mesh.unLockReadOnlyVertexBase(part);
            if (!known) return false;
        }
        return true;
    }

private:
    DescribingImporter& m_importer;
    WorldDescription& m_description;
    std::unordered_map<const btCollisionShapeData*, int> m_indices;
    // Each shape record's place in the file.
    std::unordered_map<const void*, int> m_records;
};

// The fields the importer does not copy onto its bodies, from the raw record
// of either precision.
template <typename RawBody>
void FillFromRecord(const RawBody& raw, DescribedBody* body)
{
    const auto& object = raw.m_collisionObjectData;
    body->linearVelocity.setValue(btScalar(raw.m_linearVelocity.m_floats[0]),
                                  btScalar(raw.m_linearVelocity.m_floats[1]),
                                  btScalar(raw.m_linearVelocity.m_floats[2]));
    body->angularVelocity.setValue(btScalar(raw.m_angularVelocity.m_floats[0]),
                                   btScalar(raw.m_angularVelocity.m_floats[1]),
                                   btScalar(raw.m_angularVelocity.m_floats[2]));
    body->linearDamping = btScalar(raw.m_linearDamping);
    body->angularDamping = btScalar(raw.m_angularDamping);
    body->rollingFriction = btScalar(object.m_rollingFriction);
    body->activationState = object.m_activationState1;
    body->ccdMotionThreshold = btScalar(object.m_ccdMotionThreshold);
    body->ccdSweptSphereRadius = btScalar(object.m_ccdSweptSphereRadius);
    if (object.m_name != nullptr) body->name.assign(object.m_name, strnlen(object.m_name, kMaxBodyNameLength));
}

template <typename RawConstraint>
bool DisablesCollisions(const void* record)
{
    return static_cast<const RawConstraint*>(record)->m_disableCollisionsBetweenLinkedBodies != 0;
}

// Non-const: several of Bullet's getters are.
// Both generations of Bullet's six-degree constraint keep frames and limits
// under the same names, without a common base that has them (the newer one's
// limit getters are not const).
template <typename SixDof>
void DescribeSixDofFramesAndLimits(SixDof& d6, DescribedConstraint* d)
{
    d->frameA = Describe(d6.getFrameOffsetA());
    d->frameB = Describe(d6.getFrameOffsetB());
    d6.getLinearLowerLimit(d->linearLower);
    d6.getLinearUpperLimit(d->linearUpper);
    d6.getAngularLowerLimit(d->angularLower);
    d6.getAngularUpperLimit(d->angularUpper);
}

// Describes the constraint Bullet built, whose type may differ from its
// record's (a fixed record becomes a second-generation six-degree spring).
bool FillConstraint(btTypedConstraint& c, DescribedConstraint* d)
{
    d->enabled = c.isEnabled();
    // As the file has it: the largest float, or (from a double file, or a
    // writer that used one) an infinity.
    d->breakingImpulseThreshold = c.getBreakingImpulseThreshold();
    d->solverIterations = c.getOverrideNumSolverIterations();
    switch (c.getConstraintType()) {
    case POINT2POINT_CONSTRAINT_TYPE: {
        const auto& p2p = static_cast<const btPoint2PointConstraint&>(c);
        d->type = DescribedConstraintType::PointToPoint;
        d->frameA.origin = p2p.getPivotInA();
        d->frameB.origin = p2p.getPivotInB();
        return true;
    }
    case HINGE_CONSTRAINT_TYPE: {
        auto& hinge = static_cast<btHingeConstraint&>(c);
        d->type = DescribedConstraintType::Hinge;
        d->frameA = Describe(hinge.getAFrame());
        d->frameB = Describe(hinge.getBFrame());
        d->angularLower.setX(hinge.getLowerLimit());
        d->angularUpper.setX(hinge.getUpperLimit());
        d->useReferenceFrameA = hinge.getUseReferenceFrameA();
        d->angularOnly = hinge.getAngularOnly();
        d->limitSoftness = hinge.getLimitSoftness();
        d->limitBias = hinge.getLimitBiasFactor();
        d->limitRelaxation = hinge.getLimitRelaxationFactor();
        d->axes[3].motor = hinge.getEnableAngularMotor();
        d->axes[3].targetVelocity = hinge.getMotorTargetVelocity();
        d->axes[3].maxMotorForce = hinge.getMaxMotorImpulse();
        return true;
    }
    case CONETWIST_CONSTRAINT_TYPE: {
        const auto& cone = static_cast<const btConeTwistConstraint&>(c);
        d->type = DescribedConstraintType::ConeTwist;
        d->frameA = Describe(cone.getAFrame());
        d->frameB = Describe(cone.getBFrame());
        d->angularUpper.setValue(cone.getSwingSpan1(), cone.getSwingSpan2(), cone.getTwistSpan());
        d->limitSoftness = cone.getLimitSoftness();
        d->limitBias = cone.getBiasFactor();
        d->limitRelaxation = cone.getRelaxationFactor();
        d->damping = cone.getDamping();
        return true;
    }
    case D6_CONSTRAINT_TYPE:
    case D6_SPRING_CONSTRAINT_TYPE: {
        auto& d6 = static_cast<btGeneric6DofConstraint&>(c);
        DescribeSixDofFramesAndLimits(d6, d);
        d->useReferenceFrameA = d6.getUseLinearReferenceFrameA();
        d->useFrameOffset = d6.getUseFrameOffset();
        d->type = DescribedConstraintType::Generic6Dof;
        if (c.getConstraintType() == D6_SPRING_CONSTRAINT_TYPE) {
            const auto& spring = static_cast<const btGeneric6DofSpringConstraint&>(c);
            d->type = DescribedConstraintType::Generic6DofSpring;
            for (int i = 0; i < 6; ++i) {
                d->axes[i].spring = spring.isSpringEnabled(i);
                d->axes[i].stiffness = spring.getStiffness(i);
                d->axes[i].damping = spring.getDamping(i);
                d->axes[i].equilibrium = spring.getEquilibriumPoint(i);
            }
        }
        return true;
    }
    case D6_SPRING_2_CONSTRAINT_TYPE:
    case FIXED_CONSTRAINT_TYPE: {
        auto& d6 = static_cast<btGeneric6DofSpring2Constraint&>(c);
        d->type = c.getConstraintType() == FIXED_CONSTRAINT_TYPE
                      ? DescribedConstraintType::Fixed
                      : DescribedConstraintType::Generic6DofSpring2;
        DescribeSixDofFramesAndLimits(d6, d);
        d->rotateOrder = d6.getRotationOrder();
        for (int i = 0; i < 6; ++i) d->axes[i] = DescribeSpring2Axis(d6, i);
        return true;
    }
    case SLIDER_CONSTRAINT_TYPE: {
        auto& slider = static_cast<btSliderConstraint&>(c);
        d->type = DescribedConstraintType::Slider;
        d->frameA = Describe(slider.getFrameOffsetA());
        d->frameB = Describe(slider.getFrameOffsetB());
        d->linearLower.setX(slider.getLowerLinLimit());
        d->linearUpper.setX(slider.getUpperLinLimit());
        d->angularLower.setX(slider.getLowerAngLimit());
        d->angularUpper.setX(slider.getUpperAngLimit());
        d->useReferenceFrameA = slider.getUseLinearReferenceFrameA();
        d->useFrameOffset = slider.getUseFrameOffset();
        return true;
    }
    case GEAR_CONSTRAINT_TYPE: {
        const auto& gear = static_cast<const btGearConstraint&>(c);
        d->type = DescribedConstraintType::Gear;
        d->frameA.origin = gear.getAxisA();
        d->frameB.origin = gear.getAxisB();
        d->ratio = gear.getRatio();
        return true;
    }
    default:
        return false;
    }
}

// Bullet's importer leaves the motors (and servos) of a second-generation
// six-degree spring constraint off, although its record holds them: every
// axis's spring and motor is read from the record of either precision.
template <typename Record>
void FillSpring2AxesFromRecord(const Record& r, DescribedConstraint* d)
{
    for (int i = 0; i < 6; ++i) {
        const bool linear = i < 3;
        const int k = i % 3;
        auto pick = [&](const auto& lin, const auto& ang) { return float(linear ? lin.m_floats[k] : ang.m_floats[k]); };
        auto flag = [&](const char* lin, const char* ang) { return (linear ? lin[k] : ang[k]) != 0; };
        DescribedAxis& a = d->axes[i];
        a.motor = flag(r.m_linearEnableMotor, r.m_angularEnableMotor);
        a.targetVelocity = pick(r.m_linearTargetVelocity, r.m_angularTargetVelocity);
        a.maxMotorForce = pick(r.m_linearMaxMotorForce, r.m_angularMaxMotorForce);
        a.servo = flag(r.m_linearServoMotor, r.m_angularServoMotor);
        a.servoTarget = pick(r.m_linearServoTarget, r.m_angularServoTarget);
        a.spring = flag(r.m_linearEnableSpring, r.m_angularEnableSpring);
        a.stiffness = pick(r.m_linearSpringStiffness, r.m_angularSpringStiffness);
        a.damping = pick(r.m_linearSpringDamping, r.m_angularSpringDamping);
        a.equilibrium = pick(r.m_linearEquilibriumPoint, r.m_angularEquilibriumPoint);
        a.stiffnessLimited = flag(r.m_linearSpringStiffnessLimited, r.m_angularSpringStiffnessLimited);
        a.dampingLimited = flag(r.m_linearSpringDampingLimited, r.m_angularSpringDampingLimited);
        a.bounce = pick(r.m_linearBounce, r.m_angularBounce);
        a.stopErp = pick(r.m_linearStopERP, r.m_angularStopERP);
        a.stopCfm = pick(r.m_linearStopCFM, r.m_angularStopCFM);
        a.motorErp = pick(r.m_linearMotorERP, r.m_angularMotorERP);
        a.motorCfm = pick(r.m_linearMotorCFM, r.m_angularMotorCFM);
    }
}

// The leading fields every constraint record shares, whatever its precision.
struct ConstraintRecordHead {
    void* rbA;
    void* rbB;
    char* name;
    int objectType;
};

template <typename Record>
btVector3 RecordVector(const Record& v)
{
    return btVector3(btScalar(v.m_floats[0]), btScalar(v.m_floats[1]), btScalar(v.m_floats[2]));
}

template <typename Record>
btQuaternion RecordQuaternion(const Record& q)
{
    return btQuaternion(btScalar(q.m_floats[0]), btScalar(q.m_floats[1]), btScalar(q.m_floats[2]),
                        btScalar(q.m_floats[3]));
}

// The names the file's type list gives each multibody record, by precision.
template <typename MultiBodyRecord>
struct MultiBodyRecordNames;

template <>
struct MultiBodyRecordNames<btMultiBodyFloatData> {
    static constexpr const char* kMultiBody = "btMultiBodyFloatData";
    static constexpr const char* kLink = "btMultiBodyLinkFloatData";
    static constexpr const char* kCollider = "btMultiBodyLinkColliderFloatData";
    static constexpr const char* kObject = "btCollisionObjectFloatData";
};

template <>
struct MultiBodyRecordNames<btMultiBodyDoubleData> {
    static constexpr const char* kMultiBody = "btMultiBodyDoubleData";
    static constexpr const char* kLink = "btMultiBodyLinkDoubleData";
    static constexpr const char* kCollider = "btMultiBodyLinkColliderDoubleData";
    static constexpr const char* kObject = "btCollisionObjectDoubleData";
};

// Describes the file's multibodies from their records, of either precision:
// Bullet's importer for rigid worlds makes nothing of them. Each link's and
// base's collider is a record of its own that names its multibody and link.
// Every record, list and name is read only as far as the file stored it.
template <typename MultiBodyRecord, typename ColliderRecord>
class MultiBodyDescriber {
public:
    MultiBodyDescriber(const BoundedBulletFile& file, ShapeDescriber& shapes, SkipNotes& skipped)
        : m_file(file), m_shapes(shapes), m_skipped(skipped)
    {
    }

    // False, with the message for the user, for a file too damaged to read.
    bool Describe(WorldDescription& description, std::string* error)
    {
        std::unordered_map<const void*, int> indices;
        for (int i = 0; i < m_file.m_multiBodies.size(); ++i) indices.emplace(m_file.m_multiBodies[i], i);
        std::unordered_set<const void*> shapeRecords;
        for (int i = 0; i < m_file.m_collisionShapes.size(); ++i) shapeRecords.insert(m_file.m_collisionShapes[i]);
        // Each multibody's colliders, by the link they name.
        std::vector<std::vector<std::pair<int, const ObjectRecord*>>> colliders(indices.size());
        for (int i = 0; i < m_file.m_multiBodyLinkColliders.size(); ++i) {
            const void* block = m_file.m_multiBodyLinkColliders[i];
            const std::string subject = "link collider " + std::to_string(i + 1);
            if (m_file.StoredRecords(block, Names::kCollider, sizeof(ColliderRecord)) < 1) {
                *error = "the file is damaged: " + subject + " is not a whole collider record";
                return false;
            }
            const auto* collider = static_cast<const ColliderRecord*>(block);
            const void* shape = collider->m_colObjData.m_collisionShape;
            if (shape != nullptr && shapeRecords.count(shape) == 0) {
                *error = "the file is damaged: " + subject + " names a shape the file does not hold";
                return false;
            }
            auto owner = indices.find(collider->m_multiBody);
            if (owner == indices.end()) {
                m_skipped.Add("collision object that is not a rigid body",
                              "collision objects that are not rigid bodies");
                continue;
            }
            colliders[owner->second].emplace_back(collider->m_link, &collider->m_colObjData);
        }
        for (int i = 0; i < m_file.m_multiBodies.size(); ++i) {
            const void* block = m_file.m_multiBodies[i];
            if (m_file.StoredRecords(block, Names::kMultiBody, sizeof(MultiBodyRecord)) < 1) {
                *error = "the file is damaged: multibody " + std::to_string(i + 1) +
                         " is not a whole multibody record";
                return false;
            }
            if (std::optional<std::string> damage =
                    Damage(*static_cast<const MultiBodyRecord*>(block),
                           "multibody " + std::to_string(i + 1))) {
                *error = "the file is damaged: " + *damage;
                return false;
            }
        }
        AttachPlainColliders(shapeRecords, colliders);
        for (int i = 0; i < m_file.m_multiBodies.size(); ++i) {
            const auto& record = *static_cast<const MultiBodyRecord*>(
                static_cast<const void*>(m_file.m_multiBodies[i]));
            DescribedMultiBody d;
            d.record = i;
            if (!Fill(record, colliders[i], &d)) {
                m_skipped.Add("multibody Kinetta cannot simulate", "multibodies Kinetta cannot simulate");
                continue;
            }
            description.multiBodies.push_back(std::move(d));
        }
        return true;
    }

    // Plain collision objects of the file that became some link's collider.
    int AttachedObjects() const { return m_attached; }

private:
    using LinkRecord = std::remove_pointer_t<decltype(MultiBodyRecord::m_links)>;
    using ObjectRecord = decltype(ColliderRecord::m_colObjData);
    using Names = MultiBodyRecordNames<MultiBodyRecord>;
    using Colliders = std::vector<std::vector<std::pair<int, const ObjectRecord*>>>;

    // Some writers store a link's collider as a plain collision object named
    // after its link (or the base). Each one whose name belongs to exactly
    // one part without a collider of its own becomes that part's collider.
    void AttachPlainColliders(const std::unordered_set<const void*>& shapeRecords,
                              Colliders& colliders)
    {
        std::map<std::string, std::vector<std::pair<int, int>>> parts;  // name: multibody, link
        for (int m = 0; m < m_file.m_multiBodies.size(); ++m) {
            const auto& record = *static_cast<const MultiBodyRecord*>(
                static_cast<const void*>(m_file.m_multiBodies[m]));
            std::vector<bool> taken(size_t(record.m_numLinks) + 1, false);
            for (const auto& [link, object] : colliders[size_t(m)])
                if (link >= -1 && link < record.m_numLinks)
                    taken[size_t(link + 1)] = true;
            for (int link = -1; link < record.m_numLinks; ++link) {
                const std::string name =
                    Name(link < 0 ? record.m_baseName : record.m_links[link].m_linkName)
                        .value_or("");
                if (!name.empty())
                    parts[name].emplace_back(taken[size_t(link + 1)] ? -1 : m, link);
            }
        }
        std::map<std::pair<int, int>, int> claims;
        std::vector<std::pair<std::pair<int, int>, const ObjectRecord*>> found;
        for (int i = 0; i < m_file.m_collisionObjects.size(); ++i) {
            const void* block = m_file.m_collisionObjects[i];
            if (m_file.StoredRecords(block, Names::kObject, sizeof(ObjectRecord)) < 1)
                continue;
            const auto* object = static_cast<const ObjectRecord*>(block);
            if (object->m_collisionShape == nullptr ||
                shapeRecords.count(object->m_collisionShape) == 0)
                continue;
            const auto named = parts.find(Name(object->m_name).value_or(""));
            if (named == parts.end() || named->second.size() != 1 || named->second[0].first < 0)
                continue;
            ++claims[named->second[0]];
            found.emplace_back(named->second[0], object);
        }
        for (const auto& [part, object] : found) {
            if (claims[part] != 1)
                continue;
            colliders[size_t(part.first)].emplace_back(part.second, object);
            ++m_attached;
        }
    }

    // What makes a multibody's record unreadable: a list of links the file
    // does not hold whole, or a name without its end.
    std::optional<std::string> Damage(const MultiBodyRecord& record, const std::string& subject) const
    {
        const int count = record.m_numLinks;
        if (count < 0 || (count > 0 && record.m_links == nullptr)) return subject + " has no list of its links";
        if (count > kMaxMultiBodyLinks) {
            return subject + " has " + std::to_string(count) + " links, more than the " +
                   std::to_string(kMaxMultiBodyLinks) + " Kinetta can hold";
        }
        if (count > 0) {
            const int held = m_file.StoredRecords(record.m_links, Names::kLink, sizeof(LinkRecord));
            if (held < 0) return subject + " has no list of its links";
            if (held < count) {
                return subject + ": its record says " + std::to_string(count) + " links but holds " +
                       std::to_string(held);
            }
        }
        if (!Name(record.m_baseName)) return subject + ": its name is missing or has no end";
        for (int i = 0; i < count; ++i) {
            if (!Name(record.m_links[i].m_linkName)) {
                return subject + ", link " + std::to_string(i + 1) + ": its name is missing or has no end";
            }
        }
        return std::nullopt;
    }

    // A record's name, or nothing when the file does not hold it whole.
    std::optional<std::string> Name(const char* text) const
    {
        if (text == nullptr) return std::string();
        const std::optional<size_t> length = m_file.TextLength(text);
        if (!length) return std::nullopt;
        return std::string(text, std::min(*length, static_cast<size_t>(kMaxBodyNameLength)));
    }

    bool Fill(const MultiBodyRecord& record,
              const std::vector<std::pair<int, const ObjectRecord*>>& colliders,
              DescribedMultiBody* d)
    {
        d->baseMass = btScalar(record.m_baseMass);
        d->fixedBase = record.m_baseMass == 0;
        d->baseInertia = RecordVector(record.m_baseInertia);
        d->baseTransform.origin = RecordVector(record.m_baseWorldPosition);
        d->baseTransform.rotation = RecordQuaternion(record.m_baseWorldOrientation);
        d->baseLinearVelocity = RecordVector(record.m_baseLinearVelocity);
        d->baseAngularVelocity = RecordVector(record.m_baseAngularVelocity);
        d->name = Name(record.m_baseName).value_or(std::string());
        for (int i = 0; i < record.m_numLinks; ++i) {
            DescribedLink& link = d->links.emplace_back();
            if (!FillLink(record.m_links[i], &link)) return false;
            link.name = Name(record.m_links[i].m_linkName).value_or(std::string());
        }
        // Every collider names a part of this multibody, and no part has two.
        std::vector<bool> taken(d->links.size() + 1, false);
        for (const auto& [link, collider] : colliders) {
            if (link < -1 || link >= record.m_numLinks || taken[link + 1]) return false;
            taken[link + 1] = true;
            DescribedCollider& c = link < 0 ? d->baseCollider : d->links[link].collider;
            const ObjectRecord& object = *collider;
            c.shape = m_shapes.Index(static_cast<btCollisionShapeData*>(object.m_collisionShape));
            if (c.shape < 0) return false;
            c.friction = btScalar(object.m_friction);
            c.rollingFriction = btScalar(object.m_rollingFriction);
            c.restitution = btScalar(object.m_restitution);
        }
        return true;
    }

    // Bullet keeps a revolute joint's axis in the top (angular) half of its
    // spatial axis and a prismatic joint's in the bottom (linear) half.
    static bool FillLink(const LinkRecord& r, DescribedLink* link)
    {
        link->parent = r.m_parentIndex;
        link->mass = btScalar(r.m_linkMass);
        link->inertia = RecordVector(r.m_linkInertia);
        link->rotationParentToThis = RecordQuaternion(r.m_zeroRotParentToThis);
        link->parentComToPivot = RecordVector(r.m_parentComToThisPivotOffset);
        link->pivotToThisCom = RecordVector(r.m_thisPivotToThisComOffset);
        link->damping = btScalar(r.m_jointDamping);
        link->friction = btScalar(r.m_jointFriction);
        link->lowerLimit = btScalar(r.m_jointLowerLimit);
        link->upperLimit = btScalar(r.m_jointUpperLimit);
        link->maxForce = btScalar(r.m_jointMaxForce);
        link->maxVelocity = btScalar(r.m_jointMaxVelocity);
        switch (r.m_jointType) {
        case btMultibodyLink::eRevolute:
            link->joint = DescribedJointType::Revolute;
            link->axis = RecordVector(r.m_jointAxisTop[0]);
            break;
        case btMultibodyLink::ePrismatic:
            link->joint = DescribedJointType::Prismatic;
            link->axis = RecordVector(r.m_jointAxisBottom[0]);
            break;
        case btMultibodyLink::eSpherical:
            link->joint = DescribedJointType::Spherical;
            for (int k = 0; k < 4; ++k) link->positions[k] = btScalar(r.m_jointPos[k]);
            for (int k = 0; k < 3; ++k) link->velocities[k] = btScalar(r.m_jointVel[k]);
            return true;
        case btMultibodyLink::eFixed:
            link->joint = DescribedJointType::Fixed;
            return true;
        default:  // planar, or a type Bullet does not know
            return false;
        }
        link->positions[0] = btScalar(r.m_jointPos[0]);
        link->velocities[0] = btScalar(r.m_jointVel[0]);
        return true;
    }

    const BoundedBulletFile& m_file;
    ShapeDescriber& m_shapes;
    SkipNotes& m_skipped;
    int m_attached = 0;
};

}  // namespace

std::optional<WorldDescription> DescribeBulletFile(std::vector<char>& contents, std::string* error)
{
    if (contents.size() < 12 || std::memcmp(contents.data(), "BULLET", 6) != 0) {
        *error = "this is not a Bullet file";
        return std::nullopt;
    }
    if (contents.size() > static_cast<size_t>(std::numeric_limits<int>::max())) {
        *error = "the file is too large";
        return std::nullopt;
    }
    if (std::optional<std::string> damage = FindLayoutDamage(contents.data(), contents.size())) {
        *error = "the file is damaged: " + *damage;
        return std::nullopt;
    }
    BoundedBulletFile file(contents.data(), static_cast<int>(contents.size()));
    if (!(file.getFlags() & bParse::FD_OK)) {
        *error = "the file is damaged: its header is not that of a Bullet file";
        return std::nullopt;
    }
    file.parse(0);
    if (!(file.getFlags() & bParse::FD_OK)) {
        *error = "the file is damaged: Bullet could not read it";
        return std::nullopt;
    }
    SkipNotes skipped;
    // Constraints are made below, one record at a time, so that each is
    // known by the record it came from.
    btAlignedObjectArray<bParse::bStructHandle*> constraintRecords = file.m_constraints;
    file.m_constraints.clear();
    DescribingImporter importer;
    if (!importer.convertAllObjects(&file)) {
        *error = "the file is damaged: Bullet could not read it";
        return std::nullopt;
    }
    const bool doubleRecords = (file.getFlags() & bParse::FD_DOUBLE_PRECISION) != 0;

    WorldDescription description;
    description.gravity = importer.m_gravity;
    if (file.m_dynamicsWorldInfo.size() > 0) {
        const void* world = file.m_dynamicsWorldInfo[0];
        description.solver =
            doubleRecords ? SolverFromRecord(*static_cast<const btDynamicsWorldDoubleData*>(world))
                          : SolverFromRecord(*static_cast<const btDynamicsWorldFloatData*>(world));
    }
    skipped.Add("soft body", "soft bodies", file.m_softBodies.size());

    ShapeDescriber shapes(importer, file, description);
    std::unordered_set<const void*> bodyRecords;
    std::unordered_set<const void*> describedBodyRecords;
    std::unordered_map<const btRigidBody*, int> bodyIndices;
    for (int i = 0; i < file.m_rigidBodies.size(); ++i) {
        const void* record = file.m_rigidBodies[i];
        bodyRecords.insert(record);
        btRigidBody* made = importer.BodyMadeFrom(record);
        const auto* object = static_cast<const btCollisionObjectFloatData*>(record);
        // Both precisions start with the same pointers.
        auto* shapeRecord = static_cast<btCollisionShapeData*>(object->m_collisionShape);
        int shape = made ? shapes.Index(shapeRecord) : -1;
        if (shape < 0) {
            skipped.Add("body of a shape Kinetta cannot simulate",
                        "bodies of shapes Kinetta cannot simulate");
            continue;
        }
        DescribedBody body;
        body.record = i;
        body.shape = shape;
        body.mass = made->getMass();
        body.transform = Describe(made->getWorldTransform());
        body.friction = made->getFriction();
        body.restitution = made->getRestitution();
        if (doubleRecords) {
            FillFromRecord(*static_cast<const btRigidBodyDoubleData*>(record), &body);
        } else {
            FillFromRecord(*static_cast<const btRigidBodyFloatData*>(record), &body);
        }
        bodyIndices[made] = static_cast<int>(description.bodies.size());
        describedBodyRecords.insert(record);
        description.bodies.push_back(body);
    }

    for (int i = 0; i < constraintRecords.size(); ++i) {
        void* record = constraintRecords[i];
        ConstraintRecordHead head;
        std::memcpy(&head, record, sizeof head);
        // A body of the file that was left out must not turn into the world.
        auto lost = [&](const void* body) {
            return bodyRecords.count(body) && !describedBodyRecords.count(body);
        };
        const bool lostBody = lost(head.rbA) || lost(head.rbB);
        btTypedConstraint* constraint =
            lostBody
                ? nullptr
                : importer.ConstraintMadeFrom(file, record, head.rbA, head.rbB, head.objectType);
        if (constraint == nullptr) {
            skipped.Add("constraint Kinetta cannot simulate", "constraints Kinetta cannot simulate");
            continue;
        }
        auto indexOf = [&](const btRigidBody& body) {
            auto found = bodyIndices.find(&body);
            return found == bodyIndices.end() ? -1 : found->second;
        };
        DescribedConstraint d;
        d.record = i;
        d.bodyA = indexOf(constraint->getRigidBodyA());
        d.bodyB = indexOf(constraint->getRigidBodyB());
        if ((d.bodyA < 0 && d.bodyB < 0) || !FillConstraint(*constraint, &d)) {
            skipped.Add("constraint Kinetta cannot simulate", "constraints Kinetta cannot simulate");
            continue;
        }
        const bool currentDouble = doubleRecords && file.getVersion() >= 282;
        d.disableCollisionsBetweenBodies = currentDouble
                                               ? DisablesCollisions<btTypedConstraintDoubleData>(record)
                                               : DisablesCollisions<btTypedConstraintFloatData>(record);
        d.debugDrawSize =
            currentDouble
                ? float(static_cast<const btTypedConstraintDoubleData*>(record)->m_dbgDrawSize)
                : static_cast<const btTypedConstraintFloatData*>(record)->m_dbgDrawSize;
        if (head.objectType == D6_SPRING_2_CONSTRAINT_TYPE &&
            d.type == DescribedConstraintType::Generic6DofSpring2) {
            if (currentDouble) {
                FillSpring2AxesFromRecord(*static_cast<const btGeneric6DofSpring2ConstraintDoubleData2*>(record), &d);
            } else if (!doubleRecords) {
                FillSpring2AxesFromRecord(*static_cast<const btGeneric6DofSpring2ConstraintData*>(record), &d);
            }
        }
        description.constraints.push_back(d);
    }
    int attached = 0;
    auto describeMultiBodies = [&](auto&& describer) {
        const bool described = describer.Describe(description, error);
        attached = describer.AttachedObjects();
        return described;
    };
    const bool described =
        doubleRecords
            ? describeMultiBodies(
                  MultiBodyDescriber<btMultiBodyDoubleData, btMultiBodyLinkColliderDoubleData>(
                      file, shapes, skipped))
            : describeMultiBodies(
                  MultiBodyDescriber<btMultiBodyFloatData, btMultiBodyLinkColliderFloatData>(
                      file, shapes, skipped));
    if (!described) return std::nullopt;
    skipped.Add("collision object that is not a rigid body",
                "collision objects that are not rigid bodies",
                file.m_collisionObjects.size() - attached);
    description.skipped = skipped.Words();
    return description;
}
