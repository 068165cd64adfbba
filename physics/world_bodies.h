#pragma once
// The one owner of every body in a world. Bodies live in the world's own
// array, where the thrower and Stop add and remove them; this object only
// makes sure that, when it is cleared or goes, each of them is removed and
// deleted with its motion state and the world is left empty.

#include <btBulletDynamicsCommon.h>

class WorldBodies {
public:
    // The world must outlive this object.
    explicit WorldBodies(btDiscreteDynamicsWorld& world) : m_world(world) {}
    ~WorldBodies() { Clear(); }
    WorldBodies(const WorldBodies&) = delete;
    WorldBodies& operator=(const WorldBodies&) = delete;

    // Removes and deletes every body, from the last to the first.
    void Clear();

    btDiscreteDynamicsWorld& World() const { return m_world; }

private:
    btDiscreteDynamicsWorld& m_world;
};
