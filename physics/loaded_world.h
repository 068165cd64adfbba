#pragma once
// The plain owner of the Bullet objects of one opened world: bodies,
// constraints, multibodies, shapes and the meshes under them, kept together
// until the scene lets the world go. What fills it lives in worlds/.

#include "physics/multibody_start.h"

#include <BulletDynamics/Featherstone/btMultiBody.h>
#include <BulletDynamics/Featherstone/btMultiBodyConstraint.h>
#include <BulletDynamics/Featherstone/btMultiBodyLinkCollider.h>
#include <btBulletDynamicsCommon.h>

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// Everything an opened world brought: bodies not yet in any world, in their
// stored order, each at its stored transform and velocities, with
// constraints between them, multibodies with their colliders and joint
// limits, and the gravity the world asked for.
//
// Teardown order is that of the members below, last first: multibodies (each
// its limits, colliders, then itself), constraints, then bodies with their
// motion states, then shapes, then the meshes under them. Add everything to
// a world with AddTo and take it out with RemoveFrom (or the world's own
// calls) before this object is destroyed.
class LoadedWorld {
public:
    struct Body {
        // The body's own name, printable; null for none. On the heap, so
        // that the body can point at it (physics/body_name.h); goes after it.
        std::unique_ptr<std::string> name;
        std::unique_ptr<btDefaultMotionState> motionState;
        std::unique_ptr<btRigidBody> body;
        // The name the body's shape was stored under; empty for none.
        std::string shapeName;
    };
    struct Constraint {
        std::unique_ptr<btTypedConstraint> constraint;
        bool disableCollisionsBetweenBodies = false;
    };
    // One articulated body. The multibody points at its names and start, its
    // colliders and limits at it: they go in the reverse of this order.
    struct MultiBody {
        std::unique_ptr<std::string> baseName;
        std::vector<std::unique_ptr<std::string>> linkNames;  // null: no name
        std::unique_ptr<MultiBodyStart> start;
        std::unique_ptr<btMultiBody> body;
        // The base's first when it has one, then the links' in link order.
        std::vector<std::unique_ptr<btMultiBodyLinkCollider>> colliders;
        std::vector<std::unique_ptr<btMultiBodyConstraint>> limits;
    };

    LoadedWorld() = default;
    LoadedWorld(const LoadedWorld&) = delete;
    LoadedWorld& operator=(const LoadedWorld&) = delete;
    ~LoadedWorld();

    const btVector3& Gravity() const { return m_gravity; }
    // None: the file stored no world settings and the scene keeps its own.
    const std::optional<btContactSolverInfo>& SolverInfo() const { return m_solverInfo; }
    std::optional<int> SolverIterations() const
    {
        return m_solverInfo ? std::optional<int>(m_solverInfo->m_numIterations) : std::nullopt;
    }
    int BodyCount() const { return static_cast<int>(m_bodies.size()); }
    btRigidBody& BodyAt(int index) const;
    const std::string& ShapeNameAt(int index) const;
    int ConstraintCount() const { return static_cast<int>(m_constraints.size()); }
    btTypedConstraint& ConstraintAt(int index) const;
    int MultiBodyCount() const { return static_cast<int>(m_multiBodies.size()); }
    btMultiBody& MultiBodyAt(int index) const;
    // The links of every multibody together.
    int LinkCount() const;
    // Every collider of every multibody, in multibody order.
    std::vector<btMultiBodyLinkCollider*> Colliders() const;
    // Shapes built for this world (not the scene's shapes it used instead),
    // compound parts among them; they go with this object.
    int OwnedShapeCount() const { return static_cast<int>(m_shapes.size()); }
    const btCollisionShape& OwnedShapeAt(int index) const;
    // The name a shape of this world was stored under, a compound's part or
    // a scene's shape among them; empty for none.
    std::string NameOf(const btCollisionShape& shape) const;

    // Adds every body, every multibody's colliders, every multibody, every
    // constraint, then every joint limit to the world; sets its gravity and,
    // when the file gave them, its solver settings. Multibodies need a
    // multibody world (checked).
    void AddTo(btDiscreteDynamicsWorld& world);
    // Takes out what AddTo put in, in the reverse order.
    void RemoveFrom(btDiscreteDynamicsWorld& world);

private:
    // Fills a new one from a checked world description (worlds/).
    friend class LoadedWorldBuilder;

    btVector3 m_gravity{0, -10, 0};
    std::optional<btContactSolverInfo> m_solverInfo;
    // Vertex and index storage that the triangle meshes point into.
    std::vector<std::vector<btVector3>> m_meshVertices;
    std::vector<std::vector<int>> m_meshIndices;
    std::vector<std::unique_ptr<btTriangleIndexVertexArray>> m_meshes;
    std::vector<std::unique_ptr<btCollisionShape>> m_shapes;
    std::vector<Body> m_bodies;
    // What constraints to the world hold on to: this world's own, never
    // Bullet's shared fixed body, which every call rewrites and which a
    // world stepping on another thread reads.
    std::unique_ptr<btRigidBody> m_fixedBody;
    std::vector<Constraint> m_constraints;
    std::vector<MultiBody> m_multiBodies;
    std::unordered_map<const btCollisionShape*, std::string> m_shapeNames;
};
