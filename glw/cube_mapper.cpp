#include "glw/cube_mapper.h"

#include "glw/face_normal.h"

#include <cmath>
#include <optional>

namespace glw {
namespace {

enum Axis { kX = 0, kY = 1, kZ = 2 };

// Which position components become u and v, and with which signs.
struct Projection {
    Axis uAxis;
    float uSign;
    Axis vAxis;
    float vSign;
};

using Normal = Vec3;

// Zero for a degenerate triangle, which then faces no plane at all.
Normal UnitNormal(const Vertex& a, const Vertex& b, const Vertex& c)
{
    return Normalised(FaceNormal(a, b, c));
}

Projection ZFacing(const Normal& n)
{
    return {kX, n.z > 0 ? 1.0f : -1.0f, kY, -1.0f};
}

// The rows are tried in this order, so ax = ay > az goes to x and
// ax = az > ay to z. Nothing fits when ay = az > ax or all three are equal
// (zero included).
std::optional<Projection> Choose(const Normal& n)
{
    const float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    if (ay <= ax && az < ax)
        return Projection{kZ, n.x > 0 ? -1.0f : 1.0f, kY, -1.0f};
    if (ay >= ax && ay > az)
        return Projection{kX, 1.0f, kZ, n.y > 0 ? 1.0f : -1.0f};
    if (ax <= az && ay < az)
        return ZFacing(n);
    return std::nullopt;
}

// A triangle that fits no row keeps the previous triangle's projection. The
// first triangle has none to keep and uses the z row, signed by its own normal
// (a degenerate one, which has no normal, maps as if it faced +z).
Projection FirstFallback(const Normal& n)
{
    return {kX, n.z < 0 ? -1.0f : 1.0f, kY, -1.0f};
}

float Reciprocal(float extent)
{
    return extent != 0.0f ? 1.0f / extent : 0.0f;
}

}  // namespace

void CubeMapper::Map(const std::vector<std::uint32_t>& indices, std::vector<Vertex>& vertices)
{
    const float inv[3] = {Reciprocal(size[0]), Reciprocal(size[1]), Reciprocal(size[2])};
    std::optional<Projection> previous;

    for (std::size_t i = 0; i + 2 < indices.size(); i += 3) {
        const std::uint32_t corners[3] = {indices[i], indices[i + 1], indices[i + 2]};
        if (corners[0] >= vertices.size() || corners[1] >= vertices.size() ||
            corners[2] >= vertices.size())
            continue;

        const Normal n =
            UnitNormal(vertices[corners[0]], vertices[corners[1]], vertices[corners[2]]);
        const std::optional<Projection> chosen = Choose(n);
        const Projection p = chosen ? *chosen : previous ? *previous : FirstFallback(n);
        previous = p;

        for (const std::uint32_t corner : corners) {
            Vertex& v = vertices[corner];
            const float u0 = v.position[p.uAxis] * p.uSign * inv[p.uAxis] + offset[p.uAxis];
            v.texCoord[0] = flipU ? -u0 : u0 + 1.0f;
            v.texCoord[1] = v.position[p.vAxis] * p.vSign * inv[p.vAxis] + offset[p.vAxis] + 1.0f;
        }
    }
}

}  // namespace glw
