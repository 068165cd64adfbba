// Normal computation and the plain list operations of the mesh model; the
// OpenGL side lives in model_draw.cpp.
#include "common/kinetta_assert.h"
#include "glw/face_normal.h"
#include "glw/model.h"

#include <unordered_map>

namespace glw {
namespace {

// A corner with no direction gets (0, 0, 0): only degenerate geometry, which
// covers no pixels, has none.
void StoreNormalised(const Vec3& n, float out[3])
{
    const Vec3 unit = Normalised(n);
    out[0] = unit.x;
    out[1] = unit.y;
    out[2] = unit.z;
}

using Accumulator = std::unordered_map<std::uint32_t, Vec3>;

void AccumulateSurface(Surface& s, Accumulator& sums)
{
    const std::size_t vertexCount = s.vertices.size();
    for (std::size_t i = 0; i + 2 < s.indices.size(); i += 3) {
        const std::uint32_t i0 = s.indices[i], i1 = s.indices[i + 1], i2 = s.indices[i + 2];
        if (i0 >= vertexCount || i1 >= vertexCount || i2 >= vertexCount)
            continue;  // a broken index names no corner
        Vertex& a = s.vertices[i0];
        Vertex& b = s.vertices[i1];
        Vertex& c = s.vertices[i2];
        const Vec3 n = FaceNormal(a, b, c);
        if (s.material.smooth) {
            for (const Vertex* v : {&a, &b, &c}) {
                Vec3& sum = sums[v->pointIndex];
                sum.x += n.x;
                sum.y += n.y;
                sum.z += n.z;
            }
        } else {
            StoreNormalised(n, a.normal);
            b.normal[0] = a.normal[0], b.normal[1] = a.normal[1], b.normal[2] = a.normal[2];
            c.normal[0] = a.normal[0], c.normal[1] = a.normal[1], c.normal[2] = a.normal[2];
        }
    }
}

void ResolveSmooth(Surface& s, const Accumulator& sums)
{
    if (!s.material.smooth)
        return;
    for (Vertex& v : s.vertices) {
        const auto it = sums.find(v.pointIndex);
        StoreNormalised(it != sums.end() ? it->second : Vec3{}, v.normal);
    }
}

}  // namespace

std::uint32_t Surface::AddVertex(const Vertex& vertex)
{
    vertices.push_back(vertex);
    return static_cast<std::uint32_t>(vertices.size() - 1);
}

std::uint32_t Surface::AddIndex(std::uint32_t index)
{
    indices.push_back(index);
    return static_cast<std::uint32_t>(indices.size() - 1);
}

void Surface::ComputeNormals()
{
    Accumulator sums;
    AccumulateSurface(*this, sums);
    ResolveSmooth(*this, sums);
}

Surface& Model::GetSurface(std::size_t index)
{
    KINETTA_ASSERT(index < surfaces.size(), "ask SurfaceCount() before taking a surface");
    // Bounds-checked still: with the check compiled out, a bad index ends the
    // program rather than write past the list.
    return surfaces.at(index);
}

const Surface& Model::GetSurface(std::size_t index) const
{
    KINETTA_ASSERT(index < surfaces.size(), "ask SurfaceCount() before taking a surface");
    return surfaces.at(index);
}

std::size_t Model::AddSurface(const Surface& surface)
{
    surfaces.push_back(surface);
    return surfaces.size() - 1;
}

void Model::ComputeNormals()
{
    Accumulator sums;
    for (Surface& s : surfaces)
        AccumulateSurface(s, sums);
    for (Surface& s : surfaces)
        ResolveSmooth(s, sums);
}

}  // namespace glw
