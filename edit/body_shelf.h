#pragma once
// Bodies that edits have taken out of the world (a delete, a cut, an undone
// paste), kept whole so that Undo can put them back. A body taken out leaves
// with the constraints that join it and comes back with them.
//
// Ownership: a body in the world belongs to the world's WorldBodies; a body
// on the shelf belongs to the shelf, unless an opened world file owns it, in
// which case the shelf only keeps it out. A start body taken out while the
// world runs is marked to come back at Stop; any other goes for good when
// the edit that took it out is forgotten (Release).

#include <btBulletDynamicsCommon.h>

#include <functional>
#include <unordered_map>
#include <vector>

class BodyShelf {
public:
    // The world must outlive the shelf.
    explicit BodyShelf(btDiscreteDynamicsWorld& world) : m_world(world) {}
    // Deletes the bodies it owns.
    ~BodyShelf() { Clear(); }
    BodyShelf(const BodyShelf&) = delete;
    BodyShelf& operator=(const BodyShelf&) = delete;

    // The body must be in the world (checked).
    void TakeOut(btRigidBody& body, bool owned, bool backAtStop);
    // The body must be on the shelf (checked).
    void PutBack(btRigidBody& body);
    // Deletes the body (or lets an opened file keep it) unless it comes back
    // at Stop; a body that is not on the shelf is left alone.
    void Release(const btRigidBody* body);
    // Stop: the bodies marked to come back go back into the world.
    void PutBackForStop();
    // Every body on the shelf goes.
    void Clear();

    bool Holds(const btRigidBody* body) const { return m_out.count(body) != 0; }
    // Told of each constraint that can never come back because a body it
    // joins went for good; whoever owns it deletes it.
    void OnJointGone(std::function<void(btTypedConstraint&)> gone) { m_jointGone = std::move(gone); }
    int Size() const { return static_cast<int>(m_out.size()); }

private:
    struct Joint {
        btTypedConstraint* constraint;
        bool disableCollisions;
    };
    struct Entry {
        btRigidBody* body;
        std::vector<Joint> joints;
        bool owned;
        bool backAtStop;
    };
    void Erase(const btRigidBody* body);

    btDiscreteDynamicsWorld& m_world;
    std::unordered_map<const btRigidBody*, Entry> m_out;
    std::function<void(btTypedConstraint&)> m_jointGone;
};
