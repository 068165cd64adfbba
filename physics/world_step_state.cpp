#include "physics/world_step_state.h"

#include "common/kinetta_assert.h"
#include "physics/dynamics_world.h"

#include <BulletCollision/BroadphaseCollision/btDbvtBroadphase.h>
#include <BulletCollision/CollisionDispatch/btCollisionObjectWrapper.h>
#include <BulletCollision/CollisionDispatch/btManifoldResult.h>

#include <unordered_map>

namespace {

btDbvtBroadphase& TreeBroadphase(const CDynamicsWorld& world)
{
    auto* broadphase = dynamic_cast<btDbvtBroadphase*>(
        const_cast<btBroadphaseInterface*>(world.getBroadphase()));
    KINETTA_ASSERT(broadphase != nullptr,
                   "step states know only the dynamic-tree broadphase CreateDynamicsWorld makes");
    return *broadphase;
}

btDbvtProxy* LeafProxy(btCollisionObject& object)
{
    return static_cast<btDbvtProxy*>(object.getBroadphaseHandle());
}

const btDbvtProxy* LeafProxy(const btCollisionObject& object)
{
    return static_cast<const btDbvtProxy*>(object.getBroadphaseHandle());
}

int ObjectIndex(const btBroadphaseProxy* proxy)
{
    // The world's order, which Bullet keeps in each object's world array index.
    return static_cast<const btCollisionObject*>(proxy->m_clientObject)->getWorldArrayIndex();
}

void CaptureBroadphase(const btDbvtBroadphase& tree, WorldStepState& state)
{
    for (int stage = 0; stage <= btDbvtBroadphase::STAGECOUNT; ++stage) {
        std::vector<int> list;
        for (const btDbvtProxy* proxy = tree.m_stageRoots[stage]; proxy != nullptr;
             proxy = proxy->links[1])
            list.push_back(ObjectIndex(proxy));
        state.stageLists.push_back(std::move(list));
    }
    WorldStepState::BroadphaseCounters& c = state.counters;
    c.stageCurrent = tree.m_stageCurrent;
    c.fixedUpdates = tree.m_fupdates;
    c.dynamicUpdates = tree.m_dupdates;
    c.cleanupUpdates = tree.m_cupdates;
    c.newPairs = tree.m_newpairs;
    c.fixedLeft = tree.m_fixedleft;
    c.parseId = tree.m_pid;
    c.cleanupIndex = tree.m_cid;
    c.generationId = tree.m_gid;
    c.updatesCall = tree.m_updates_call;
    c.updatesDone = tree.m_updates_done;
    c.updatesRatio = tree.m_updates_ratio;
    c.needCleanup = tree.m_needcleanup;
}

void RestoreBroadphase(btDbvtBroadphase& tree, const CDynamicsWorld& world,
                       const WorldStepState& state)
{
    const btCollisionObjectArray& objects = world.getCollisionObjectArray();
    // A leaf in the fixed tree has the last stage; every other one is in the moving tree.
    const auto treeOf = [](int stage) { return stage == btDbvtBroadphase::STAGECOUNT ? 1 : 0; };
    for (int i = 0; i < objects.size(); ++i) {
        btDbvtProxy* proxy = LeafProxy(*objects[i]);
        const WorldStepState::Object& saved = state.objects[std::size_t(i)];
        tree.m_sets[treeOf(proxy->stage)].remove(proxy->leaf);
        proxy->leaf = tree.m_sets[treeOf(saved.stage)].insert(saved.leafVolume, proxy);
        proxy->stage = saved.stage;
        proxy->m_aabbMin = saved.proxyAabbMin;
        proxy->m_aabbMax = saved.proxyAabbMax;
    }
    for (int stage = 0; stage <= btDbvtBroadphase::STAGECOUNT; ++stage) {
        btDbvtProxy* previous = nullptr;
        tree.m_stageRoots[stage] = nullptr;
        for (int index : state.stageLists[std::size_t(stage)]) {
            btDbvtProxy* proxy = LeafProxy(*objects[index]);
            proxy->links[0] = previous;
            proxy->links[1] = nullptr;
            (previous != nullptr ? previous->links[1] : tree.m_stageRoots[stage]) = proxy;
            previous = proxy;
        }
    }
    const WorldStepState::BroadphaseCounters& c = state.counters;
    tree.m_stageCurrent = c.stageCurrent;
    tree.m_fupdates = c.fixedUpdates;
    tree.m_dupdates = c.dynamicUpdates;
    tree.m_cupdates = c.cleanupUpdates;
    tree.m_newpairs = c.newPairs;
    tree.m_fixedleft = c.fixedLeft;
    tree.m_pid = c.parseId;
    tree.m_cid = c.cleanupIndex;
    tree.m_gid = c.generationId;
    tree.m_updates_call = c.updatesCall;
    tree.m_updates_done = c.updatesDone;
    tree.m_updates_ratio = c.updatesRatio;
    tree.m_needcleanup = c.needCleanup;
}

void DropEveryPair(btOverlappingPairCache& cache, btDispatcher* dispatcher)
{
    // From the end, so that no removal moves another pair.
    while (cache.getNumOverlappingPairs() > 0) {
        btBroadphasePair& last = cache.getOverlappingPairArray()[cache.getNumOverlappingPairs() - 1];
        cache.removeOverlappingPair(last.m_pProxy0, last.m_pProxy1, dispatcher);
    }
}

// A pair's algorithm makes its manifolds only when it first collides the two
// shapes, so it collides them once here; the saved manifolds then replace
// what that found. Returns the manifolds in the algorithm's own order.
btManifoldArray RemakeManifolds(CDynamicsWorld& world, btBroadphasePair& pair)
{
    auto* object0 = static_cast<btCollisionObject*>(pair.m_pProxy0->m_clientObject);
    auto* object1 = static_cast<btCollisionObject*>(pair.m_pProxy1->m_clientObject);
    const btCollisionObjectWrapper wrapper0(nullptr, object0->getCollisionShape(), object0,
                                            object0->getWorldTransform(), -1, -1);
    const btCollisionObjectWrapper wrapper1(nullptr, object1->getCollisionShape(), object1,
                                            object1->getWorldTransform(), -1, -1);
    btDispatcher* dispatcher = world.getDispatcher();
    pair.m_algorithm =
        dispatcher->findAlgorithm(&wrapper0, &wrapper1, nullptr, BT_CONTACT_POINT_ALGORITHMS);
    btManifoldArray manifolds;
    if (pair.m_algorithm == nullptr) return manifolds;
    btManifoldResult found(&wrapper0, &wrapper1);
    pair.m_algorithm->processCollision(&wrapper0, &wrapper1, world.getDispatchInfo(), &found);
    pair.m_algorithm->getAllContactManifolds(manifolds);
    return manifolds;
}

void RestorePairs(CDynamicsWorld& world, const WorldStepState& state)
{
    btOverlappingPairCache& cache = *world.getBroadphase()->getOverlappingPairCache();
    const btCollisionObjectArray& objects = world.getCollisionObjectArray();
    std::vector<btPersistentManifold*> made(state.manifolds.size(), nullptr);
    for (const WorldStepState::Pair& saved : state.pairs) {
        btBroadphasePair* pair = cache.addOverlappingPair(objects[saved.object0]->getBroadphaseHandle(),
                                                         objects[saved.object1]->getBroadphaseHandle());
        if (pair == nullptr || saved.manifoldCount == 0) continue;
        btManifoldArray manifolds = RemakeManifolds(world, *pair);
        // A compound pair finds as many manifolds as its children touch now;
        // where that differs from the saved count the pair keeps what it found.
        if (manifolds.size() != saved.manifoldCount) continue;
        for (int k = 0; k < manifolds.size(); ++k) {
            btPersistentManifold* manifold = manifolds[k];
            // The dispatcher's slot and the bodies stay the new manifold's own.
            const int dispatcherIndex = manifold->m_index1a;
            const btCollisionObject* body0 = manifold->getBody0();
            const btCollisionObject* body1 = manifold->getBody1();
            *manifold = state.manifolds[std::size_t(saved.firstManifold + k)];
            manifold->m_index1a = dispatcherIndex;
            manifold->setBodies(body0, body1);
            made[std::size_t(saved.firstManifold + k)] = manifold;
        }
    }
    // The solver meets contacts in the dispatcher's order: put it back too.
    btDispatcher* dispatcher = world.getDispatcher();
    if (dispatcher->getNumManifolds() != int(state.manifoldOrder.size())) return;
    btPersistentManifold** order = dispatcher->getInternalManifoldPointer();
    for (std::size_t k = 0; k < state.manifoldOrder.size(); ++k) {
        if (made[std::size_t(state.manifoldOrder[k])] == nullptr) return;
    }
    for (std::size_t k = 0; k < state.manifoldOrder.size(); ++k) {
        btPersistentManifold* manifold = made[std::size_t(state.manifoldOrder[k])];
        order[k] = manifold;
        manifold->m_index1a = int(k);
    }
}

}  // namespace

