#include "physics/loaded_world.h"

#include "common/kinetta_assert.h"

#include <BulletCollision/CollisionShapes/btTriangleIndexVertexArray.h>

LoadedWorld::~LoadedWorld()
{
    for (const Body& body : m_bodies) {
        KINETTA_ASSERT(!body.body->isInWorld(),
                       "remove the opened bodies from the world (LoadedWorld::RemoveFrom) before "
                       "the LoadedWorld is destroyed");
    }
}

btRigidBody& LoadedWorld::BodyAt(int index) const
{
    KINETTA_ASSERT(index >= 0 && index < BodyCount(), "ask for a body below BodyCount()");
    return *m_bodies[index].body;
}

const std::string& LoadedWorld::ShapeNameAt(int index) const
{
    KINETTA_ASSERT(index >= 0 && index < BodyCount(), "ask for a body below BodyCount()");
    return m_bodies[index].shapeName;
}

std::string LoadedWorld::NameOf(const btCollisionShape& shape) const
{
    const auto found = m_shapeNames.find(&shape);
    return found != m_shapeNames.end() ? found->second : std::string();
}

const btCollisionShape& LoadedWorld::OwnedShapeAt(int index) const
{
    KINETTA_ASSERT(index >= 0 && index < OwnedShapeCount(),
                   "ask for a shape below OwnedShapeCount()");
    return *m_shapes[index];
}

btTypedConstraint& LoadedWorld::ConstraintAt(int index) const
{
    KINETTA_ASSERT(index >= 0 && index < ConstraintCount(),
                   "ask for a constraint below ConstraintCount()");
    return *m_constraints[index].constraint;
}

void LoadedWorld::AddTo(btDiscreteDynamicsWorld& world)
{
    world.setGravity(m_gravity);
    if (m_solverIterations) world.getSolverInfo().m_numIterations = *m_solverIterations;
    for (Body& body : m_bodies) world.addRigidBody(body.body.get());
    for (Constraint& c : m_constraints) {
        world.addConstraint(c.constraint.get(), c.disableCollisionsBetweenBodies);
    }
}

void LoadedWorld::RemoveFrom(btDiscreteDynamicsWorld& world)
{
    for (auto c = m_constraints.rbegin(); c != m_constraints.rend(); ++c) {
        world.removeConstraint(c->constraint.get());
    }
    for (auto body = m_bodies.rbegin(); body != m_bodies.rend(); ++body) {
        world.removeRigidBody(body->body.get());
    }
}
