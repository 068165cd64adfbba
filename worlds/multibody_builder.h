#pragma once
// One described multibody made into Bullet's: links set up joint by joint,
// colliders on the described shapes, joint limits, and its start recorded for
// Stop. Part of building a LoadedWorld (world_file_builder.h).

#include "physics/loaded_world.h"
#include "worlds/world_file_description.h"

#include <vector>

// `shapes` holds the built shape of each described shape, by index. The
// colliders sit where the joints put them, and the multibody remembers that
// as its start.
LoadedWorld::MultiBody BuildMultiBody(const DescribedMultiBody& described,
                                      const std::vector<btCollisionShape*>& shapes);
