#include "glw/buffer_objects.h"

#include "common/kinetta_assert.h"

#include <climits>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace glw {
namespace {

bool Uploadable(const Surface& surface)
{
    if (surface.vertices.empty() || surface.indices.empty() ||
        surface.indices.size() > static_cast<std::size_t>(INT_MAX))
        return false;
    for (const std::uint32_t index : surface.indices) {
        if (index >= surface.vertices.size())
            return false;
    }
    return true;
}

// The corners as OpenGL sees them: position, normal and texture coordinates.
struct CornerKey {
    float values[8];
    bool operator==(const CornerKey& other) const
    {
        return std::memcmp(values, other.values, sizeof(values)) == 0;
    }
};

struct CornerHash {
    std::size_t operator()(const CornerKey& key) const
    {
        std::size_t hash = 1469598103934665603ull;
        for (const float value : key.values) {
            std::uint32_t bits;
            std::memcpy(&bits, &value, sizeof(bits));
            hash = (hash ^ bits) * 1099511628211ull;
        }
        return hash;
    }
};

// Corners that OpenGL cannot tell apart become one vertex, so that each is
// transformed and lit once per draw instead of once per triangle.
void Weld(const Surface& surface, std::vector<Vertex>& vertices,
          std::vector<std::uint32_t>& indices)
{
    std::unordered_map<CornerKey, std::uint32_t, CornerHash> seen;
    std::vector<std::uint32_t> remap(surface.vertices.size());
    for (std::size_t i = 0; i < surface.vertices.size(); ++i) {
        const Vertex& v = surface.vertices[i];
        CornerKey key{};
        std::memcpy(key.values, v.position, sizeof(v.position));
        std::memcpy(key.values + 3, v.normal, sizeof(v.normal));
        std::memcpy(key.values + 6, v.texCoord, sizeof(v.texCoord));
        const auto [at, added] = seen.emplace(key, static_cast<std::uint32_t>(vertices.size()));
        if (added)
            vertices.push_back(v);
        remap[i] = at->second;
    }
    indices.reserve(surface.indices.size());
    for (const std::uint32_t index : surface.indices)
        indices.push_back(remap[index]);
}

}  // namespace

bool BuffersMatch(const Surface& surface)
{
    const SurfaceBuffers& b = surface.buffers;
    return b.vertexBuffer != 0 && b.vertexCount == surface.vertices.size() &&
           b.indexCount == surface.indices.size();
}

int BindBuffersFor(const Surface& surface, const GlProcs& procs)
{
    if (!BuffersMatch(surface) || !procs.HasBufferObjects())
        return 0;
    procs.bindBuffer(GL_ARRAY_BUFFER, surface.buffers.vertexBuffer);
    procs.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, surface.buffers.indexBuffer);
    return 1;
}

void UnbindBuffers(const GlProcs& procs)
{
    procs.bindBuffer(GL_ARRAY_BUFFER, 0);
    procs.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

int Model::UploadBuffers(const GlProcs& procs, bool weld)
{
    if (!procs.HasBufferObjects())
        return 0;
    KINETTA_ASSERT(HasCurrentContext(), "make the context of procs current before uploading");
    ReleaseBuffers(procs);
    for (Surface& surface : surfaces) {
        // A surface whose indices name no vertex keeps drawing (nothing)
        // through the checks of the client-array path.
        if (!Uploadable(surface))
            continue;
        std::vector<Vertex> vertices;
        std::vector<std::uint32_t> indices;
        if (weld) {
            Weld(surface, vertices, indices);
        } else {
            vertices = surface.vertices;
            indices = surface.indices;
        }
        SurfaceBuffers& b = surface.buffers;
        GLuint names[2] = {0, 0};
        procs.genBuffers(2, names);
        b.vertexBuffer = names[0];
        b.indexBuffer = names[1];
        procs.bindBuffer(GL_ARRAY_BUFFER, b.vertexBuffer);
        procs.bufferData(GL_ARRAY_BUFFER,
                          static_cast<std::ptrdiff_t>(vertices.size() * sizeof(Vertex)),
                          vertices.data(), GL_STATIC_DRAW);
        procs.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, b.indexBuffer);
        procs.bufferData(GL_ELEMENT_ARRAY_BUFFER,
                          static_cast<std::ptrdiff_t>(indices.size() * sizeof(std::uint32_t)),
                          indices.data(), GL_STATIC_DRAW);
        b.vertexCount = surface.vertices.size();
        b.indexCount = surface.indices.size();
    }
    UnbindBuffers(procs);
    return 1;
}

void Model::ReleaseBuffers(const GlProcs& procs)
{
    for (Surface& surface : surfaces) {
        SurfaceBuffers& b = surface.buffers;
        if (b.vertexBuffer != 0) {
            KINETTA_ASSERT(procs.HasBufferObjects() && HasCurrentContext(),
                           "release buffers while the context that made them is current, with "
                           "its entry points");
            const GLuint names[2] = {b.vertexBuffer, b.indexBuffer};
            if (procs.HasBufferObjects())
                procs.deleteBuffers(2, names);
        }
        b.Clear();
    }
}

}  // namespace glw
