// The rounded cube: six flat 0.8 x 0.8 faces, each edge rounded by two strips
// (a quarter circle in two 45-degree steps) and each corner closed by a fan of
// six triangles around a point on the corner's sphere. Every corner owns
// seven points: three face corners, three strip middles and the fan centre.
#include <cmath>
#include <vector>

#include "tools/assetgen/meshes.h"

namespace assetgen {
namespace {

constexpr double kHalfSide = 0.5;
constexpr double kRounding = 0.1;  // leaves flat faces of 0.8 x 0.8
constexpr double kInner = kHalfSide - kRounding;

constexpr std::uint16_t kFaces = 0;
constexpr std::uint16_t kSides = 1;

// The points that belong to one corner of the cube.
struct CornerPoints {
    std::uint16_t onFace[3];   // on the face across axis a (x, y, z)
    std::uint16_t onStrip[3];  // middle of the strip along axis a
    std::uint16_t centre;
};

Vec3 Component(int axis, double value)
{
    Vec3 v;
    (axis == 0 ? v.x : axis == 1 ? v.y : v.z) = value;
    return v;
}

// v with its component along axis dropped.
Vec3 Across(const Vec3& v, int axis)
{
    return v - Component(axis, axis == 0 ? v.x : axis == 1 ? v.y : v.z);
}

}  // namespace

Mesh MakeRoundedCube()
{
    Mesh mesh;
    mesh.surfaces = {PlainSurface("Faces", 255, 255, 255, 0),
                     PlainSurface("Sides", 255, 255, 255, kSmoothing)};

    const double diagonal = kRounding * std::sqrt(0.5);   // 45 degrees round an edge
    const double spherical = kRounding / std::sqrt(3.0);  // along the corner's (1, 1, 1)

    // Corner c has sign bit a set when its coordinate along axis a is negative.
    CornerPoints corners[8];
    Vec3 sign[8];
    for (int c = 0; c < 8; ++c) {
        sign[c] = {c & 1 ? -1.0 : 1.0, c & 2 ? -1.0 : 1.0, c & 4 ? -1.0 : 1.0};
        const Vec3 inner = sign[c] * kInner;
        for (int a = 0; a < 3; ++a) {
            const Vec3 axisSign = Component(a, c & (1 << a) ? -1.0 : 1.0);
            corners[c].onFace[a] = mesh.AddPoint(inner + axisSign * kRounding);
        }
        for (int a = 0; a < 3; ++a) {
            // The strip along axis a bends round the other two axes.
            corners[c].onStrip[a] = mesh.AddPoint(inner + Across(sign[c], a) * diagonal);
        }
        corners[c].centre = mesh.AddPoint(inner + sign[c] * spherical);
    }

    // The face across axis a on side s joins the four corners on that side.
    for (int a = 0; a < 3; ++a)
        for (int negative = 0; negative < 2; ++negative) {
            // Walk the face's four corners in a cycle over the other two axes.
            const int b = (a + 1) % 3, d = (a + 2) % 3;
            std::vector<std::uint16_t> quad;
            for (int c : {0, 1, 3, 2}) {
                const int bits = (negative << a) | ((c & 1) << b) | (((c >> 1) & 1) << d);
                quad.push_back(corners[bits].onFace[a]);
            }
            const Vec3 outward = Component(a, negative ? -1.0 : 1.0);
            mesh.AddFacing(quad, kFaces, outward);
        }

    // Each edge along axis a joins the corner pair that differs only in bit a;
    // its two strips run face -> strip middle -> face.
    for (int a = 0; a < 3; ++a)
        for (int c = 0; c < 8; ++c) {
            if (c & (1 << a))
                continue;
            const int other = c | (1 << a);
            const int b = (a + 1) % 3, d = (a + 2) % 3;
            const Vec3 outward = Across(sign[c], a);
            const CornerPoints& p = corners[c];
            const CornerPoints& q = corners[other];
            mesh.AddFacing({p.onFace[b], p.onStrip[a], q.onStrip[a], q.onFace[b]}, kSides, outward);
            mesh.AddFacing({p.onStrip[a], p.onFace[d], q.onFace[d], q.onStrip[a]}, kSides, outward);
        }

    // Each corner: a hexagon face x, strip z, face y, strip x, face z, strip y
    // around its centre.
    for (int c = 0; c < 8; ++c) {
        const CornerPoints& p = corners[c];
        const std::uint16_t ring[6] = {p.onFace[0],  p.onStrip[2], p.onFace[1],
                                       p.onStrip[0], p.onFace[2],  p.onStrip[1]};
        for (int i = 0; i < 6; ++i)
            mesh.AddFacing({p.centre, ring[i], ring[(i + 1) % 6]}, kSides, sign[c]);
    }
    return mesh;
}

}  // namespace assetgen
