#pragma once
// Bullet objects made from a checked description: the world an opened file
// holds, owned in one object until the scene takes it in.

#include "physics/loaded_world.h"
#include "worlds/world_file_description.h"

#include <btBulletDynamicsCommon.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The scene's own shape for a shape name found in the file ("kinetta.can"),
// or nullptr to build the file's shape. The scene keeps ownership, and its
// shape must outlive the LoadedWorld's bodies.
using SceneShapeLookup = std::function<btCollisionShape*(std::string_view name)>;

// Builds a description that CheckWorldDescription accepted (a contract: an
// unchecked one trips an assertion). A shape whose name the lookup knows is
// the scene's shape when its dimensions are the same, and the file's own
// otherwise; a body on a shape that cannot move gets no mass.
std::unique_ptr<LoadedWorld> BuildLoadedWorld(const WorldDescription& description,
                                              const SceneShapeLookup& sceneShapes = {});

// The same, for the one caller that has just had the description accepted
// (OpenWorldFile): the checks that guard the data then run once per open,
// in every build, rather than again as a contract check. With a cancel
// flag, it looks at it every few thousand records and, once set, throws
// away what it built and returns null.
std::unique_ptr<LoadedWorld> BuildCheckedWorld(const WorldDescription& description,
                                               const SceneShapeLookup& sceneShapes,
                                               const std::atomic<bool>* cancel = nullptr);
