#pragma once
// The owner of the joints a user makes (and pastes), and of the one body
// that stands for the world in those tied to it: never Bullet's shared
// fixed body, which every call rewrites.
//
// A joint is in the world, on the shelf with a body taken out (edit/
// body_shelf.h), or held out by an undone edit; it is deleted when the last
// of those lets it go (Gone), when Stop ends a joint made while the world ran,
// or when the world is emptied.

#include <btBulletDynamicsCommon.h>

#include <memory>
#include <vector>

class DocumentJoints {
public:
    DocumentJoints();
    // Clear() must have run (checked): the world may be gone by now.
    ~DocumentJoints();
    DocumentJoints(const DocumentJoints&) = delete;
    DocumentJoints& operator=(const DocumentJoints&) = delete;

    // The body joints to the world hold on to: no shape, in no world, at the
    // origin, never moving.
    btRigidBody& Anchor() { return *m_anchor; }
    bool IsAnchor(const btRigidBody& body) const { return &body == m_anchor.get(); }

    // Takes the joint over and adds it to the world, its bodies not colliding
    // with each other. Made while the world runs, Stop ends it.
    btTypedConstraint& Add(btDiscreteDynamicsWorld& world, std::unique_ptr<btTypedConstraint> joint,
                           bool endsAtStop);
    bool Owns(const btTypedConstraint* joint) const;
    // Deletes a joint that is out of the world for good; one not owned here
    // (an opened file's) is left alone.
    void Gone(const btTypedConstraint* joint);
    // Stop: joints made while the world ran go, the others are whole again
    // (unbroken, no impulse carried over).
    void ResetForStop(btDiscreteDynamicsWorld& world);
    // Every joint out of the world and deleted.
    void Clear(btDiscreteDynamicsWorld& world);
    int Count() const { return static_cast<int>(m_joints.size()); }

private:
    struct Owned {
        std::unique_ptr<btTypedConstraint> joint;
        bool endsAtStop;
    };
    std::unique_ptr<btRigidBody> m_anchor;
    std::vector<Owned> m_joints;  // goes before the anchor they may hold
};

// Whether the world holds the constraint now.
bool WorldHolds(btDynamicsWorld& world, const btTypedConstraint* constraint);
