// The ball: the 20 faces of an icosahedron, each split into four, with every
// point pushed out onto the sphere. From afar, the icosahedron alone, and
// then an octahedron: smooth normals keep their outline round enough at the
// size they are seen at.
#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <utility>

#include "tools/assetgen/meshes.h"

namespace assetgen {
namespace {

constexpr double kRadius = 0.5;

Mesh BallSurface()
{
    Mesh mesh;
    // LUMI .. VTRN stay zero: the scene colours the ball itself.
    mesh.surfaces = {{"Ball",
                      {Colour(198, 198, 198), Word("FLAG", 0), Word("LUMI", 0), Word("DIFF", 0),
                       Word("SPEC", 0),  // specular level
                       Word("REFL", 0), Word("TRAN", 0), Float("VLUM", 0), Float("VDIF", 0),
                       Float("VSPC", 0), Float("VRFL", 0), Float("VTRN", 0), Word("GLOS", 16),
                       Word("RFLT", 0), Float("RIND", 1.0f), Float("ALPH", 1.0f)}}};
    return mesh;
}

Mesh Icosahedron(bool split)
{
    Mesh mesh = BallSurface();

    // The twelve corners (0, +-1, +-g), (+-1, +-g, 0), (+-g, 0, +-1).
    const double g = (1.0 + std::sqrt(5.0)) / 2.0;
    const double corner[12][3] = {{0, 1, g}, {0, 1, -g}, {0, -1, g}, {0, -1, -g},
                                  {1, g, 0}, {1, -g, 0}, {-1, g, 0}, {-1, -g, 0},
                                  {g, 0, 1}, {g, 0, -1}, {-g, 0, 1}, {-g, 0, -1}};
    for (const auto& c : corner)
        mesh.AddPoint(Normalised({c[0], c[1], c[2]}) * kRadius);

    // Two corners are neighbours when they lie one edge (length 2) apart; the
    // faces are the triples of mutual neighbours.
    auto neighbours = [&](int i, int j) {
        const Vec3 a{corner[i][0], corner[i][1], corner[i][2]};
        const Vec3 b{corner[j][0], corner[j][1], corner[j][2]};
        const Vec3 d = a - b;
        return std::fabs(Dot(d, d) - 4.0) < 1e-9;
    };

    std::map<std::pair<std::uint16_t, std::uint16_t>, std::uint16_t> midpoints;
    auto midpoint = [&](std::uint16_t a, std::uint16_t b) {
        const auto key = std::minmax(a, b);
        const auto found = midpoints.find(key);
        if (found != midpoints.end())
            return found->second;
        const Vec3 m = (mesh.points[a] + mesh.points[b]) * 0.5;
        const std::uint16_t index = mesh.AddPoint(Normalised(m) * kRadius);
        midpoints.emplace(key, index);
        return index;
    };

    for (std::uint16_t i = 0; i < 12; ++i)
        for (std::uint16_t j = i + 1; j < 12; ++j)
            for (std::uint16_t k = j + 1; k < 12; ++k) {
                if (!neighbours(i, j) || !neighbours(j, k) || !neighbours(i, k))
                    continue;
                if (!split) {
                    const Vec3 centre = mesh.points[i] + mesh.points[j] + mesh.points[k];
                    mesh.AddFacing({i, j, k}, 0, centre);
                    continue;
                }
                const std::uint16_t ij = midpoint(i, j), jk = midpoint(j, k), ki = midpoint(k, i);
                for (const auto& t : {std::array<std::uint16_t, 3>{i, ij, ki},
                                      std::array<std::uint16_t, 3>{ij, j, jk},
                                      std::array<std::uint16_t, 3>{ki, jk, k},
                                      std::array<std::uint16_t, 3>{ij, jk, ki}}) {
                    const Vec3 centre = mesh.points[t[0]] + mesh.points[t[1]] + mesh.points[t[2]];
                    mesh.AddFacing({t[0], t[1], t[2]}, 0, centre);
                }
            }
    return mesh;
}

}  // namespace

Mesh MakeBall()
{
    return Icosahedron(true);
}

Mesh MakeSimplerBall(int level)
{
    if (level <= 1)
        return Icosahedron(false);
    Mesh mesh = BallSurface();
    const Vec3 axes[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (const Vec3& axis : axes)
        mesh.AddPoint(axis * kRadius);
    // One face per octant: an x, a y and a z corner.
    for (std::uint16_t x : {0, 1})
        for (std::uint16_t y : {2, 3})
            for (std::uint16_t z : {4, 5}) {
                const Vec3 centre = mesh.points[x] + mesh.points[y] + mesh.points[z];
                mesh.AddFacing({x, y, z}, 0, centre);
            }
    return mesh;
}

}  // namespace assetgen
