#include "physics/world_bodies.h"

#include "common/kinetta_assert.h"
#include "physics/rigid_body.h"

#include <utility>

void WorldBodies::Clear()
{
    if (m_opened) {
        m_opened->RemoveFrom(m_world);
        m_opened.reset();
    }
    KINETTA_ASSERT(m_world.getNumConstraints() == 0,
                   "add constraints to the world only through an opened world file");
    DestroyAllCollisionObjects(m_world);
}

void WorldBodies::Adopt(std::unique_ptr<LoadedWorld> opened)
{
    KINETTA_ASSERT(opened != nullptr, "hand over an opened world");
    KINETTA_ASSERT(m_world.getNumCollisionObjects() == 0,
                   "call WorldBodies::Clear() before adopting an opened world");
    opened->AddTo(m_world);
    m_opened = std::move(opened);
}
