#pragma once
// Everything a step of the world carries into the next one, captured whole so
// that a world put back into it steps on exactly as it did the first time:
// the bodies' motion and sleep, the multibodies' joints, the constraints'
// enabled state and impulse, and Bullet's contact cache (the broadphase's
// leaves and counters, the overlapping pairs in their order and every
// persistent manifold with its points and accumulated impulses, which warm
// start the solver). Without the cache a replay drifts apart within a few
// steps in any pile of touching bodies.
//
// A state names the world's objects by their place in the world's lists, so
// it can only be put back into the same world holding the same objects in the
// same order (checked); bringing the objects back is the caller's part.

#include "physics/multibody_start.h"

#include <BulletCollision/BroadphaseCollision/btDbvt.h>
#include <BulletCollision/NarrowPhaseCollision/btPersistentManifold.h>
#include <btBulletDynamicsCommon.h>

#include <cstddef>
#include <vector>

class CDynamicsWorld;

struct WorldStepState {
    struct Object {
        const btCollisionObject* identity = nullptr;  // only compared, never followed
        btTransform transform;
        btTransform interpolationTransform;
        btVector3 linearVelocity;
        btVector3 angularVelocity;
        btVector3 interpolationLinearVelocity;
        btVector3 interpolationAngularVelocity;
        int activationState = 0;
        btScalar deactivationTime = 0;
        btScalar hitFraction = 1;
        // The broadphase leaf: its enlarged volume decides which pairs exist,
        // the last box feeds the next enlargement, the stage says which tree.
        btDbvtVolume leafVolume;
        btVector3 proxyAabbMin;
        btVector3 proxyAabbMax;
        int stage = 0;
    };
    struct Pair {
        int object0 = 0;
        int object1 = 0;
        int firstManifold = 0;  // into manifolds
        int manifoldCount = 0;
    };
    struct Constraint {
        bool enabled = true;
        btScalar appliedImpulse = 0;
    };
    struct MultiBody {
        MultiBodyStart joints;
        bool awake = true;
    };
    // The dynamic-tree broadphase's own counters, which pace its incremental
    // clean-up of pairs.
    struct BroadphaseCounters {
        int stageCurrent = 0, fixedUpdates = 0, dynamicUpdates = 0, cleanupUpdates = 0;
        int newPairs = 0, fixedLeft = 0, parseId = 0, cleanupIndex = 0, generationId = 0;
        unsigned updatesCall = 0, updatesDone = 0;
        btScalar updatesRatio = 0;
        bool needCleanup = false;
    };

    std::vector<Object> objects;  // in the world's order
    std::vector<std::vector<int>> stageLists;  // objects in each stage list, in list order
    BroadphaseCounters counters;
    std::vector<Pair> pairs;  // in the pair cache's order
    std::vector<btPersistentManifold> manifolds;  // pair by pair
    std::vector<int> manifoldOrder;  // the dispatcher's order, as indices into manifolds
    std::vector<Constraint> constraints;  // in the world's order
    std::vector<MultiBody> multiBodies;  // in the world's order

    // What the state holds, for keeping many of them within a budget.
    std::size_t Bytes() const;
};

WorldStepState CaptureStepState(const CDynamicsWorld& world);

enum class ContactCache { Restore, Forget };

// Puts the world back into the state. The world must hold the state's objects,
// constraints and multibodies, in the same order (checked). Forget drops
// every pair instead, as a plain reset of the bodies would: the next step
// finds its contacts anew and the replay is no longer exact.
void RestoreStepState(CDynamicsWorld& world, const WorldStepState& state,
                      ContactCache cache = ContactCache::Restore);

// Drops every pair with its manifolds and the solver's warm start, as a
// plain reset of the bodies would: the next step finds its contacts anew.
void ForgetContactCache(CDynamicsWorld& world);

// Whether the world holds exactly the objects, constraints and multibodies the
// state was captured from, in the same order.
bool StateFitsWorld(const CDynamicsWorld& world, const WorldStepState& state);
