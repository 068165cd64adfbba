#pragma once
// Holding a body with the mouse. While the simulation runs, the grabbed point
// hangs on a spring (a point-to-point constraint whose impulse is clamped,
// so that no body, however heavy, is flung off at any speed) and the world
// moves it. While it is paused or stopped the body is carried: it follows
// the cursor, keeping the motion it had (the world is paused, the user moves
// the body, not its motion), and nothing else moves; a press that does not
// move the cursor changes nothing. While stopped the move also becomes where
// the body starts, which Stop then restores.
//
// The held point keeps its depth from the eye: each cursor ray takes it to
// where that ray is at that depth.

#include "physics/simulation_control.h"
#include "edit/picking.h"

#include <btBulletDynamicsCommon.h>

#include <memory>
#include <vector>

class BodyDrag {
public:
    // Impulse cap of the spring, per fixed step.
    static constexpr float kImpulseClamp = 30.0f;

    BodyDrag() = default;
    // End() must have run (checked): the world may be gone by now.
    ~BodyDrag();
    BodyDrag(const BodyDrag&) = delete;
    BodyDrag& operator=(const BodyDrag&) = delete;

    // Starts holding the hit body at the hit point; false, holding nothing,
    // for a body that cannot move (static or kinematic). Ends any earlier hold.
    // The world must outlive the hold.
    bool Begin(btDiscreteDynamicsWorld& world, const PickHit& hit, SimulationState state);
    // Other bodies a carried hold moves with the held one, by the same
    // distance (the rest of a selection); nothing while on the spring.
    void CarryAlong(const std::vector<btRigidBody*>& bodies);
    // A body about to leave the world stops being carried along.
    void Forget(const btCollisionObject* object);
    struct Follower {
        btRigidBody* body;
        btTransform begin;
    };
    const std::vector<Follower>& Followers() const { return m_followers; }
    // Takes the held point to where the ray is at its depth.
    void MoveTo(const PickRay& ray);
    // Lets go. A body on the spring keeps the velocity it has (a fling); a
    // carried body wakes, with the bodies it left or reached. Safe when idle.
    void End();

    bool Active() const { return m_body != nullptr; }
    // The simulation state the hold began in.
    SimulationState State() const { return m_state; }
    btRigidBody* Body() const { return m_body; }
    // A carried body's centre-of-mass transform when the hold began; the
    // spring moves a body through the simulation, which has no "before".
    bool Carries() const { return m_body != nullptr && !m_spring; }
    const btTransform& TransformAtBegin() const { return m_begin; }

    // The spring while it holds a body, or null: no joint of the world's.
    const btTypedConstraint* Spring() const { return m_spring.get(); }
    // Takes the spring out of the world and back, for whatever must see the
    // world without it (saving). Nothing while no spring holds a body.
    void DetachSpring();
    void AttachSpring();

private:
    void Carry(const btTransform& transform);
    void WakeAround(const btVector3& low, const btVector3& high);

    btDiscreteDynamicsWorld* m_world = nullptr;
    btRigidBody* m_body = nullptr;
    std::unique_ptr<btPoint2PointConstraint> m_spring;
    bool m_springAttached = false;
    SimulationState m_state = SimulationState::Stopped;
    btVector3 m_localPoint{0, 0, 0};  // the held point, in the body's frame
    float m_depth = 0.0f;
    btTransform m_begin = btTransform::getIdentity();
    btVector3 m_beginLow{0, 0, 0}, m_beginHigh{0, 0, 0};  // its box when the hold began
    int m_activationBefore = ACTIVE_TAG;
    std::vector<Follower> m_followers;
};
