#pragma once
// Rotations as other programs write them, made fit before the checks judge
// them. Bullet stores a transform's rotation as it was in memory: a writer
// that never set one leaves (0, 0, 0, 0), and Bullet's own importer turns
// that into NaN. Reading a file, Kinetta takes a zero rotation as no
// rotation and normalises one within kRotationTolerance of unit length; a
// non-finite or clearly wrong one is left for the checks to refuse. The
// checks themselves stay strict: they are what every description, Kinetta's
// own included, must pass.

#include "worlds/world_file_description.h"

#include <string>

// Mends every rotation of the description: bodies', constraint frames',
// compound parts', multibody bases', links' and spherical joints'. Returns
// what the user should be told ("1 rotation of length 0 read as no
// rotation"), or an empty string when nothing needed telling.
std::string MendReadRotations(WorldDescription& description);