std::size_t WorldStepState::Bytes() const
{
    std::size_t bytes = sizeof(*this) + objects.size() * sizeof(Object) +
                        pairs.size() * sizeof(Pair) +
                        manifolds.size() * sizeof(btPersistentManifold) +
                        manifoldOrder.size() * sizeof(int) +
                        constraints.size() * sizeof(Constraint);
    for (const std::vector<int>& list : stageLists) bytes += list.size() * sizeof(int);
    for (const MultiBody& body : multiBodies)
        bytes += sizeof(MultiBody) +
                 (body.joints.jointPositions.size() + body.joints.jointVelocities.size()) *
                     sizeof(btScalar);
    return bytes;
}

WorldStepState CaptureStepState(const CDynamicsWorld& world)
{
    WorldStepState state;
    const btCollisionObjectArray& objects = world.getCollisionObjectArray();
    state.objects.reserve(std::size_t(objects.size()));
    for (int i = 0; i < objects.size(); ++i) {
        const btCollisionObject& object = *objects[i];
        const btDbvtProxy* proxy = LeafProxy(object);
        WorldStepState::Object saved;
        saved.identity = &object;
        saved.transform = object.getWorldTransform();
        saved.interpolationTransform = object.getInterpolationWorldTransform();
        saved.interpolationLinearVelocity = object.getInterpolationLinearVelocity();
        saved.interpolationAngularVelocity = object.getInterpolationAngularVelocity();
        saved.linearVelocity = btVector3(0, 0, 0);
        saved.angularVelocity = btVector3(0, 0, 0);
        if (const btRigidBody* body = btRigidBody::upcast(&object)) {
            saved.linearVelocity = body->getLinearVelocity();
            saved.angularVelocity = body->getAngularVelocity();
        }
        saved.activationState = object.getActivationState();
        saved.deactivationTime = object.getDeactivationTime();
        saved.hitFraction = object.getHitFraction();
        saved.leafVolume = proxy->leaf->volume;
        saved.proxyAabbMin = proxy->m_aabbMin;
        saved.proxyAabbMax = proxy->m_aabbMax;
        saved.stage = proxy->stage;
        state.objects.push_back(saved);
    }
    CaptureBroadphase(TreeBroadphase(world), state);

    // Reading only: Bullet offers the pair cache and the dispatcher's list
    // through non-const calls.
    auto& mutableWorld = const_cast<CDynamicsWorld&>(world);
    const btBroadphasePairArray& pairs =
        mutableWorld.getBroadphase()->getOverlappingPairCache()->getOverlappingPairArray();
    std::unordered_map<const btPersistentManifold*, int> manifoldIndex;
    for (int i = 0; i < pairs.size(); ++i) {
        WorldStepState::Pair saved{ObjectIndex(pairs[i].m_pProxy0), ObjectIndex(pairs[i].m_pProxy1),
                                   int(state.manifolds.size()), 0};
        if (pairs[i].m_algorithm != nullptr) {
            btManifoldArray manifolds;
            pairs[i].m_algorithm->getAllContactManifolds(manifolds);
            for (int k = 0; k < manifolds.size(); ++k) {
                manifoldIndex.emplace(manifolds[k], int(state.manifolds.size()));
                state.manifolds.push_back(*manifolds[k]);
            }
            saved.manifoldCount = manifolds.size();
        }
        state.pairs.push_back(saved);
    }
    btDispatcher* dispatcher = mutableWorld.getDispatcher();
    for (int k = 0; k < dispatcher->getNumManifolds(); ++k) {
        const auto found = manifoldIndex.find(dispatcher->getManifoldByIndexInternal(k));
        // A manifold no pair owns (a multibody constraint's, say) cannot be
        // made again; the order is then left as the restore makes it.
        if (found == manifoldIndex.end()) {
            state.manifoldOrder.clear();
            break;
        }
        state.manifoldOrder.push_back(found->second);
    }

    for (int i = 0; i < world.getNumConstraints(); ++i) {
        const btTypedConstraint* constraint = world.getConstraint(i);
        state.constraints.push_back({constraint->isEnabled(), constraint->getAppliedImpulse()});
    }
    for (int i = 0; i < world.getNumMultibodies(); ++i) {
        const btMultiBody& body = *world.getMultiBody(i);
        state.multiBodies.push_back({CurrentState(body), body.isAwake()});
    }
    return state;
}

