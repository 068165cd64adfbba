// The domino: eight rectangular rings from the front face's edge round the rim
// to the back face's edge, joined by 28 side quadrilaterals, and two flat
// faces. The front face has points of its own so that smoothing across the
// model never bends its normals (it carries the pips); the back face shares
// the last ring.
#include <array>
#include <cmath>

#include "tools/assetgen/meshes.h"

namespace assetgen {
namespace {

constexpr double kHalfWidth = 0.5;
constexpr double kHalfHeight = 1.0;
constexpr double kHalfDepth = 0.15;
constexpr double kRounding = 0.08;  // radius of the rounded edges

constexpr std::uint16_t kFace = 0;
constexpr std::uint16_t kSides = 1;
constexpr std::uint16_t kBack = 2;

struct RingProfile {
    double inset, z;  // distance in from the outline, depth
};

// Quarter circles of radius kRounding in steps of 30 degrees, front then back.
std::array<RingProfile, 8> Rings()
{
    const double cos30 = std::sqrt(3.0) / 2.0;
    const double sine[4] = {0.0, 0.5, cos30, 1.0};
    const double cosine[4] = {1.0, cos30, 0.5, 0.0};
    std::array<RingProfile, 8> rings{};
    for (int i = 0; i < 4; ++i) {
        const double inset = kRounding * (1.0 - sine[i]);
        const double z = kHalfDepth - kRounding * (1.0 - cosine[i]);
        rings[i] = {inset, z};
        rings[7 - i] = {inset, -z};
    }
    return rings;
}

// Corners counter-clockwise seen from +z.
constexpr int kCornerSign[4][2] = {{1, 1}, {-1, 1}, {-1, -1}, {1, -1}};

Vec3 RingCorner(const RingProfile& ring, int corner)
{
    return {kCornerSign[corner][0] * (kHalfWidth - ring.inset),
            kCornerSign[corner][1] * (kHalfHeight - ring.inset), ring.z};
}

}  // namespace

Mesh MakeDomino()
{
    Mesh mesh;
    // "Face" first: the scene textures surface 0.
    mesh.surfaces = {PlainSurface("Face", 255, 255, 255, kSmoothing),
                     PlainSurface("sides", 255, 255, 255, kSmoothing),
                     PlainSurface("Back", 255, 255, 255, kSmoothing)};
    const std::array<RingProfile, 8> rings = Rings();

    std::uint16_t face[4];
    for (int c = 0; c < 4; ++c)
        face[c] = mesh.AddPoint(RingCorner(rings[0], c));
    std::uint16_t ring[8][4];
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 4; ++c)
            ring[r][c] = mesh.AddPoint(RingCorner(rings[r], c));

    mesh.AddFacing({face[0], face[1], face[2], face[3]}, kFace, {0, 0, 1});
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 4; ++c) {
            const int next = (c + 1) % 4;
            // Outward: the outline edge's own direction, turned out of the slab.
            const Vec3 edgeMiddle = (RingCorner({0, 0}, c) + RingCorner({0, 0}, next)) * 0.5;
            const Vec3 outward{edgeMiddle.x, edgeMiddle.y, 0};
            mesh.AddFacing({ring[r][c], ring[r][next], ring[r + 1][next], ring[r + 1][c]}, kSides,
                           outward);
        }
    mesh.AddFacing({ring[7][0], ring[7][1], ring[7][2], ring[7][3]}, kBack, {0, 0, -1});
    return mesh;
}

Mesh MakeSimplerDomino()
{
    Mesh mesh;
    mesh.surfaces = {PlainSurface("Face", 255, 255, 255, kSmoothing),
                     PlainSurface("sides", 255, 255, 255, kSmoothing),
                     PlainSurface("Back", 255, 255, 255, kSmoothing)};
    const RingProfile front{0, kHalfDepth}, back{0, -kHalfDepth};
    // Every face has corners of its own: square edges, so no normal is
    // smoothed across one.
    std::uint16_t face[4], rear[4];
    for (int c = 0; c < 4; ++c)
        face[c] = mesh.AddPoint(RingCorner(front, c));
    for (int c = 0; c < 4; ++c)
        rear[c] = mesh.AddPoint(RingCorner(back, c));
    mesh.AddFacing({face[0], face[1], face[2], face[3]}, kFace, {0, 0, 1});
    for (int c = 0; c < 4; ++c) {
        const int next = (c + 1) % 4;
        const Vec3 edgeMiddle = (RingCorner({0, 0}, c) + RingCorner({0, 0}, next)) * 0.5;
        const std::uint16_t a = mesh.AddPoint(RingCorner(front, c)),
                            b = mesh.AddPoint(RingCorner(front, next)),
                            d = mesh.AddPoint(RingCorner(back, next)),
                            e = mesh.AddPoint(RingCorner(back, c));
        mesh.AddFacing({a, b, d, e}, kSides, {edgeMiddle.x, edgeMiddle.y, 0});
    }
    mesh.AddFacing({rear[0], rear[1], rear[2], rear[3]}, kBack, {0, 0, -1});
    return mesh;
}

}  // namespace assetgen
