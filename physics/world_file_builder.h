#pragma once
// Bullet objects made from a checked description: the world an opened file
// holds, owned in one object until the scene takes it in.

#include "physics/world_file_description.h"

#include <btBulletDynamicsCommon.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The scene's own shape for a shape name found in the file ("kinetta.can"),
// or nullptr to build the file's shape. The scene keeps ownership, and its
// shape must outlive the LoadedWorld's bodies.
using SceneShapeLookup = std::function<btCollisionShape*(std::string_view name)>;

// Everything an opened file brought: bodies not yet in any world, in the
// file's order, each at the file's transform and velocities, with
// constraints between them and the gravity the file asked for.
//
// Teardown order is that of the members below, last first: constraints, then
// bodies with their motion states, then shapes, then the meshes under them.
// Add the bodies and constraints to a world with AddTo and take them out with
// RemoveFrom (or the world's own calls) before this object is destroyed.
class LoadedWorld {
public:
    struct Body {
        std::unique_ptr<btDefaultMotionState> motionState;
        std::unique_ptr<btRigidBody> body;
        // The name the file gave the body's shape; empty for none.
        std::string shapeName;
    };
    struct Constraint {
        std::unique_ptr<btTypedConstraint> constraint;
        bool disableCollisionsBetweenBodies = false;
    };

    LoadedWorld() = default;
    LoadedWorld(const LoadedWorld&) = delete;
    LoadedWorld& operator=(const LoadedWorld&) = delete;
    ~LoadedWorld();

    const btVector3& Gravity() const { return m_gravity; }
    int BodyCount() const { return static_cast<int>(m_bodies.size()); }
    btRigidBody& BodyAt(int index) const;
    const std::string& ShapeNameAt(int index) const;
    int ConstraintCount() const { return static_cast<int>(m_constraints.size()); }
    btTypedConstraint& ConstraintAt(int index) const;
    // Shapes built from the file (not the scene's shapes it used instead),
    // compound parts among them; they go with this object.
    int OwnedShapeCount() const { return static_cast<int>(m_shapes.size()); }
    const btCollisionShape& OwnedShapeAt(int index) const;

    // Adds every body, then every constraint, to the world; sets its gravity.
    void AddTo(btDiscreteDynamicsWorld& world);
    // Removes every constraint, then every body, from the world.
    void RemoveFrom(btDiscreteDynamicsWorld& world);

private:
    friend std::unique_ptr<LoadedWorld> BuildLoadedWorld(const WorldDescription&,
                                                         const SceneShapeLookup&);

    btVector3 m_gravity{0, -10, 0};
    // Vertex and index storage that the triangle meshes point into.
    std::vector<std::vector<btVector3>> m_meshVertices;
    std::vector<std::vector<int>> m_meshIndices;
    std::vector<std::unique_ptr<btTriangleIndexVertexArray>> m_meshes;
    std::vector<std::unique_ptr<btCollisionShape>> m_shapes;
    std::vector<Body> m_bodies;
    std::vector<Constraint> m_constraints;
};

// Builds a description that CheckWorldDescription accepted (a contract: an
// unchecked one trips an assertion). A shape whose name the lookup knows is
// the scene's shape, not built; a body on a shape that cannot move gets no mass.
std::unique_ptr<LoadedWorld> BuildLoadedWorld(const WorldDescription& description,
                                              const SceneShapeLookup& sceneShapes = {});
