#include "view/resting_batches.h"

#include "common/kinetta_assert.h"
#include "glw/buffer_objects.h"
#include "view/scene.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

namespace {

// The kinds drawn as one of the scene's meshes, and so batched.
bool BatchedKind(BodyKind kind)
{
    return kind == BodyKind::Can || kind == BodyKind::Ball || kind == BodyKind::Die ||
           kind == BodyKind::Domino;
}

// Lists of separate triangles can be joined; strips and fans cannot, nor a
// surface whose indices name no vertex (drawn, as nothing, on its own).
bool Joinable(const glw::Model& model)
{
    for (const glw::Surface& surface : model.surfaces) {
        if (surface.primitive != 0)
            return false;
        for (const std::uint32_t index : surface.indices) {
            if (index >= surface.vertices.size())
                return false;
        }
    }
    return !model.surfaces.empty();
}

// Corners that OpenGL cannot tell apart become one vertex, as in the meshes'
// own buffers: each is then lit once per body rather than once per triangle.
void Weld(const glw::Surface& surface, std::vector<glw::Vertex>& vertices,
          std::vector<std::uint32_t>& indices)
{
    struct Corner {
        float values[8];
        bool operator<(const Corner& other) const
        {
            return std::memcmp(values, other.values, sizeof(values)) < 0;
        }
    };
    std::map<Corner, std::uint32_t> seen;
    std::vector<std::uint32_t> remap(surface.vertices.size());
    for (std::size_t i = 0; i < surface.vertices.size(); ++i) {
        const glw::Vertex& v = surface.vertices[i];
        Corner key{};
        std::memcpy(key.values, v.position, sizeof(v.position));
        std::memcpy(key.values + 3, v.normal, sizeof(v.normal));
        std::memcpy(key.values + 6, v.texCoord, sizeof(v.texCoord));
        const auto [at, added] = seen.emplace(key, std::uint32_t(vertices.size()));
        if (added)
            vertices.push_back(v);
        remap[i] = at->second;
    }
    for (const std::uint32_t index : surface.indices)
        indices.push_back(remap[index]);
}

// The edge of the cubes that chunks are made of, in metres: a few stacks of
// the --throw grid across, so that a view from inside the scene leaves out
// whole chunks and orders the rest by distance, while a view of everything
// still draws only some hundred runs per surface.
constexpr float kChunkSize = 4.0f;

std::array<int, 3> CellOfPoint(const float* point)
{
    // A body far out, or whose place is not a number, shares an edge cell.
    constexpr float kLastCell = 1.0e6f;
    const auto at = [&](int axis) {
        const float cell = std::floor(point[axis] / kChunkSize);
        if (cell >= -kLastCell && cell <= kLastCell)
            return static_cast<int>(cell);
        return static_cast<int>(cell > 0.0f ? kLastCell : -kLastCell);
    };
    return {at(0), at(1), at(2)};
}

std::array<int, 3> CellOf(const btScalar* matrix)
{
    return CellOfPoint(matrix + 12);
}

float DistanceToCube(const btVector3& eye, const std::array<int, 3>& cell)
{
    btVector3 nearest = eye;
    const btVector3 low(float(cell[0]) * kChunkSize, float(cell[1]) * kChunkSize,
                        float(cell[2]) * kChunkSize);
    nearest.setMax(low);
    nearest.setMin(low + btVector3(kChunkSize, kChunkSize, kChunkSize));
    return float((nearest - eye).length());
}

// What a perspective projection divides sizes by at that distance from the
// eye: the distance itself; 1 for a parallel one.
float DepthScale(const float* projection, float distance)
{
    return -projection[11] * distance + projection[15];
}

// An address in client memory, or an offset into the bound buffer object.
const void* At(const void* base, std::size_t offset)
{
    return reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(base) + offset);
}

}  // namespace

bool RestingBatches::Placed::operator==(const Placed& other) const
{
    return object == other.object && std::memcmp(matrix, other.matrix, sizeof(matrix)) == 0;
}

RestingBatches::~RestingBatches()
{
    for (KindBatch& batch : m_batches)
        Release(batch);
}

