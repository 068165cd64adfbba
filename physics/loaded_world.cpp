#include "physics/loaded_world.h"

#include "common/kinetta_assert.h"

#include <BulletCollision/CollisionShapes/btTriangleIndexVertexArray.h>
#include <BulletDynamics/Featherstone/btMultiBodyDynamicsWorld.h>

namespace {

// A fixed base collides with everything that moves, as a static body does.
void AddCollider(btDiscreteDynamicsWorld& world, btMultiBodyLinkCollider& collider)
{
    const bool fixed = collider.m_link < 0 && collider.m_multiBody->hasFixedBase();
    const int group = fixed ? int(btBroadphaseProxy::StaticFilter) : int(btBroadphaseProxy::DefaultFilter);
    const int mask = fixed ? int(btBroadphaseProxy::AllFilter ^ btBroadphaseProxy::StaticFilter)
                           : int(btBroadphaseProxy::AllFilter);
    world.addCollisionObject(&collider, group, mask);
}

}  // namespace

LoadedWorld::~LoadedWorld()
{
    for (const Body& body : m_bodies) {
        KINETTA_ASSERT(!body.body->isInWorld(),
                       "remove the opened bodies from the world (LoadedWorld::RemoveFrom) before "
                       "the LoadedWorld is destroyed");
    }
    for (btMultiBodyLinkCollider* collider : Colliders()) {
        KINETTA_ASSERT(collider->getBroadphaseHandle() == nullptr,
                       "remove the opened multibodies from the world (LoadedWorld::RemoveFrom) "
                       "before the LoadedWorld is destroyed");
    }
}

btMultiBody& LoadedWorld::MultiBodyAt(int index) const
{
    KINETTA_ASSERT(index >= 0 && index < MultiBodyCount(), "ask for a multibody below MultiBodyCount()");
    return *m_multiBodies[index].body;
}

int LoadedWorld::LinkCount() const
{
    int links = 0;
    for (const MultiBody& m : m_multiBodies) links += m.body->getNumLinks();
    return links;
}

std::vector<btMultiBodyLinkCollider*> LoadedWorld::Colliders() const
{
    std::vector<btMultiBodyLinkCollider*> colliders;
    for (const MultiBody& m : m_multiBodies)
        for (const auto& collider : m.colliders) colliders.push_back(collider.get());
    return colliders;
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
    if (m_solverInfo) world.getSolverInfo() = *m_solverInfo;
    for (Body& body : m_bodies) world.addRigidBody(body.body.get());
    auto* multiBodyWorld = dynamic_cast<btMultiBodyDynamicsWorld*>(&world);
    KINETTA_ASSERT(multiBodyWorld != nullptr || m_multiBodies.empty(),
                   "add a world with multibodies to a multibody world");
    for (MultiBody& m : m_multiBodies) {
        for (auto& collider : m.colliders) AddCollider(world, *collider);
        multiBodyWorld->addMultiBody(m.body.get());
    }
    for (Constraint& c : m_constraints) {
        world.addConstraint(c.constraint.get(), c.disableCollisionsBetweenBodies);
    }
    for (MultiBody& m : m_multiBodies)
        for (auto& limit : m.limits) multiBodyWorld->addMultiBodyConstraint(limit.get());
}

void LoadedWorld::RemoveFrom(btDiscreteDynamicsWorld& world)
{
    auto* multiBodyWorld = dynamic_cast<btMultiBodyDynamicsWorld*>(&world);
    KINETTA_ASSERT(multiBodyWorld != nullptr || m_multiBodies.empty(),
                   "remove a world with multibodies from the multibody world it was added to");
    for (auto m = m_multiBodies.rbegin(); m != m_multiBodies.rend(); ++m)
        for (auto limit = m->limits.rbegin(); limit != m->limits.rend(); ++limit)
            multiBodyWorld->removeMultiBodyConstraint(limit->get());
    for (auto c = m_constraints.rbegin(); c != m_constraints.rend(); ++c) {
        world.removeConstraint(c->constraint.get());
    }
    for (auto m = m_multiBodies.rbegin(); m != m_multiBodies.rend(); ++m) {
        multiBodyWorld->removeMultiBody(m->body.get());
        for (auto collider = m->colliders.rbegin(); collider != m->colliders.rend(); ++collider)
            world.removeCollisionObject(collider->get());
    }
    for (auto body = m_bodies.rbegin(); body != m_bodies.rend(); ++body) {
        world.removeRigidBody(body->body.get());
    }
}
