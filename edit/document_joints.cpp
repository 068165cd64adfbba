#include "edit/document_joints.h"

#include "common/kinetta_assert.h"

#include <algorithm>

DocumentJoints::DocumentJoints()
    : m_anchor(std::make_unique<btRigidBody>(0.0f, nullptr, nullptr))
{
    m_anchor->setMassProps(0.0f, btVector3(0, 0, 0));
}

DocumentJoints::~DocumentJoints()
{
    KINETTA_ASSERT(m_joints.empty(), "clear the document's joints before the document goes");
}

bool WorldHolds(btDynamicsWorld& world, const btTypedConstraint* constraint)
{
    for (int i = 0; i < world.getNumConstraints(); ++i)
        if (world.getConstraint(i) == constraint)
            return true;
    return false;
}

btTypedConstraint& DocumentJoints::Add(btDiscreteDynamicsWorld& world,
                                       std::unique_ptr<btTypedConstraint> joint, bool endsAtStop)
{
    KINETTA_ASSERT(joint != nullptr, "hand over a joint");
    btTypedConstraint& added = *joint;
    m_joints.push_back({std::move(joint), endsAtStop});
    world.addConstraint(&added, true);
    added.getRigidBodyA().activate(true);
    added.getRigidBodyB().activate(true);
    return added;
}

bool DocumentJoints::Owns(const btTypedConstraint* joint) const
{
    return std::any_of(m_joints.begin(), m_joints.end(),
                       [joint](const Owned& owned) { return owned.joint.get() == joint; });
}

void DocumentJoints::Gone(const btTypedConstraint* joint)
{
    std::erase_if(m_joints, [joint](const Owned& owned) { return owned.joint.get() == joint; });
}

void DocumentJoints::ResetForStop(btDiscreteDynamicsWorld& world)
{
    std::erase_if(m_joints, [&world](const Owned& owned) {
        if (!owned.endsAtStop)
            return false;
        world.removeConstraint(owned.joint.get());
        return true;
    });
    for (const Owned& owned : m_joints) {
        owned.joint->setEnabled(true);
        owned.joint->internalSetAppliedImpulse(0);
    }
}

void DocumentJoints::Clear(btDiscreteDynamicsWorld& world)
{
    // removeConstraint ignores a constraint the world does not hold.
    for (const Owned& owned : m_joints)
        world.removeConstraint(owned.joint.get());
    m_joints.clear();
}
