#include "edit/body_insertion.h"

#include "common/kinetta_assert.h"
#include "edit/body_clipboard.h"
#include "edit/body_edits.h"
#include "edit/body_size.h"
#include "edit/world_document.h"
#include "physics/rigid_body.h"
#include "physics/scene_content.h"
#include "physics/throw_aim.h"

#include <array>
#include <cmath>

namespace {

// How far in front of the eye a new body goes, as a paste does.
constexpr float kInsertDistance = 10.0f;
constexpr float kDefaultFriction = 0.5f;  // Bullet's own default

// Light bodies, of the cans' weight: a thrown ball or die still moves them.
const std::array<InsertRecipe, kInsertedBodyCount> kRecipes = {{
    {"Box", BodyKind::Other, BOX_SHAPE_PROXYTYPE, {0.5f, 0.5f, 0.5f}, 2.0f, 0, kDefaultFriction},
    {"Ball", BodyKind::Other, SPHERE_SHAPE_PROXYTYPE, {0.5f, 0, 0}, 1.0f, 0, kDefaultFriction},
    {"Cylinder", BodyKind::Other, CYLINDER_SHAPE_PROXYTYPE, {0.5f, 1.0f, 0}, 1.5f, 0,
     kDefaultFriction},
    {"Capsule", BodyKind::Other, CAPSULE_SHAPE_PROXYTYPE, {0.25f, 1.0f, 0}, 1.0f, 0,
     kDefaultFriction},
    {"Cone", BodyKind::Other, CONE_SHAPE_PROXYTYPE, {0.5f, 1.0f, 0}, 0.5f, 0, kDefaultFriction},
    {"Can", BodyKind::Can, CYLINDER_SHAPE_PROXYTYPE,
     {kCylinderHalfExtents.x(), 2 * kCylinderHalfExtents.y(), 0}, kCylinderMass, 0,
     kDefaultFriction},
    {"Die", BodyKind::Die, BOX_SHAPE_PROXYTYPE, kDiceHalfExtents, kDiceMass, 0,
     kDefaultFriction},
    {"Domino", BodyKind::Domino, BOX_SHAPE_PROXYTYPE, kBoxHalfExtents, 1.0f, 0,
     kDefaultFriction},
    // Long along its own z, rising away from the eye.
    {"Ramp", BodyKind::Other, BOX_SHAPE_PROXYTYPE, {1.0f, 0.1f, 2.0f}, 0.0f, -30.0f,
     kDefaultFriction},
    // Broadside to the eye.
    {"Wall", BodyKind::Other, BOX_SHAPE_PROXYTYPE, {2.0f, 1.0f, 0.1f}, 0.0f, 0,
     kDefaultFriction},
}};

// Turned about the vertical so that its own +z points back at the eye,
// then tilted about its own x.
btQuaternion FacingEye(const btVector3& direction, float tiltDegrees)
{
    const float heading = std::atan2(-direction.x(), -direction.z());
    const btQuaternion face(btVector3(0, 1, 0), heading);
    const btQuaternion tilt(btVector3(1, 0, 0), tiltDegrees * kDegreesToRadians);
    return face * tilt;
}

}  // namespace

const InsertRecipe& RecipeFor(InsertedBody which)
{
    const int index = static_cast<int>(which);
    KINETTA_ASSERT(index >= 0 && index < kInsertedBodyCount, "insert one of InsertedBody's bodies");
    return kRecipes[std::size_t(index)];
}

std::unique_ptr<btCollisionShape> MakeRecipeShape(const InsertRecipe& recipe)
{
    if (recipe.kind != BodyKind::Other)
        return nullptr;
    return MakeShapeOfSize(recipe.shapeType, recipe.size);
}

btRigidBody* InsertBody(WorldDocument& document, InsertedBody which, const btVector3& eye,
                        const btVector3& direction, SimulationState state)
{
    const InsertRecipe& recipe = RecipeFor(which);
    btCollisionShape* shape = recipe.kind != BodyKind::Other
                                  ? document.Shapes().For(recipe.kind)
                                  : document.KeepShape(MakeRecipeShape(recipe));
    KINETTA_ASSERT(shape != nullptr, "give the document the scene's shape of every kind");

    const btTransform turned(FacingEye(direction, recipe.tiltDegrees), btVector3(0, 0, 0));
    btVector3 min, max;
    shape->getAabb(turned, min, max);
    const btVector3 offset =
        ClearPlacement(document.World(), min, max, eye + direction * kInsertDistance);

    btRigidBody* body = CreateRigidBody(shape, recipe.mass, offset, turned.getRotation(),
                                        kCcdMotionThreshold, kCcdSweptSphereRadius);
    body->setFriction(recipe.friction);
    SetBodyKind(*body, recipe.kind);
    if (state != SimulationState::Stopped)
        MarkThrown(*body);
    document.World().addRigidBody(body);
    document.Selection().Select(body);
    document.History().Push(MakeAddEdit(document, {body}, state, recipe.name));
    return body;
}
