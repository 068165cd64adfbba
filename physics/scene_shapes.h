#pragma once
// The scene's collision shapes as plain Bullet shapes of the scene's
// dimensions. The view uses its body models for the cylinder, sphere, box and
// dice; tests and benchmarks use this set, so it is made in one place only.

#include <btBulletDynamicsCommon.h>

#include <memory>

struct SceneShapes {
    SceneShapes();

    std::unique_ptr<btBoxShape> ground;
    std::unique_ptr<btBoxShape> wall;
    std::unique_ptr<btConeShape> cone;
    std::unique_ptr<btCylinderShape> cylinder;
    std::unique_ptr<btBoxShape> box;
    std::unique_ptr<btSphereShape> sphere;
    std::unique_ptr<btBoxShape> dice;
};
