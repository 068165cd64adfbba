#pragma once
// A body's own name, given by the world file it came from, which the Tree
// shows instead of its kind and number. Kept in the collision object's user
// pointer, to text that whoever owns the body keeps alive as long as the body.

#include <btBulletCollisionCommon.h>

#include <string>
#include <string_view>

inline void SetBodyName(btCollisionObject& object, const std::string* name)
{
    object.setUserPointer(const_cast<std::string*>(name));
}

// Empty for a body without a name of its own.
inline std::string_view BodyNameOf(const btCollisionObject& object)
{
    const auto* name = static_cast<const std::string*>(object.getUserPointer());
    return name != nullptr ? std::string_view(*name) : std::string_view();
}
