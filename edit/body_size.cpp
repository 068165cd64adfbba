#include "edit/body_size.h"

#include "edit/world_document.h"
#include "physics/body_kind.h"
#include "worlds/world_file_checks.h"

#include <cmath>
#include <cstdio>

namespace {

int UpAxisOf(const btCollisionShape& shape)
{
    switch (shape.getShapeType()) {
        case CYLINDER_SHAPE_PROXYTYPE:
            return static_cast<const btCylinderShape&>(shape).getUpAxis();
        case CAPSULE_SHAPE_PROXYTYPE:
            return static_cast<const btCapsuleShape&>(shape).getUpAxis();
        case CONE_SHAPE_PROXYTYPE:
            return static_cast<const btConeShape&>(shape).getConeUpIndex();
        default:
            return 1;
    }
}

// The body with another shape: its mass kept, its inertia that of the new
// shape, its contacts made anew.
void SetShape(btCollisionWorld& world, btRigidBody& body, btCollisionShape& shape, BodyKind kind)
{
    body.setCollisionShape(&shape);
    SetBodyKind(body, kind);
    const btScalar inverseMass = body.getInvMass();
    btVector3 inertia(0, 0, 0);
    if (inverseMass > 0)
        shape.calculateLocalInertia(1 / inverseMass, inertia);
    body.setMassProps(inverseMass > 0 ? 1 / inverseMass : 0, inertia);
    body.updateInertiaTensor();
    if (btBroadphaseProxy* proxy = body.getBroadphaseHandle()) {
        world.getBroadphase()->getOverlappingPairCache()->cleanProxyFromPairs(
            proxy, world.getDispatcher());
        world.updateSingleAabb(&body);
    }
    if (!body.isStaticObject())
        body.activate(true);
}

class ResizeEdit final : public Edit {
public:
    ResizeEdit(btCollisionWorld& world, btRigidBody& body, btCollisionShape& before,
               BodyKind kindBefore, btCollisionShape& after)
        : m_world(world), m_body(body), m_before(before), m_kindBefore(kindBefore), m_after(after)
    {
    }
    std::string_view Name() const override { return "Size"; }
    void Undo() override { SetShape(m_world, m_body, m_before, m_kindBefore); }
    void Redo() override { SetShape(m_world, m_body, m_after, BodyKind::Other); }

private:
    btCollisionWorld& m_world;
    btRigidBody& m_body;
    // Both kept by the document (or the scene's own) while this edit lives.
    btCollisionShape& m_before;
    BodyKind m_kindBefore;
    btCollisionShape& m_after;
};

}  // namespace

ShapeSize SizeOf(const btCollisionShape& shape)
{
    switch (shape.getShapeType()) {
        case BOX_SHAPE_PROXYTYPE:
            return {3, static_cast<const btBoxShape&>(shape).getHalfExtentsWithMargin(),
                    "half extents x, y, z"};
        case SPHERE_SHAPE_PROXYTYPE:
            return {1, btVector3(static_cast<const btSphereShape&>(shape).getRadius(), 0, 0),
                    "radius"};
        case CYLINDER_SHAPE_PROXYTYPE: {
            const auto& cylinder = static_cast<const btCylinderShape&>(shape);
            const btVector3 half = cylinder.getHalfExtentsWithMargin();
            return {2, btVector3(cylinder.getRadius(), 2 * half[cylinder.getUpAxis()], 0),
                    "radius, height"};
        }
        case CAPSULE_SHAPE_PROXYTYPE: {
            const auto& capsule = static_cast<const btCapsuleShape&>(shape);
            return {2, btVector3(capsule.getRadius(), 2 * capsule.getHalfHeight(), 0),
                    "radius, height between the ends"};
        }
        case CONE_SHAPE_PROXYTYPE: {
            const auto& cone = static_cast<const btConeShape&>(shape);
            return {2, btVector3(cone.getRadius(), cone.getHeight(), 0), "radius, height"};
        }
        default:
            return {};
    }
}

std::unique_ptr<btCollisionShape> MakeShapeOfSize(int shapeType, const btVector3& size, int upAxis)
{
    const btScalar radius = size.x(), height = size.y();
    switch (shapeType) {
        case BOX_SHAPE_PROXYTYPE:
            return std::make_unique<btBoxShape>(size);
        case SPHERE_SHAPE_PROXYTYPE:
            return std::make_unique<btSphereShape>(radius);
        case CYLINDER_SHAPE_PROXYTYPE: {
            btVector3 half(radius, radius, radius);
            half[upAxis] = height / 2;
            if (upAxis == 0)
                return std::make_unique<btCylinderShapeX>(half);
            if (upAxis == 2)
                return std::make_unique<btCylinderShapeZ>(half);
            return std::make_unique<btCylinderShape>(half);
        }
        case CAPSULE_SHAPE_PROXYTYPE:
            if (upAxis == 0)
                return std::make_unique<btCapsuleShapeX>(radius, height);
            if (upAxis == 2)
                return std::make_unique<btCapsuleShapeZ>(radius, height);
            return std::make_unique<btCapsuleShape>(radius, height);
        case CONE_SHAPE_PROXYTYPE:
            if (upAxis == 0)
                return std::make_unique<btConeShapeX>(radius, height);
            if (upAxis == 2)
                return std::make_unique<btConeShapeZ>(radius, height);
            return std::make_unique<btConeShape>(radius, height);
        default:
            return nullptr;
    }
}

std::optional<std::string> CheckSize(const btCollisionShape& shape, const btVector3& size,
                                     int count)
{
    const ShapeSize now = SizeOf(shape);
    if (now.count == 0)
        return std::string("The size of this shape cannot be changed");
    if (count != now.count) {
        char text[96];
        std::snprintf(text, sizeof text, "Type %d number%s: %s", now.count,
                      now.count == 1 ? "" : "s", now.meaning);
        return std::string(text);
    }
    for (int i = 0; i < count; ++i) {
        const float value = size[i];
        if (!std::isfinite(value) || value <= 0 || value > kMaxShapeExtent) {
            char text[96];
            std::snprintf(text, sizeof text, "Each size must be above 0 and at most %g",
                          static_cast<double>(kMaxShapeExtent));
            return std::string(text);
        }
    }
    return std::nullopt;
}

Resized ResizeBody(WorldDocument& document, btRigidBody& body, const btVector3& size, int count)
{
    Resized resized;
    btCollisionShape& before = *body.getCollisionShape();
    resized.refusal = CheckSize(before, size, count);
    if (resized.refusal)
        return resized;
    btCollisionShape& after = *document.KeepShape(
        MakeShapeOfSize(before.getShapeType(), size, UpAxisOf(before)));
    const BodyKind kindBefore = KindOf(body);
    auto edit = std::make_unique<ResizeEdit>(document.World(), body, before, kindBefore, after);
    edit->Redo();
    resized.edit = std::move(edit);
    return resized;
}
