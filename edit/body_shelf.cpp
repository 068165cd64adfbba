#include "edit/body_shelf.h"

#include "common/kinetta_assert.h"

#include <algorithm>

void BodyShelf::TakeOut(btRigidBody& body, bool owned, bool backAtStop)
{
    KINETTA_ASSERT(body.getBroadphaseHandle() != nullptr && !Holds(&body),
                   "take out only a body that is in the world");
    Entry entry{&body, {}, owned, backAtStop};
    for (int i = m_world.getNumConstraints() - 1; i >= 0; --i) {
        btTypedConstraint* constraint = m_world.getConstraint(i);
        if (&constraint->getRigidBodyA() != &body && &constraint->getRigidBodyB() != &body)
            continue;
        // The world lists a constraint among its bodies' references only
        // when it was added with collisions between them disabled.
        bool disabled = false;
        for (int r = 0; r < body.getNumConstraintRefs(); ++r)
            disabled = disabled || body.getConstraintRef(r) == constraint;
        entry.joints.push_back({constraint, disabled});
        m_world.removeConstraint(constraint);
    }
    m_world.removeRigidBody(&body);
    m_out.emplace(&body, std::move(entry));
}

void BodyShelf::PutBack(btRigidBody& body)
{
    const auto found = m_out.find(&body);
    KINETTA_ASSERT(found != m_out.end(), "put back only a body that was taken out");
    const Entry entry = std::move(found->second);
    m_out.erase(found);
    m_world.addRigidBody(&body);
    body.activate(true);
    // Back at the end of the world's list, in the order the world had them
    // among themselves (they were taken from the last one down).
    for (auto joint = entry.joints.rbegin(); joint != entry.joints.rend(); ++joint)
        m_world.addConstraint(joint->constraint, joint->disableCollisions);
}

void BodyShelf::Release(const btRigidBody* body)
{
    const auto found = m_out.find(body);
    if (found == m_out.end() || found->second.backAtStop)
        return;
    Erase(body);
}

void BodyShelf::PutBackForStop()
{
    // In no particular order (the shelf is a hash map): each body goes to
    // the end of the world's list, and Stop puts every body back where it
    // started whatever its place in that list.
    std::vector<btRigidBody*> back;
    for (const auto& [key, entry] : m_out)
        if (entry.backAtStop)
            back.push_back(entry.body);
    for (btRigidBody* body : back)
        PutBack(*body);
}

void BodyShelf::Clear()
{
    while (!m_out.empty())
        Erase(m_out.begin()->first);
}

void BodyShelf::Erase(const btRigidBody* body)
{
    const auto found = m_out.find(body);
    Entry entry = std::move(found->second);
    m_out.erase(found);
    // Its joints, and those that left with another body still out but
    // name this one, can never come back.
    std::vector<btTypedConstraint*> gone;
    for (const Joint& joint : entry.joints)
        gone.push_back(joint.constraint);
    for (auto& [key, other] : m_out) {
        std::erase_if(other.joints, [body, &gone](const Joint& joint) {
            const bool names = &joint.constraint->getRigidBodyA() == body ||
                               &joint.constraint->getRigidBodyB() == body;
            if (names)
                gone.push_back(joint.constraint);
            return names;
        });
    }
    if (m_jointGone)
        for (btTypedConstraint* constraint : gone)
            m_jointGone(*constraint);
    // An opened file's bodies and constraints stay the file's.
    if (entry.owned) {
        delete entry.body->getMotionState();
        delete entry.body;
    }
}
