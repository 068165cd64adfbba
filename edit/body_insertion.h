#pragma once
// New bodies from the Insert commands: Bullet's own shapes, the scene's own
// kinds and two ready-made static pieces, each of a fixed size and mass
// (listed in the README). A new body goes at rest ten metres in front of the
// eye, raised until it touches nothing, and is selected; the addition is one
// edit. Added while Stopped it is a start body; while the world runs, Stop
// removes it.

#include "physics/body_kind.h"
#include "physics/simulation_control.h"

#include <btBulletDynamicsCommon.h>

#include <memory>

class WorldDocument;

// In the order of the menu and the band.
enum class InsertedBody : int {
    Box,
    Ball,
    Cylinder,
    Capsule,
    Cone,
    Can,
    Die,
    Domino,
    Ramp,
    Wall,
};
inline constexpr int kInsertedBodyCount = static_cast<int>(InsertedBody::Wall) + 1;

// What an Insert command makes.
struct InsertRecipe {
    const char* name;         // "Box", for the menu and the edit
    BodyKind kind;            // a scene kind uses the scene's own shape
    int shapeType;            // a Bullet shape type (BOX_SHAPE_PROXYTYPE, ...)
    btVector3 size;           // as edit/body_size.h reads it back
    float mass;               // 0: static
    float tiltDegrees;        // about the body's own x axis, after facing the eye
    float friction;
};

const InsertRecipe& RecipeFor(InsertedBody which);

// A new shape of the recipe's type and size; null for a scene kind, whose
// shape the document already has.
std::unique_ptr<btCollisionShape> MakeRecipeShape(const InsertRecipe& recipe);

// Adds the body in front of the eye (at `eye`, looking along the unit
// `direction`), turned to face it about the vertical, selects it and pushes
// the edit. Returns the body.
btRigidBody* InsertBody(WorldDocument& document, InsertedBody which, const btVector3& eye,
                        const btVector3& direction, SimulationState state);
