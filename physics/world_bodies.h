#pragma once
// The one owner of every body and constraint in a world. Bodies live in the
// world's own array, where the thrower and Stop add and remove them; this
// object makes sure that, when it is cleared or goes, each of them is removed
// and deleted and the world is left empty. The bodies of an opened world
// stay owned by their LoadedWorld, which this object keeps until then.

#include "physics/dynamics_world.h"
#include "physics/loaded_world.h"

#include <btBulletDynamicsCommon.h>

#include <memory>
#include <vector>

class WorldBodies {
public:
    // The world must outlive this object.
    explicit WorldBodies(CDynamicsWorld& world) : m_world(world) {}
    ~WorldBodies() { Clear(); }
    WorldBodies(const WorldBodies&) = delete;
    WorldBodies& operator=(const WorldBodies&) = delete;

    // Removes the opened world's constraints at once, then its multibodies,
    // then every body and collider at once; deletes the bodies that are not
    // the opened world's, from the last to the first, then lets the opened
    // world go.
    void Clear();

    // Puts an opened world's bodies, multibodies and constraints into the empty world,
    // with its gravity, and keeps it until the next Clear.
    void Adopt(std::unique_ptr<LoadedWorld> opened);

    // Stop: the opened world's constraints as the file had them, those that
    // broke under too great an impulse whole again. The bodies are Stop's.
    void RestoreConstraints();

    // The opened world whose bodies are in the world, or null.
    const LoadedWorld* Opened() const { return m_opened.get(); }

private:
    CDynamicsWorld& m_world;
    std::unique_ptr<LoadedWorld> m_opened;
    // Whether each of its constraints was enabled when it was adopted.
    std::vector<bool> m_enabledAtStart;
};
