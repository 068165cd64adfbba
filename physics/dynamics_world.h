#pragma once
// The dynamics world of the scene: Bullet's multibody world (a discrete world
// that also steps articulated bodies) together with the four components it is
// built from, its settings and its fixed-step stepping.

#include <BulletDynamics/Featherstone/btMultiBodyConstraintSolver.h>
#include <BulletDynamics/Featherstone/btMultiBodyDynamicsWorld.h>
#include <btBulletDynamicsCommon.h>

#include <functional>
#include <memory>
#include <vector>

// Owns the components that the base world only borrows. Bodies are not owned:
// whoever adds a body removes and deletes it (see physics/rigid_body.h); the
// same holds for multibodies, their link colliders and their constraints.
class CDynamicsWorld : public btMultiBodyDynamicsWorld {
public:
    CDynamicsWorld(std::unique_ptr<btMultiBodyConstraintSolver> solver,
                   std::unique_ptr<btBroadphaseInterface> broadphase,
                   std::unique_ptr<btCollisionConfiguration> configuration,
                   std::unique_ptr<btDispatcher> dispatcher);
    CDynamicsWorld(const CDynamicsWorld&) = delete;
    CDynamicsWorld& operator=(const CDynamicsWorld&) = delete;

    // Any object still in the world is removed (not deleted) first: the base
    // destructor would otherwise reach into the deleted broadphase and dispatcher.
    ~CDynamicsWorld() override;

    // Puts every rigid body back at the start transform of its motion state,
    // and every multibody that remembers its start (physics/multibody_start.h)
    // back to it, colliders included, at rest unless the start moves, awake,
    // and forgets all cached contacts.
    void ResetBodies();

    // Takes every multibody constraint, then every multibody, out of the
    // world at once, without deleting them; their link colliders stay for
    // RemoveCollisionObjects.
    void RemoveMultiBodies();

    // Takes every collision object for which leaving() holds out of the
    // world at once and returns them, in world order, for the caller to
    // delete. The others keep their order, their pairs and their contacts.
    // Bullet's own removal searches every pair and every body for each
    // object it removes; this costs one pass over them, whatever the count.
    // The objects must have no constraints left in the world, and a link
    // collider's multibody must be out of it (checked).
    std::vector<btCollisionObject*> RemoveCollisionObjects(
        const std::function<bool(const btCollisionObject&)>& leaving);

    // The same for constraints: takes every constraint for which leaving()
    // holds out of the world at once and returns them, in world order. The
    // others keep their order; each body keeps only the references (and the
    // collision exceptions) of its staying constraints. Bullet's own removal
    // searches the world's whole list for each constraint.
    std::vector<btTypedConstraint*> RemoveConstraints(
        const std::function<bool(const btTypedConstraint&)>& leaving);

private:
    // Declaration order is construction order; the destructor deletes them in
    // its own order.
    std::unique_ptr<btMultiBodyConstraintSolver> m_solver;
    std::unique_ptr<btBroadphaseInterface> m_broadphase;
    std::unique_ptr<btCollisionConfiguration> m_configuration;
    std::unique_ptr<btDispatcher> m_dispatcher;
};

// The fixed simulation step: every StepWorld call advances the world by this much.
inline constexpr float kFixedTimeStep = 1.0f / 60.0f;

inline constexpr int kPersistentManifoldPoolSize = 4096;
inline constexpr int kCollisionAlgorithmPoolSize = 4096;

// A world over the default collision configuration, a dynamic AABB tree
// broadphase and the multibody solver (the sequential-impulse solver that
// also solves multibodies), with box-box pairs handled by the general
// convex-convex algorithm. The settings are not applied here.
std::unique_ptr<CDynamicsWorld> CreateDynamicsWorld();

// What the world's solver iterations may be set to, by hand or by a file.
inline constexpr int kMinWorldSolverIterations = 1;
inline constexpr int kMaxWorldSolverIterations = 100;

// Bullet's solver settings but for split impulse on, 10 iterations and
// friction in one direction (see CDynamicsWorld). Inline: a world file's
// builder starts from it without the rest of this file.
inline btContactSolverInfo KinettaSolverInfo()
{
    btContactSolverInfo info;
    info.m_solverMode &= ~SOLVER_USE_2_FRICTION_DIRECTIONS;
    info.m_splitImpulse = 1;
    info.m_numIterations = 10;
    return info;
}

// Kinetta's solver settings, all of them, whatever a file had set;
// continuous collision detection on, gravity (0, -10, 0).
void ApplyWorldSettings(btDiscreteDynamicsWorld& world);

// Whether every body and multibody that could move is asleep, and no body is
// kinematic: a step would change nothing.
bool NothingCanMove(const btDynamicsWorld& world);

// Advances the world by exactly one fixed step, however much real time has
// passed, and leaves every motion state's graphics transform on its body. A
// world where nothing can move is left as it is.
void StepWorld(btDynamicsWorld& world);
