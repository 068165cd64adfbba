#include "physics/world_bodies.h"

#include "common/kinetta_assert.h"
#include "physics/rigid_body.h"

#include <unordered_set>
#include <utility>

void WorldBodies::Clear()
{
    std::unordered_set<const btCollisionObject*> openedBodies;
    if (m_opened) {
        for (int i = m_opened->ConstraintCount() - 1; i >= 0; --i)
            m_world.removeConstraint(&m_opened->ConstraintAt(i));
        for (int i = 0; i < m_opened->BodyCount(); ++i)
            openedBodies.insert(&m_opened->BodyAt(i));
    }
    KINETTA_ASSERT(m_world.getNumConstraints() == 0,
                   "add constraints to the world only through an opened world file");
    const std::vector<btCollisionObject*> removed =
        m_world.RemoveCollisionObjects([](const btCollisionObject&) { return true; });
    for (auto object = removed.rbegin(); object != removed.rend(); ++object) {
        if (openedBodies.count(*object) == 0)
            DeleteCollisionObject(*object);
    }
    m_opened.reset();
}

void WorldBodies::Adopt(std::unique_ptr<LoadedWorld> opened)
{
    KINETTA_ASSERT(opened != nullptr, "hand over an opened world");
    KINETTA_ASSERT(m_world.getNumCollisionObjects() == 0,
                   "call WorldBodies::Clear() before adopting an opened world");
    opened->AddTo(m_world);
    m_opened = std::move(opened);
}