bool StateFitsWorld(const CDynamicsWorld& world, const WorldStepState& state)
{
    const btCollisionObjectArray& objects = world.getCollisionObjectArray();
    if (objects.size() != int(state.objects.size()) ||
        world.getNumConstraints() != int(state.constraints.size()) ||
        world.getNumMultibodies() != int(state.multiBodies.size()))
        return false;
    for (int i = 0; i < objects.size(); ++i) {
        if (objects[i] != state.objects[std::size_t(i)].identity) return false;
    }
    for (int i = 0; i < world.getNumMultibodies(); ++i) {
        const btMultiBody& body = *world.getMultiBody(i);
        const MultiBodyStart& joints = state.multiBodies[std::size_t(i)].joints;
        if (int(joints.jointPositions.size()) != body.getNumPosVars() ||
            int(joints.jointVelocities.size()) != body.getNumDofs())
            return false;
    }
    return true;
}

void ForgetContactCache(CDynamicsWorld& world)
{
    DropEveryPair(*world.getBroadphase()->getOverlappingPairCache(), world.getDispatcher());
    world.getConstraintSolver()->reset();
    world.getBroadphase()->resetPool(world.getDispatcher());
}

void RestoreStepState(CDynamicsWorld& world, const WorldStepState& state, ContactCache cache)
{
    KINETTA_ASSERT(StateFitsWorld(world, state),
                   "bring back the state's objects, in its order, before restoring it");
    // Multibodies first: they move their colliders, which the objects' own
    // records then settle exactly.
    for (int i = 0; i < world.getNumMultibodies(); ++i) {
        btMultiBody& body = *world.getMultiBody(i);
        const WorldStepState::MultiBody& saved = state.multiBodies[std::size_t(i)];
        RestoreState(body, saved.joints);
        if (!saved.awake) body.goToSleep();
    }
    const btCollisionObjectArray& objects = world.getCollisionObjectArray();
    for (int i = 0; i < objects.size(); ++i) {
        btCollisionObject& object = *objects[i];
        const WorldStepState::Object& saved = state.objects[std::size_t(i)];
        if (btRigidBody* body = btRigidBody::upcast(&object)) {
            // Not setWorldTransform: the world-frame inertia must follow the turn.
            body->setCenterOfMassTransform(saved.transform);
            body->setLinearVelocity(saved.linearVelocity);
            body->setAngularVelocity(saved.angularVelocity);
            if (btMotionState* motion = body->getMotionState())
                motion->setWorldTransform(saved.transform);
        } else {
            object.setWorldTransform(saved.transform);
        }
        object.setInterpolationWorldTransform(saved.interpolationTransform);
        object.setInterpolationLinearVelocity(saved.interpolationLinearVelocity);
        object.setInterpolationAngularVelocity(saved.interpolationAngularVelocity);
        object.forceActivationState(saved.activationState);
        object.setDeactivationTime(saved.deactivationTime);
        object.setHitFraction(saved.hitFraction);
    }
    for (int i = 0; i < world.getNumConstraints(); ++i) {
        btTypedConstraint* constraint = world.getConstraint(i);
        const WorldStepState::Constraint& saved = state.constraints[std::size_t(i)];
        constraint->setEnabled(saved.enabled);
        constraint->internalSetAppliedImpulse(saved.appliedImpulse);
    }

    if (cache == ContactCache::Forget) {
        ForgetContactCache(world);
        return;
    }
    DropEveryPair(*world.getBroadphase()->getOverlappingPairCache(), world.getDispatcher());
    world.getConstraintSolver()->reset();
    RestoreBroadphase(TreeBroadphase(world), world, state);
    RestorePairs(world, state);
}
