#include "view/body_edits.h"

void PlaceBody(btCollisionWorld& world, btRigidBody& body, const btTransform& where,
               bool moveStart)
{
    body.setCenterOfMassTransform(where);
    body.setInterpolationWorldTransform(where);
    if (auto* motionState = dynamic_cast<btDefaultMotionState*>(body.getMotionState())) {
        motionState->setWorldTransform(where);
        if (moveStart)
            motionState->m_startWorldTrans = where;
    }
    if (!body.isStaticObject()) {
        body.setLinearVelocity(btVector3(0, 0, 0));
        body.setAngularVelocity(btVector3(0, 0, 0));
        body.setInterpolationLinearVelocity(btVector3(0, 0, 0));
        body.setInterpolationAngularVelocity(btVector3(0, 0, 0));
        body.activate(true);
    }
    // A sleeping or static body's bounds are not refreshed by a step: picking
    // and contacts must find it where it now is.
    if (body.getBroadphaseHandle() != nullptr)
        world.updateSingleAabb(&body);
}

namespace {

class MoveEdit final : public Edit {
public:
    MoveEdit(btCollisionWorld& world, btRigidBody& body, const btTransform& before,
             const btTransform& after, bool moveStart)
        : m_world(world), m_body(body), m_before(before), m_after(after), m_moveStart(moveStart)
    {
    }
    std::string_view Name() const override { return "Move"; }
    void Undo() override { PlaceBody(m_world, m_body, m_before, m_moveStart); }
    void Redo() override { PlaceBody(m_world, m_body, m_after, m_moveStart); }

private:
    btCollisionWorld& m_world;
    btRigidBody& m_body;
    btTransform m_before;
    btTransform m_after;
    bool m_moveStart;
};

}  // namespace

std::unique_ptr<Edit> MakeMoveEdit(btCollisionWorld& world, btRigidBody& body,
                                   const btTransform& before, const btTransform& after,
                                   SimulationState state)
{
    return std::make_unique<MoveEdit>(world, body, before, after,
                                      state == SimulationState::Stopped);
}