float RestingBatches::DistanceToCell(const btVector3& eye, const btVector3& origin)
{
    const float point[3] = {float(origin.x()), float(origin.y()), float(origin.z())};
    return DistanceToCube(eye, CellOfPoint(point));
}

bool RestingBatches::Batches(const btCollisionObject& object,
                             const btCollisionObject* singledOut)
{
    if (&object == singledOut || object.isActive() || !BatchedKind(KindOf(object)))
        return false;
    const btRigidBody* body = btRigidBody::upcast(&object);
    return body != nullptr && body->getMotionState() != nullptr;
}

void RestingBatches::Update(const Scene& scene, const btCollisionObjectArray& objects,
                            const btCollisionObject* singledOut)
{
    for (auto& now : m_now)
        now.clear();
    for (int i = 0; i < objects.size(); ++i) {
        const btCollisionObject& object = *objects[i];
        if (!Batches(object, singledOut))
            continue;
        Placed placed{&object, {}};
        btTransform transform;
        btRigidBody::upcast(&object)->getMotionState()->getWorldTransform(transform);
        transform.getOpenGLMatrix(placed.matrix);
        m_now[std::size_t(KindOf(object))].push_back(placed);
    }
    for (int k = 0; k < kBodyKindCount; ++k) {
        KindBatch& batch = m_batches[std::size_t(k)];
        std::vector<Placed>& now = m_now[std::size_t(k)];
        if (batch.built && batch.placed == now)
            continue;
        const glw::Model* source = detail_levels::SceneMesh(scene, static_cast<BodyKind>(k));
        batch.placed.swap(now);
        if (batch.placed.empty() || source == nullptr || !Joinable(*source)) {
            Release(batch);
            batch.placed.clear();
            continue;
        }
        Rebuild(batch, scene, static_cast<BodyKind>(k));
    }
}

const glw::Model* RestingBatches::Batch(BodyKind kind) const
{
    const KindBatch& batch = m_batches[std::size_t(kind)];
    return batch.built ? &batch.models[0] : nullptr;
}

const DetailLevels& RestingBatches::Levels(const Scene& scene)
{
    m_levels.Build(scene);
    return m_levels;
}

void RestingBatches::Rebuild(KindBatch& batch, const Scene& scene, BodyKind kind)
{
    ++m_rebuilds;
    ++m_changes;
    const DetailLevels& levels = Levels(scene);
    // A chunk that stays keeps its level, and so its hysteresis.
    std::map<Cell, int> levelOf;
    for (const Chunk& chunk : batch.chunks)
        levelOf[chunk.cell] = chunk.level;
    for (glw::Model& model : batch.models) {
        model.ReleaseBuffers(m_procs);
        model.surfaces.clear();
    }
    batch.chunks.clear();
    batch.picked.clear();
    batch.levels = 0;

    // The bodies cell by cell; within a cell, in the world's order.
    std::map<Cell, std::vector<std::size_t>> cells;
    for (std::size_t i = 0; i < batch.placed.size(); ++i)
        cells[CellOf(batch.placed[i].matrix)].push_back(i);
    const btVector3 far(BT_LARGE_FLOAT, BT_LARGE_FLOAT, BT_LARGE_FLOAT);
    for (const auto& [cell, members] : cells) {
        const auto kept = levelOf.find(cell);
        batch.chunks.push_back(
            Chunk{far, -far, cell, kept == levelOf.end() ? -1 : kept->second, 0, {}});
    }

    for (int level = 0; level < levels.LevelCount(kind); ++level) {
        const glw::Model* source = levels.Mesh(scene, kind, level);
        if (source == nullptr || !Joinable(*source))
            break;
        glw::Model& model = batch.models[std::size_t(level)];
        model.surfaces.resize(source->surfaces.size());
        model.drawFlags = source->drawFlags;
        for (Chunk& chunk : batch.chunks)
            chunk.ranges[std::size_t(level)].assign(source->surfaces.size(), Range{});
        for (std::size_t s = 0; s < source->surfaces.size(); ++s) {
            const glw::Surface& from = source->surfaces[s];
            glw::Surface& to = model.surfaces[s];
            std::vector<glw::Vertex> welded;
            std::vector<std::uint32_t> weldedIndices;
            Weld(from, welded, weldedIndices);
            to.material = from.material;
            to.primitive = 0;
            to.vertices.clear();
            to.indices.clear();
            to.vertices.reserve(welded.size() * batch.placed.size());
            to.indices.reserve(weldedIndices.size() * batch.placed.size());
            std::size_t c = 0;
            for (const auto& [cell, members] : cells) {
                Chunk& chunk = batch.chunks[c++];
                Range& range = chunk.ranges[std::size_t(level)][s];
                range.first = static_cast<std::uint32_t>(to.indices.size());
                for (const std::size_t member : members) {
                    const btScalar* m = batch.placed[member].matrix;  // column-major
                    const auto base = static_cast<std::uint32_t>(to.vertices.size());
                    for (const glw::Vertex& v : welded) {
                        glw::Vertex w = v;
                        const float* p = v.position;
                        const float* n = v.normal;
                        for (int r = 0; r < 3; ++r) {
                            w.position[r] =
                                m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r];
                            w.normal[r] = m[r] * n[0] + m[4 + r] * n[1] + m[8 + r] * n[2];
                        }
                        // The full mesh bounds every simpler one.
                        if (level == 0) {
                            const btVector3 at(w.position[0], w.position[1], w.position[2]);
                            chunk.low.setMin(at);
                            chunk.high.setMax(at);
                        }
                        to.vertices.push_back(w);
                    }
                    for (const std::uint32_t index : weldedIndices)
                        to.indices.push_back(base + index);
                }
                range.count = static_cast<std::uint32_t>(to.indices.size()) - range.first;
            }
        }
        // Buffers where the context has them; client arrays otherwise.
        model.UploadBuffers(m_procs, false);
        batch.levels = level + 1;
    }
    batch.built = true;
}

