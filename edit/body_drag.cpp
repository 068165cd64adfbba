#include "edit/body_drag.h"

#include "common/kinetta_assert.h"
#include "edit/body_edits.h"

BodyDrag::~BodyDrag()
{
    KINETTA_ASSERT(!Active(), "end the drag (BodyDrag::End) before the world or body goes");
}

bool BodyDrag::Begin(btDiscreteDynamicsWorld& world, const PickHit& hit, SimulationState state)
{
    KINETTA_ASSERT(hit.body != nullptr, "begin a drag on a hit body");
    End();
    btRigidBody& body = *hit.body;
    if (body.isStaticOrKinematicObject())
        return false;

    m_world = &world;
    m_body = &body;
    m_state = state;
    m_depth = hit.depth;
    m_begin = body.getCenterOfMassTransform();
    m_localPoint = m_begin.inverse() * hit.point;
    body.getAabb(m_beginLow, m_beginHigh);

    if (state == SimulationState::Running) {
        m_activationBefore = body.getActivationState();
        body.setActivationState(DISABLE_DEACTIVATION);
        m_spring = std::make_unique<btPoint2PointConstraint>(body, m_localPoint);
        m_spring->m_setting.m_impulseClamp = kImpulseClamp;
        world.addConstraint(m_spring.get(), true);
        m_springAttached = true;
    }
    return true;
}

void BodyDrag::CarryAlong(const std::vector<btRigidBody*>& bodies)
{
    m_followers.clear();
    if (!Active() || m_spring)
        return;
    for (btRigidBody* body : bodies)
        if (body != nullptr && body != m_body)
            m_followers.push_back({body, body->getCenterOfMassTransform()});
}

void BodyDrag::Forget(const btCollisionObject* object)
{
    std::erase_if(m_followers, [object](const Follower& f) { return f.body == object; });
}

void BodyDrag::MoveTo(const PickRay& ray)
{
    if (!Active())
        return;
    const btVector3 target = ray.AtDepth(m_depth);
    if (m_spring) {
        m_spring->setPivotB(target);
        return;
    }
    btTransform moved = m_body->getCenterOfMassTransform();
    moved.setOrigin(moved.getOrigin() + (target - moved * m_localPoint));
    Carry(moved);
}

void BodyDrag::Carry(const btTransform& transform)
{
    // While stopped, where Stop puts the body back moves with it.
    const bool moveStart = m_state == SimulationState::Stopped;
    PlaceBody(*m_world, *m_body, transform, moveStart, PlacedMotion::Keep);
    // The others keep their places relative to it.
    const btVector3 moved = transform.getOrigin() - m_begin.getOrigin();
    for (const Follower& follower : m_followers) {
        btTransform where = follower.begin;
        where.setOrigin(where.getOrigin() + moved);
        PlaceBody(*m_world, *follower.body, where, moveStart, PlacedMotion::Keep);
    }
}

void BodyDrag::End()
{
    if (!Active())
        return;
    btRigidBody& body = *m_body;
    if (m_spring) {
        if (m_springAttached)
            m_world->removeConstraint(m_spring.get());
        m_spring.reset();
        m_springAttached = false;
        body.forceActivationState(m_activationBefore == DISABLE_DEACTIVATION ? DISABLE_DEACTIVATION
                                                                              : ACTIVE_TAG);
        body.activate(true);
    } else {
        // Bodies that rested on it, or that it now touches, fall or settle
        // when the world runs again.
        WakeAround(m_beginLow, m_beginHigh);
        btVector3 low, high;
        body.getAabb(low, high);
        WakeAround(low, high);
        for (const Follower& follower : m_followers) {
            follower.body->getCollisionShape()->getAabb(follower.begin, low, high);
            WakeAround(low, high);
            follower.body->getAabb(low, high);
            WakeAround(low, high);
        }
    }
    m_followers.clear();
    m_body = nullptr;
    m_world = nullptr;
}

void BodyDrag::WakeAround(const btVector3& low, const btVector3& high)
{
    const btVector3 reach(0.1f, 0.1f, 0.1f);
    const btCollisionObjectArray& objects = m_world->getCollisionObjectArray();
    for (int i = 0; i < objects.size(); ++i) {
        btCollisionObject& object = *objects[i];
        if (object.isStaticOrKinematicObject())
            continue;
        btVector3 objectLow, objectHigh;
        object.getCollisionShape()->getAabb(object.getWorldTransform(), objectLow, objectHigh);
        if (TestAabbAgainstAabb2(low - reach, high + reach, objectLow, objectHigh))
            object.activate(true);
    }
}

void BodyDrag::DetachSpring()
{
    if (m_spring && m_springAttached) {
        m_world->removeConstraint(m_spring.get());
        m_springAttached = false;
    }
}

void BodyDrag::AttachSpring()
{
    if (m_spring && !m_springAttached) {
        m_world->addConstraint(m_spring.get(), true);
        m_springAttached = true;
    }
}
