#pragma once
// The bodies the user has picked, if any, and the one joint picked in the
// Tree or the view. It holds them without owning them: whoever takes a body
// or a joint out of the world tells the selection first (Forget), so it never
// names a deleted one. Panes that show the selection poll Revision() instead
// of being called back.
//
// The primary body is the one last clicked (or added): the one a single-body
// pane shows and a joint starts from the point clicked on.

#include <btBulletDynamicsCommon.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class BodySelection {
public:
    // The primary body, or null.
    btRigidBody* Body() const { return m_primary; }
    // Every selected body, in the order they were selected.
    const std::vector<btRigidBody*>& Bodies() const { return m_bodies; }
    std::size_t Count() const { return m_bodies.size(); }
    bool Contains(const btRigidBody* body) const;

    // The body alone, or none (null). Selecting the body already selected
    // alone changes nothing. Where it was clicked, in its own frame, if
    // it was.
    void Select(btRigidBody* body, std::optional<btVector3> clickedLocal = std::nullopt);
    // Adds the body as the primary, or takes it out when it is selected.
    void Toggle(btRigidBody* body, std::optional<btVector3> clickedLocal = std::nullopt);
    // Exactly these bodies (duplicates dropped), the last as the primary.
    void SelectAll(const std::vector<btRigidBody*>& bodies);
    // Makes a selected body the primary, keeping the others and their order.
    void MakePrimary(btRigidBody* body, std::optional<btVector3> clickedLocal = std::nullopt);
    void Clear();
    // Where the user last clicked on a selected body, in the body's frame;
    // nothing for a body selected without a click (a rubber band, Select All).
    std::optional<btVector3> ClickedPoint(const btRigidBody* body) const;

    // The joint picked, held beside the bodies; null for none.
    btTypedConstraint* Joint() const { return m_joint; }
    void SelectJoint(btTypedConstraint* joint);

    // Drops the object from the selection; call it before the object leaves
    // the world.
    void Forget(const btCollisionObject* object);
    void ForgetJoint(const btTypedConstraint* joint);
    // Called by Forget with every object it is told of, selected or not, for
    // whoever else holds bodies (the mouse's drag) to let go too.
    void OnForget(std::function<void(const btCollisionObject&)> hook) { m_onForget = std::move(hook); }
    // Changes on every change of the selected bodies or joint, never otherwise.
    std::uint64_t Revision() const { return m_revision; }

private:
    void Changed() { ++m_revision; }
    void SetClicked(const btRigidBody* body, std::optional<btVector3> clickedLocal);

    struct Clicked {
        const btRigidBody* body;
        btVector3 local;
    };
    std::vector<btRigidBody*> m_bodies;
    btRigidBody* m_primary = nullptr;  // one of m_bodies, or null when empty
    std::vector<Clicked> m_clicked;
    btTypedConstraint* m_joint = nullptr;
    std::uint64_t m_revision = 0;
    std::function<void(const btCollisionObject&)> m_onForget;
};
