// The can is a profile of 18 rings swept around the y axis in 12 segments,
// closed by a fan at each end. Every ring is seen under a steadily rising
// angle from the centre (no overhangs), so each facet faces away from it.
// The simpler cans for far away sweep some of the same rings in fewer
// segments: the same outline, label and lid, seen from afar.
#include <array>
#include <cmath>
#include <vector>

#include "tools/assetgen/meshes.h"

namespace assetgen {
namespace {

constexpr double kBodyRadius = 0.4923;

struct ProfilePoint {
    double radius, y;
};

// Bottom to top: concave base with its standing foot, the straight body that
// carries the label, the shoulder, the raised rim and the recessed lid.
constexpr std::array<ProfilePoint, 18> kProfile{{
    {0.22, -0.75},
    {0.34, -0.78},
    {0.38, -0.80},
    {0.42, -0.79},
    {0.47, -0.72},
    {kBodyRadius, -0.62},
    {kBodyRadius, -0.55},
    {kBodyRadius, -0.33},
    {kBodyRadius, -0.11},
    {kBodyRadius, 0.11},
    {kBodyRadius, 0.33},
    {kBodyRadius, 0.55},
    {kBodyRadius, 0.62},
    {0.47, 0.70},
    {0.43, 0.75},
    {0.42, 0.79},
    {0.40, 0.80},
    {0.37, 0.78},
}};
constexpr double kBottomCentreY = -0.75;  // the base domes up into the can
constexpr double kTopCentreY = 0.765;     // the lid sits below the rim
// The label covers the bands between these rings.
constexpr int kFirstLabelRing = 6;
constexpr int kLastLabelRing = 11;

constexpr std::uint16_t kLabel = 0;
constexpr std::uint16_t kMetal = 1;

// A sweep: which rings of the profile, in how many segments (12, 8 or 6).
struct Sweep {
    std::vector<int> rings;
    int segments;
};

// Exact sine of a step around the circle, so that the quarter points land on
// the axes instead of a rounding error away from them.
double SineOfStep(int step, int segments)
{
    static const double h = std::sqrt(3.0) / 2.0;
    static const double twelfths[12] = {0, 0.5, h, 1, h, 0.5, 0, -0.5, -h, -1, -h, -0.5};
    static const double q = std::sqrt(0.5);
    static const double eighths[8] = {0, q, 1, q, 0, -q, -1, -q};
    step = ((step % segments) + segments) % segments;
    return segments == 8 ? eighths[step] : twelfths[step * (12 / segments)];
}

double CosineOfStep(int step, int segments)
{
    return SineOfStep(step + segments / 4, segments);
}

Vec3 OnRing(const ProfilePoint& p, int segment, int segments)
{
    return {p.radius * CosineOfStep(segment, segments), p.y,
            p.radius * SineOfStep(segment, segments)};
}

Mesh SweepCan(const Sweep& sweep)
{
    const int segments = sweep.segments;
    Mesh mesh;
    mesh.surfaces = {PlainSurface("Label", 255, 0, 0, kSmoothing),
                     PlainSurface("Metal", 200, 200, 200, kSmoothing)};

    auto ringPoint = [segments](int ring, int segment) {
        return static_cast<std::uint16_t>(ring * segments + (segment % segments));
    };
    for (const int ring : sweep.rings)
        for (int s = 0; s < segments; ++s)
            mesh.AddPoint(OnRing(kProfile[std::size_t(ring)], s, segments));
    const std::uint16_t bottom = mesh.AddPoint({0, kBottomCentreY, 0});
    const std::uint16_t top = mesh.AddPoint({0, kTopCentreY, 0});

    const int lastRing = static_cast<int>(sweep.rings.size()) - 1;
    for (int s = 0; s < segments; ++s)
        mesh.AddFacing({bottom, ringPoint(0, s), ringPoint(0, s + 1)}, kMetal, {0, -1, 0});

    for (int ring = 0; ring < lastRing; ++ring) {
        const int from = sweep.rings[std::size_t(ring)];
        const ProfilePoint& lower = kProfile[std::size_t(from)];
        const ProfilePoint& upper = kProfile[std::size_t(sweep.rings[std::size_t(ring + 1)])];
        const bool label = from >= kFirstLabelRing && from < kLastLabelRing;
        // The profile's outward normal, turned to each segment's middle.
        const double normalRadial = upper.y - lower.y;
        const double normalY = lower.radius - upper.radius;
        for (int s = 0; s < segments; ++s) {
            const Vec3 middle =
                (OnRing({1.0, 0.0}, s, segments) + OnRing({1.0, 0.0}, s + 1, segments)) * 0.5;
            const Vec3 outward{middle.x * normalRadial, normalY, middle.z * normalRadial};
            const std::uint16_t a = ringPoint(ring, s), b = ringPoint(ring, s + 1),
                                c = ringPoint(ring + 1, s + 1), d = ringPoint(ring + 1, s);
            const std::uint16_t surface = label ? kLabel : kMetal;
            mesh.AddFacing({a, b, c}, surface, outward);
            mesh.AddFacing({a, c, d}, surface, outward);
        }
    }

    for (int s = 0; s < segments; ++s)
        mesh.AddFacing({top, ringPoint(lastRing, s), ringPoint(lastRing, s + 1)}, kMetal,
                       {0, 1, 0});
    return mesh;
}

}  // namespace

Mesh MakeCan()
{
    return SweepCan({{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}, 12});
}

Mesh MakeSimplerCan(int level)
{
    // The label's edges (rings 6 and 11) stay, so that the label keeps its
    // height; its inner rings only carried the smooth side.
    if (level <= 1)
        return SweepCan({{0, 2, 4, 5, 6, 11, 12, 13, 15, 17}, 8});
    return SweepCan({{2, 5, 6, 11, 12, 16}, 6});
}

}  // namespace assetgen