void RestingBatches::Cull(bool detail)
{
    m_triangles = 0;
    KINETTA_ASSERT(glw::HasCurrentContext(), "cull with the scene's context current");
    GLfloat projection[16], modelview[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    // Clip space is projection * modelview; its planes are the sums and
    // differences of the last row with the others.
    float clip[16];
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += projection[k * 4 + row] * modelview[col * 4 + k];
            clip[col * 4 + row] = sum;
        }
    const auto row = [&](int r) {
        return std::array<float, 4>{clip[r], clip[4 + r], clip[8 + r], clip[12 + r]};
    };
    std::array<std::array<float, 4>, 6> planes;
    for (int axis = 0; axis < 3; ++axis) {
        const auto w = row(3), a = row(axis);
        for (int k = 0; k < 4; ++k) {
            planes[std::size_t(2 * axis)][std::size_t(k)] = w[std::size_t(k)] + a[std::size_t(k)];
            planes[std::size_t(2 * axis + 1)][std::size_t(k)] =
                w[std::size_t(k)] - a[std::size_t(k)];
        }
    }
    // The eye in world space: minus the camera's translation, turned back.
    btVector3 eye;
    for (int i = 0; i < 3; ++i)
        eye[i] = -(modelview[i * 4] * modelview[12] + modelview[i * 4 + 1] * modelview[13] +
                   modelview[i * 4 + 2] * modelview[14]);

    // One unit at unit distance, in pixels up the viewport.
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const float pixelsPerUnit = 0.5f * float(viewport[3]) * projection[5];

    for (int k = 0; k < kBodyKindCount; ++k) {
        KindBatch& batch = m_batches[std::size_t(k)];
        batch.picked.clear();
        m_order.clear();
        const float radius = m_levels.Radius(static_cast<BodyKind>(k));
        for (std::size_t c = 0; c < batch.chunks.size(); ++c) {
            const Chunk& chunk = batch.chunks[c];
            bool outside = false;
            for (const auto& plane : planes) {
                // The box's corner furthest along the plane's normal.
                float distance = plane[3];
                for (int i = 0; i < 3; ++i)
                    distance += plane[std::size_t(i)] *
                                (plane[std::size_t(i)] >= 0.0f ? chunk.high[i] : chunk.low[i]);
                if (distance < 0.0f) {
                    outside = true;
                    break;
                }
            }
            if (outside)
                continue;
            btVector3 nearest = eye;
            nearest.setMax(chunk.low);
            nearest.setMin(chunk.high);
            const float squared = float((nearest - eye).length2());
            m_order.emplace_back(squared, int(c));
            const float pixels = detail_levels::PixelsAcross(
                radius, DepthScale(projection, DistanceToCube(eye, chunk.cell)), pixelsPerUnit);
            Chunk& picked = batch.chunks[c];
            if (detail)
                picked.level = detail_levels::ChooseLevel(pixels, batch.levels, picked.level);
            picked.drawn = detail ? picked.level : 0;
        }
        std::sort(m_order.begin(), m_order.end());
        for (const auto& [distance, c] : m_order)
            batch.picked.push_back(c);
    }
}

