#pragma once
// What the world reader does with a .bullet file: Bullet's importer reads it,
// and its objects, with the raw records the importer does not carry over
// (velocities, damping, activation), become a WorldDescription. Multibodies,
// which the importer does not make, are read from their records alone.

#include "worlds/world_file_description.h"

#include <string>
#include <vector>

// The description, or an empty optional with the whole message for the user
// in *error ("this is not a Bullet file"). The buffer may be changed: Bullet
// fixes pointers and byte order in place.
std::optional<WorldDescription> DescribeBulletFile(std::vector<char>& contents, std::string* error);
