#include "edit/body_edits.h"

#include "edit/world_document.h"

#include <string>
#include <utility>

void PlaceBody(btCollisionWorld& world, btRigidBody& body, const btTransform& where, bool moveStart,
               PlacedMotion motion)
{
    body.setCenterOfMassTransform(where);
    body.setInterpolationWorldTransform(where);
    if (auto* motionState = dynamic_cast<btDefaultMotionState*>(body.getMotionState())) {
        motionState->setWorldTransform(where);
        if (moveStart)
            motionState->m_startWorldTrans = where;
    }
    if (!body.isStaticObject() && motion == PlacedMotion::Stop) {
        body.setLinearVelocity(btVector3(0, 0, 0));
        body.setAngularVelocity(btVector3(0, 0, 0));
        body.setInterpolationLinearVelocity(btVector3(0, 0, 0));
        body.setInterpolationAngularVelocity(btVector3(0, 0, 0));
    }
    if (!body.isStaticObject())
        body.activate(true);
    // A sleeping or static body's bounds are not refreshed by a step: picking
    // and contacts must find it where it now is.
    if (body.getBroadphaseHandle() != nullptr)
        world.updateSingleAabb(&body);
}

namespace {

class MoveEdit final : public Edit {
public:
    MoveEdit(btCollisionWorld& world, std::vector<BodyMove> moves, bool moveStart)
        : m_world(world), m_moves(std::move(moves)), m_moveStart(moveStart)
    {
    }
    std::string_view Name() const override { return "Move"; }
    void Undo() override
    {
        for (const BodyMove& move : m_moves)
            PlaceBody(m_world, *move.body, move.before, m_moveStart, PlacedMotion::Keep);
    }
    void Redo() override
    {
        for (const BodyMove& move : m_moves)
            PlaceBody(m_world, *move.body, move.after, m_moveStart, PlacedMotion::Keep);
    }

private:
    btCollisionWorld& m_world;
    std::vector<BodyMove> m_moves;
    bool m_moveStart;
};

// Bodies that are in the world while `inWhenDone` edits are done, and out
// of it while undone; whichever state it ends in, the document lets go of what
// the edit held out.
class PresenceEdit final : public Edit {
public:
    PresenceEdit(WorldDocument& document, std::vector<btRigidBody*> bodies, SimulationState state,
                 bool inWhenDone, std::string_view name)
        : m_document(document),
          m_bodies(std::move(bodies)),
          m_state(state),
          m_inWhenDone(inWhenDone),
          m_name(name)
    {
    }
    ~PresenceEdit() override
    {
        if (m_out)
            for (const btRigidBody* body : m_bodies)
                m_document.ReleaseOut(body);
    }
    std::string_view Name() const override { return m_name; }
    void Undo() override { SetIn(!m_inWhenDone); }
    void Redo() override { SetIn(m_inWhenDone); }

private:
    void SetIn(bool in)
    {
        // Out in reverse, back in order: the world's order comes back as it was.
        if (in) {
            for (btRigidBody* body : m_bodies)
                m_document.PutBack(*body);
        } else {
            for (auto body = m_bodies.rbegin(); body != m_bodies.rend(); ++body)
                m_document.TakeOut(**body, m_state);
        }
        m_out = !in;
    }

    WorldDocument& m_document;
    std::vector<btRigidBody*> m_bodies;
    SimulationState m_state;  // an edit is undone and redone as it was made
    bool m_inWhenDone;
    std::string m_name;
    bool m_out = !m_inWhenDone;
};

}  // namespace

std::unique_ptr<Edit> MakeAddEdit(WorldDocument& document, std::vector<btRigidBody*> added,
                                  SimulationState state, std::string_view name)
{
    return std::make_unique<PresenceEdit>(document, std::move(added), state, true, name);
}

std::unique_ptr<Edit> RemoveBody(WorldDocument& document, btRigidBody& body, SimulationState state,
                                 std::string_view name)
{
    document.TakeOut(body, state);
    return std::make_unique<PresenceEdit>(document, std::vector<btRigidBody*>{&body}, state, false,
                                          name);
}

std::unique_ptr<Edit> RemoveBodies(WorldDocument& document, std::vector<btRigidBody*> bodies,
                                   SimulationState state, std::string_view name)
{
    // Out in reverse, as the edit's Redo takes them.
    for (auto body = bodies.rbegin(); body != bodies.rend(); ++body)
        document.TakeOut(**body, state);
    return std::make_unique<PresenceEdit>(document, std::move(bodies), state, false, name);
}

std::unique_ptr<Edit> MakeMoveEdit(btCollisionWorld& world, btRigidBody& body,
                                   const btTransform& before, const btTransform& after,
                                   SimulationState state)
{
    return MakeMoveEdit(world, std::vector<BodyMove>{{&body, before, after}}, state);
}

std::unique_ptr<Edit> MakeMoveEdit(btCollisionWorld& world, std::vector<BodyMove> moves,
                                   SimulationState state)
{
    return std::make_unique<MoveEdit>(world, std::move(moves), state == SimulationState::Stopped);
}
