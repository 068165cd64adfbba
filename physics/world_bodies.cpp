#include "physics/world_bodies.h"

#include "common/kinetta_assert.h"
#include "physics/rigid_body.h"

#include <unordered_set>
#include <utility>

void WorldBodies::Clear()
{
    std::unordered_set<const btCollisionObject*> openedBodies;
    if (m_opened) {
        std::unordered_set<const btTypedConstraint*> openedConstraints;
        for (int i = 0; i < m_opened->ConstraintCount(); ++i)
            openedConstraints.insert(&m_opened->ConstraintAt(i));
        m_world.RemoveConstraints([&openedConstraints](const btTypedConstraint& constraint) {
            return openedConstraints.count(&constraint) != 0;
        });
        for (int i = 0; i < m_opened->BodyCount(); ++i)
            openedBodies.insert(&m_opened->BodyAt(i));
        for (const btMultiBodyLinkCollider* collider : m_opened->Colliders())
            openedBodies.insert(collider);
    }
    KINETTA_ASSERT(m_world.getNumConstraints() == 0,
                   "add constraints to the world only through an opened world file");
    KINETTA_ASSERT(m_world.getNumMultibodies() == (m_opened ? m_opened->MultiBodyCount() : 0),
                   "add multibodies to the world only through an opened world file");
    m_world.RemoveMultiBodies();
    const std::vector<btCollisionObject*> removed =
        m_world.RemoveCollisionObjects([](const btCollisionObject&) { return true; });
    for (auto object = removed.rbegin(); object != removed.rend(); ++object) {
        if (openedBodies.count(*object) == 0)
            DeleteCollisionObject(*object);
    }
    m_opened.reset();
    m_enabledAtStart.clear();
}

void WorldBodies::RestoreConstraints()
{
    if (!m_opened)
        return;
    for (int i = 0; i < m_opened->ConstraintCount(); ++i) {
        btTypedConstraint& constraint = m_opened->ConstraintAt(i);
        constraint.setEnabled(m_enabledAtStart[std::size_t(i)]);
        constraint.internalSetAppliedImpulse(0);
    }
}

void WorldBodies::Adopt(std::unique_ptr<LoadedWorld> opened)
{
    KINETTA_ASSERT(opened != nullptr, "hand over an opened world");
    KINETTA_ASSERT(m_world.getNumCollisionObjects() == 0,
                   "call WorldBodies::Clear() before adopting an opened world");
    m_enabledAtStart.clear();
    for (int i = 0; i < opened->ConstraintCount(); ++i)
        m_enabledAtStart.push_back(opened->ConstraintAt(i).isEnabled());
    opened->AddTo(m_world);
    m_opened = std::move(opened);
}
