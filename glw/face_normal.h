#pragma once
// Triangle normals, shared by normal computation and texture mapping.

#include "glw/model.h"

#include <cmath>

namespace glw {

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

// (A - C) x (B - C): its length is twice the triangle's area.
inline Vec3 FaceNormal(const Vertex& a, const Vertex& b, const Vertex& c)
{
    const float ux = a.position[0] - c.position[0], uy = a.position[1] - c.position[1],
                uz = a.position[2] - c.position[2];
    const float vx = b.position[0] - c.position[0], vy = b.position[1] - c.position[1],
                vz = b.position[2] - c.position[2];
    return {uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
}

// Unit length, or (0, 0, 0) for a vector with no direction (zero length, or
// too large to measure): never NaN.
inline Vec3 Normalised(const Vec3& n)
{
    const float lengthSquared = n.x * n.x + n.y * n.y + n.z * n.z;
    if (!(lengthSquared > 0.0f) || !std::isfinite(lengthSquared))
        return {};
    const float inv = 1.0f / std::sqrt(lengthSquared);
    return {n.x * inv, n.y * inv, n.z * inv};
}

}  // namespace glw
