#pragma once
// The one body the user has picked, if any. It holds the body without owning
// it: whoever takes a body out of the world tells the selection first
// (Forget), so it never names a deleted body. Panes that show the selection
// poll Revision() instead of being called back.

#include <btBulletDynamicsCommon.h>

#include <cstdint>
#include <functional>

class BodySelection {
public:
    btRigidBody* Body() const { return m_body; }
    // Null clears. Selecting the body already selected changes nothing.
    void Select(btRigidBody* body);
    void Clear() { Select(nullptr); }
    // Clears when the object is the selected body; call it before the object
    // leaves the world.
    void Forget(const btCollisionObject* object);
    // Called by Forget with every object it is told of, selected or not, for
    // whoever else holds bodies (the mouse's drag) to let go too.
    void OnForget(std::function<void(const btCollisionObject&)> hook) { m_onForget = std::move(hook); }
    // Changes on every change of the selected body, never otherwise.
    std::uint64_t Revision() const { return m_revision; }

private:
    btRigidBody* m_body = nullptr;
    std::uint64_t m_revision = 0;
    std::function<void(const btCollisionObject&)> m_onForget;
};
