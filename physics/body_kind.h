#pragma once
// What a body is, told once where it is made and read by whoever draws,
// resets or counts bodies. Kept in the collision object's first user index;
// the second records whether the body was thrown, which is not a kind: a die
// may come from a file and stay through Stop.

#include <btBulletCollisionCommon.h>

#include <string_view>

enum class BodyKind : int {
    Other = 0,  // drawn by the shape drawer
    Ground,
    Wall,
    Can,
    Domino,
    Die,
    Ball,
};

inline constexpr int kBodyKindCount = static_cast<int>(BodyKind::Ball) + 1;

inline void SetBodyKind(btCollisionObject& object, BodyKind kind)
{
    object.setUserIndex(static_cast<int>(kind));
}

// A body that was never tagged (Bullet starts the index at -1) is Other.
inline BodyKind KindOf(const btCollisionObject& object)
{
    const int index = object.getUserIndex();
    return index > 0 && index < kBodyKindCount ? static_cast<BodyKind>(index) : BodyKind::Other;
}

// Thrown bodies, and those --throw drops, go at Stop.
inline void MarkThrown(btCollisionObject& object)
{
    object.setUserIndex2(1);
}

inline bool WasThrown(const btCollisionObject& object)
{
    return object.getUserIndex2() == 1;
}

// The name a world file gives the shape of each of the scene's own kinds, so
// that a saved world opened again finds the scene's shapes and kinds.
// Empty for Other.
std::string_view ShapeNameOf(BodyKind kind);
// Other for any name that is not one of the scene's.
BodyKind KindFromShapeName(std::string_view name);

// The word a body of the kind is called by, for the user ("Can"; "Body" for Other).
const char* BodyNounOf(BodyKind kind);
