// Removing many bodies from the world in one pass.
#include "physics/dynamics_world.h"

#include "common/kinetta_assert.h"

#include <BulletDynamics/Featherstone/btMultiBodyLinkCollider.h>

#include <unordered_set>

namespace {

struct KeptPair {
    btBroadphaseProxy* proxy0;
    btBroadphaseProxy* proxy1;
    btCollisionAlgorithm* algorithm;
};

// Every pair goes; each pair's algorithm was freed or taken aside before.
struct RemoveEveryPair : btOverlapCallback {
    bool processOverlap(btBroadphasePair&) override { return true; }
};

}  // namespace

std::vector<btCollisionObject*> CDynamicsWorld::RemoveCollisionObjects(
    const std::function<bool(const btCollisionObject&)>& leaving)
{
    // Marks by position in the world's array, which each object knows.
    std::vector<char> goes(std::size_t(m_collisionObjects.size()), 0);
    std::vector<btCollisionObject*> removed;
    for (int i = 0; i < m_collisionObjects.size(); ++i) {
        btCollisionObject* object = m_collisionObjects[i];
        KINETTA_ASSERT(object->getWorldArrayIndex() == i,
                       "add and remove collision objects only through the world");
        if (!leaving(*object))
            continue;
        if (const btRigidBody* body = btRigidBody::upcast(object)) {
            KINETTA_ASSERT(body->getNumConstraintRefs() == 0,
                           "remove a body's constraints from the world before the body");
        }
        if (btMultiBodyLinkCollider::upcast(object) != nullptr) {
            KINETTA_ASSERT(m_multiBodies.size() == 0,
                           "take the multibodies out (RemoveMultiBodies) before their colliders");
        }
        goes[std::size_t(i)] = 1;
        removed.push_back(object);
    }
    if (removed.empty())
        return removed;
    const auto isLeaving = [&goes](const btBroadphaseProxy* proxy) {
        const auto* object = static_cast<const btCollisionObject*>(proxy->m_clientObject);
        return goes[std::size_t(object->getWorldArrayIndex())] != 0;
    };

    // The pair cache is emptied before any proxy goes, because the broadphase
    // searches the whole cache for every proxy it destroys. Pairs between
    // staying objects are put back afterwards, in their order and with their
    // contacts; those of leaving objects are freed with the cache's own call.
    btOverlappingPairCache* cache = m_broadphasePairCache->getOverlappingPairCache();
    btBroadphasePairArray& pairs = cache->getOverlappingPairArray();
    std::vector<KeptPair> kept;
    kept.reserve(std::size_t(pairs.size()));
    for (int i = 0; i < pairs.size(); ++i) {
        btBroadphasePair& pair = pairs[i];
        if (isLeaving(pair.m_pProxy0) || isLeaving(pair.m_pProxy1))
            continue;
        kept.push_back({pair.m_pProxy0, pair.m_pProxy1, pair.m_algorithm});
        pair.m_algorithm = nullptr;
    }
    RemoveEveryPair removeEveryPair;
    cache->processAllOverlappingPairs(&removeEveryPair, m_dispatcher1);

    for (btCollisionObject* object : removed) {
        if (btBroadphaseProxy* proxy = object->getBroadphaseHandle()) {
            m_broadphasePairCache->destroyProxy(proxy, m_dispatcher1);
            object->setBroadphaseHandle(nullptr);
        }
    }
    for (const KeptPair& k : kept) {
        btBroadphasePair* pair = cache->addOverlappingPair(k.proxy0, k.proxy1);
        if (pair != nullptr) {
            pair->m_algorithm = k.algorithm;
        } else if (k.algorithm != nullptr) {
            k.algorithm->~btCollisionAlgorithm();
            m_dispatcher1->freeCollisionAlgorithm(k.algorithm);
        }
    }

    // The arrays close up in one pass each, keeping the staying objects' order.
    int keptBodies = 0;
    for (int i = 0; i < m_nonStaticRigidBodies.size(); ++i) {
        btRigidBody* body = m_nonStaticRigidBodies[i];
        if (goes[std::size_t(body->getWorldArrayIndex())] == 0)
            m_nonStaticRigidBodies[keptBodies++] = body;
    }
    m_nonStaticRigidBodies.resize(keptBodies);
    int keptObjects = 0;
    for (int i = 0; i < m_collisionObjects.size(); ++i) {
        btCollisionObject* object = m_collisionObjects[i];
        if (goes[std::size_t(i)] != 0) {
            object->setWorldArrayIndex(-1);
            continue;
        }
        object->setWorldArrayIndex(keptObjects);
        m_collisionObjects[keptObjects++] = object;
    }
    m_collisionObjects.resize(keptObjects);
    return removed;
}

std::vector<btTypedConstraint*> CDynamicsWorld::RemoveConstraints(
    const std::function<bool(const btTypedConstraint&)>& leaving)
{
    std::vector<btTypedConstraint*> removed;
    int kept = 0;
    for (int i = 0; i < m_constraints.size(); ++i) {
        btTypedConstraint* constraint = m_constraints[i];
        if (leaving(*constraint))
            removed.push_back(constraint);
        else
            m_constraints[kept++] = constraint;
    }
    m_constraints.resize(kept);
    if (removed.empty())
        return removed;

    // A body lists a constraint only when it was added with collisions
    // between its bodies disabled. Its own removal searches that list from
    // the front and fills the gap with the last entry, so taking the front
    // entry each time costs nothing to find; the staying ones go back in
    // their order. A body joined to thousands (the world's fixed body, a
    // hub) is then linear too, as long as few of its constraints stay.
    std::unordered_set<const btTypedConstraint*> goes(removed.begin(), removed.end());
    std::unordered_set<btRigidBody*> touched;
    for (btTypedConstraint* constraint : removed) {
        touched.insert(&constraint->getRigidBodyA());
        touched.insert(&constraint->getRigidBodyB());
    }
    std::vector<btTypedConstraint*> staying;
    for (btRigidBody* body : touched) {
        staying.clear();
        bool any = false;
        for (int r = 0; r < body->getNumConstraintRefs(); ++r) {
            btTypedConstraint* ref = body->getConstraintRef(r);
            if (goes.count(ref) != 0)
                any = true;
            else
                staying.push_back(ref);
        }
        if (!any)
            continue;
        while (body->getNumConstraintRefs() > 0)
            body->removeConstraintRef(body->getConstraintRef(0));
        for (btTypedConstraint* ref : staying)
            body->addConstraintRef(ref);
    }
    return removed;
}
