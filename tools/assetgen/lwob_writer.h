#pragma once
// Serialises a mesh as a LightWave object of the older LWOB kind.

#include <cstdint>
#include <vector>

#include "tools/assetgen/mesh.h"

namespace assetgen {

// FORM/LWOB with SRFS, PNTS, POLS and one SURF per surface, in that order.
// Converts to LightWave's left-handed coordinates: z is negated and every
// polygon is written clockwise seen from outside (first corner kept, the rest
// reversed).
std::vector<std::uint8_t> WriteLwob(const Mesh& mesh);

}  // namespace assetgen
