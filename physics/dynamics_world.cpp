#include "physics/dynamics_world.h"

#include "physics/multibody_start.h"

#include <BulletDynamics/Featherstone/btMultiBodyLinkCollider.h>

#include <utility>

namespace {

// Forgets the contacts of every pair that has a body in it (a rigid body or a
// multibody's collider), in one pass: cleaning body by body searched every
// pair for each body.
class CleanBodyPairs : public btOverlapCallback {
public:
    CleanBodyPairs(btOverlappingPairCache& cache, btDispatcher* dispatcher)
        : m_cache(cache), m_dispatcher(dispatcher)
    {
    }

    bool processOverlap(btBroadphasePair& pair) override
    {
        if (IsBody(pair.m_pProxy0) || IsBody(pair.m_pProxy1))
            m_cache.cleanOverlappingPair(pair, m_dispatcher);
        return false;  // the pair stays
    }

private:
    static bool IsBody(const btBroadphaseProxy* proxy)
    {
        const auto* object = static_cast<const btCollisionObject*>(proxy->m_clientObject);
        return btRigidBody::upcast(object) != nullptr ||
               btMultiBodyLinkCollider::upcast(object) != nullptr;
    }

    btOverlappingPairCache& m_cache;
    btDispatcher* m_dispatcher;
};

}  // namespace

CDynamicsWorld::CDynamicsWorld(std::unique_ptr<btMultiBodyConstraintSolver> solver,
                               std::unique_ptr<btBroadphaseInterface> broadphase,
                               std::unique_ptr<btCollisionConfiguration> configuration,
                               std::unique_ptr<btDispatcher> dispatcher)
    : btMultiBodyDynamicsWorld(dispatcher.get(), broadphase.get(), solver.get(),
                              configuration.get()),
      m_solver(std::move(solver)),
      m_broadphase(std::move(broadphase)),
      m_configuration(std::move(configuration)),
      m_dispatcher(std::move(dispatcher))
{
    // The multibody world asks for friction in two directions at every
    // contact; rigid bodies keep the discrete world's one, which lets a pile
    // of thousands come to rest and sleep.
    getSolverInfo().m_solverMode &= ~SOLVER_USE_2_FRICTION_DIRECTIONS;
    // Pairs sorted every step, so that their order, and with it the order the
    // solver meets contacts in, follows from the bodies alone and not from the
    // broadphase tree's history: a world put back into a kept state
    // (physics/world_step_state.h) then steps on exactly as it did.
    getDispatchInfo().m_deterministicOverlappingPairs = true;
}

CDynamicsWorld::~CDynamicsWorld()
{
    RemoveMultiBodies();
    RemoveCollisionObjects([](const btCollisionObject&) { return true; });
    m_solver.reset();
    m_broadphase.reset();
    m_dispatcher.reset();
    m_configuration.reset();
}

void CDynamicsWorld::ResetBodies()
{
    btBroadphaseInterface* broadphase = getBroadphase();
    btDispatcher* dispatcher = getDispatcher();

    // A copy, so that the walk does not depend on the array it resets.
    const btCollisionObjectArray objects = getCollisionObjectArray();
    for (int i = 0; i < objects.size(); ++i) {
        btCollisionObject* object = objects[i];
        btRigidBody* body = btRigidBody::upcast(object);
        if (body == nullptr) {
            continue;
        }
        // Only the default motion state remembers where its body started.
        if (auto* motionState = dynamic_cast<btDefaultMotionState*>(body->getMotionState())) {
            const btTransform start = motionState->m_startWorldTrans;
            motionState->m_graphicsWorldTrans = start;
            body->setCenterOfMassTransform(start);
            body->setInterpolationWorldTransform(start);
            body->forceActivationState(ACTIVE_TAG);
            body->activate();
            body->setDeactivationTime(0);
        }
        if (!body->isStaticObject()) {
            body->setLinearVelocity(btVector3(0, 0, 0));
            body->setAngularVelocity(btVector3(0, 0, 0));
        }
    }
    for (int i = 0; i < m_multiBodies.size(); ++i) {
        if (const MultiBodyStart* start = StartOf(*m_multiBodies[i]))
            RestoreState(*m_multiBodies[i], *start);
    }
    if (btOverlappingPairCache* cache = broadphase->getOverlappingPairCache()) {
        CleanBodyPairs clean(*cache, dispatcher);
        cache->processAllOverlappingPairs(&clean, dispatcher);
    }
    broadphase->resetPool(dispatcher);
    getConstraintSolver()->reset();
}

void CDynamicsWorld::RemoveMultiBodies()
{
    // Not Bullet's removal, which searches the whole array for each one.
    m_multiBodyConstraints.resize(0);
    m_sortedMultiBodyConstraints.resize(0);
    m_multiBodies.resize(0);
}

std::unique_ptr<CDynamicsWorld> CreateDynamicsWorld()
{
    btDefaultCollisionConstructionInfo info;
    info.m_defaultMaxPersistentManifoldPoolSize = kPersistentManifoldPoolSize;
    info.m_defaultMaxCollisionAlgorithmPoolSize = kCollisionAlgorithmPoolSize;
    info.m_customCollisionAlgorithmMaxElementSize = 0;
    info.m_useEpaPenetrationAlgorithm = 1;
    auto configuration = std::make_unique<btDefaultCollisionConfiguration>(info);
    auto broadphase = std::make_unique<btDbvtBroadphase>();
    auto solver = std::make_unique<btMultiBodyConstraintSolver>();
    auto dispatcher = std::make_unique<btCollisionDispatcher>(configuration.get());

    dispatcher->registerCollisionCreateFunc(BOX_SHAPE_PROXYTYPE, BOX_SHAPE_PROXYTYPE,
                                            configuration->getCollisionAlgorithmCreateFunc(
                                                CONVEX_SHAPE_PROXYTYPE, CONVEX_SHAPE_PROXYTYPE));

    return std::make_unique<CDynamicsWorld>(std::move(solver), std::move(broadphase),
                                            std::move(configuration), std::move(dispatcher));
}

void ApplyWorldSettings(btDiscreteDynamicsWorld& world)
{
    world.getSolverInfo() = KinettaSolverInfo();
    world.getDispatchInfo().m_useContinuous = true;
    world.setGravity(btVector3(0, -10, 0));
}

bool NothingCanMove(const btDynamicsWorld& world)
{
    const btCollisionObjectArray& objects = world.getCollisionObjectArray();
    for (int i = 0; i < objects.size(); ++i) {
        const btCollisionObject& object = *objects[i];
        // A kinematic body may be moved by its owner between steps; static
        // objects count as active in Bullet but never move.
        if (object.isKinematicObject())
            return false;
        if (!object.isStaticObject() && object.isActive())
            return false;
    }
    if (const auto* multiBodies = dynamic_cast<const btMultiBodyDynamicsWorld*>(&world)) {
        for (int i = 0; i < multiBodies->getNumMultibodies(); ++i) {
            if (multiBodies->getMultiBody(i)->isAwake())
                return false;
        }
    }
    return true;
}

void StepWorld(btDynamicsWorld& world)
{
    // With every body asleep, Bullet's step only walks every pair and island
    // to find them still asleep (7 ms for 4,000 bodies at rest) and changes
    // no body. Anything that wakes a body (a throw, an edit, a drag) makes
    // the next step a real one.
    if (NothingCanMove(world))
        return;
    // A variable step of exactly one fixed step: unlike a fixed step with
    // interpolation, it keeps no time remainder, so drawn bodies never lag
    // behind the simulation.
    world.stepSimulation(kFixedTimeStep, 0);
}
