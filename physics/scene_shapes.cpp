#include "physics/scene_shapes.h"

#include "physics/scene_content.h"

SceneShapes::SceneShapes()
    : ground(std::make_unique<btBoxShape>(kGroundHalfExtents)),
      wall(std::make_unique<btBoxShape>(kWallHalfExtents)),
      cone(std::make_unique<btConeShape>(kConeRadius, kConeHeight)),
      cylinder(std::make_unique<btCylinderShape>(kCylinderHalfExtents)),
      box(std::make_unique<btBoxShape>(kBoxHalfExtents)),
      sphere(std::make_unique<btSphereShape>(kSphereRadius)),
      dice(std::make_unique<btBoxShape>(kDiceHalfExtents))
{
}