int RestingBatches::Draw(BodyKind kind, glw::GlState& state) const
{
    const KindBatch& batch = m_batches[std::size_t(kind)];
    if (!batch.built || batch.picked.empty())
        return 0;
    constexpr GLsizei stride = sizeof(glw::Vertex);
    for (int level = 0; level < batch.levels; ++level) {
        if (PickedAtLevel(kind, level) == 0)
            continue;
        const glw::Model& model = batch.models[std::size_t(level)];
        for (std::size_t s = 0; s < model.surfaces.size(); ++s) {
            const glw::Surface& surface = model.surfaces[s];
            if (surface.vertices.empty() || surface.indices.empty())
                continue;
            surface.material.Apply(state);
            state.Commit();
            glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
            // With buffer objects bound, the pointers are offsets into them.
            const bool fromBuffers = glw::BindBuffersFor(surface, m_procs) != 0;
            const void* base = fromBuffers ? nullptr : surface.vertices.data();
            const void* indices = fromBuffers ? nullptr : surface.indices.data();
            glEnableClientState(GL_VERTEX_ARRAY);
            glVertexPointer(3, GL_FLOAT, stride, At(base, offsetof(glw::Vertex, position)));
            if (model.drawFlags & glw::kDrawTexCoords) {
                glEnableClientState(GL_TEXTURE_COORD_ARRAY);
                glTexCoordPointer(2, GL_FLOAT, stride, At(base, offsetof(glw::Vertex, texCoord)));
            } else {
                glDisableClientState(GL_TEXTURE_COORD_ARRAY);
            }
            if (model.drawFlags & glw::kDrawNormals) {
                glEnableClientState(GL_NORMAL_ARRAY);
                glNormalPointer(GL_FLOAT, stride, At(base, offsetof(glw::Vertex, normal)));
            } else {
                glDisableClientState(GL_NORMAL_ARRAY);
            }
            for (const int c : batch.picked) {
                const Chunk& chunk = batch.chunks[std::size_t(c)];
                if (chunk.drawn != level)
                    continue;
                const Range& range = chunk.ranges[std::size_t(level)][s];
                if (range.count > 0)
                    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(range.count),
                                   GL_UNSIGNED_INT,
                                   At(indices, range.first * sizeof(std::uint32_t)));
                m_triangles += range.count / 3;
            }
            if (fromBuffers)
                glw::UnbindBuffers(m_procs);
            glPopClientAttrib();
        }
    }
    return static_cast<int>(batch.picked.size());
}

int RestingBatches::ChunkCount(BodyKind kind) const
{
    return static_cast<int>(m_batches[std::size_t(kind)].chunks.size());
}

int RestingBatches::PickedCount(BodyKind kind) const
{
    return static_cast<int>(m_batches[std::size_t(kind)].picked.size());
}

int RestingBatches::PickedAtLevel(BodyKind kind, int level) const
{
    const KindBatch& batch = m_batches[std::size_t(kind)];
    return static_cast<int>(std::count_if(batch.picked.begin(), batch.picked.end(), [&](int c) {
        return batch.chunks[std::size_t(c)].drawn == level;
    }));
}

void RestingBatches::Release(KindBatch& batch)
{
    if (batch.built)
        ++m_changes;
    for (glw::Model& model : batch.models) {
        if (batch.built)
            model.ReleaseBuffers(m_procs);
        model.surfaces.clear();
    }
    batch.levels = 0;
    batch.chunks.clear();
    batch.picked.clear();
    batch.built = false;
}
