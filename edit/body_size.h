#pragma once
// A body's size as the user types it, in the terms its shape has: a box's
// half extents (x, y, z); a ball's radius; a cylinder's, capsule's or cone's
// radius and height (a capsule's height is its straight part, between the
// two half balls, as Bullet counts it). A new size keeps the body's centre,
// mass and place, makes a new shape and rebuilds the inertia; it is one edit.

#include "physics/simulation_control.h"
#include "edit/edit_history.h"

#include <btBulletDynamicsCommon.h>

#include <memory>
#include <optional>
#include <string>

class WorldDocument;

struct ShapeSize {
    int count = 0;            // 0: a shape whose size cannot be typed
    btVector3 values{0, 0, 0};  // the first `count` are used
    const char* meaning = "";   // "half extents x, y, z"
};

ShapeSize SizeOf(const btCollisionShape& shape);

// A new shape of a type SizeOf can size, upright along `upAxis` (0, 1 or
// 2) for a cylinder, capsule or cone; null for any other type.
std::unique_ptr<btCollisionShape> MakeShapeOfSize(int shapeType, const btVector3& size,
                                                  int upAxis = 1);

// The reason the size is refused, or nothing: each number finite, above 0
// and at most the world files' largest extent, and as many as the shape has.
std::optional<std::string> CheckSize(const btCollisionShape& shape, const btVector3& size,
                                     int count);

struct Resized {
    std::optional<std::string> refusal;  // set: nothing changed
    std::unique_ptr<Edit> edit;          // set: the body has its new size
};

// Gives the body a new shape of the size (kept by the document). A body of
// one of the scene's kinds becomes a body of its own shape, since its mesh
// has the kind's size.
Resized ResizeBody(WorldDocument& document, btRigidBody& body, const btVector3& size, int count);
