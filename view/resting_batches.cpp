#include "view/resting_batches.h"

#include "view/scene.h"

#include <cstring>
#include <map>

namespace {

// The kinds drawn as one of the scene's meshes, and so batched.
const glw::Model* SourceModel(const Scene& scene, BodyKind kind)
{
    switch (kind) {
        case BodyKind::Can:
            return scene.CanModel();
        case BodyKind::Ball:
            return scene.BallModel();
        case BodyKind::Die:
            return scene.DieModel();
        case BodyKind::Domino:
            return scene.DominoModel();
        case BodyKind::Other:
        case BodyKind::Ground:
        case BodyKind::Wall:
            break;
    }
    return nullptr;
}

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
        const glw::Model* source = SourceModel(scene, static_cast<BodyKind>(k));
        batch.placed.swap(now);
        if (batch.placed.empty() || source == nullptr || !Joinable(*source)) {
            Release(batch);
            batch.placed.clear();
            continue;
        }
        Rebuild(batch, *source);
    }
}

const glw::Model* RestingBatches::Batch(BodyKind kind) const
{
    const KindBatch& batch = m_batches[std::size_t(kind)];
    return batch.built ? &batch.model : nullptr;
}

void RestingBatches::Rebuild(KindBatch& batch, const glw::Model& source)
{
    ++m_rebuilds;
    batch.model.ReleaseBuffers(m_procs);
    batch.model.surfaces.resize(source.surfaces.size());
    batch.model.drawFlags = source.drawFlags;
    for (std::size_t s = 0; s < source.surfaces.size(); ++s) {
        const glw::Surface& from = source.surfaces[s];
        glw::Surface& to = batch.model.surfaces[s];
        std::vector<glw::Vertex> welded;
        std::vector<std::uint32_t> weldedIndices;
        Weld(from, welded, weldedIndices);
        to.material = from.material;
        to.primitive = 0;
        to.vertices.clear();
        to.indices.clear();
        to.vertices.reserve(welded.size() * batch.placed.size());
        to.indices.reserve(weldedIndices.size() * batch.placed.size());
        for (const Placed& placed : batch.placed) {
            const btScalar* m = placed.matrix;  // column-major
            const auto base = static_cast<std::uint32_t>(to.vertices.size());
            for (const glw::Vertex& v : welded) {
                glw::Vertex w = v;
                const float* p = v.position;
                const float* n = v.normal;
                for (int r = 0; r < 3; ++r) {
                    w.position[r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r];
                    w.normal[r] = m[r] * n[0] + m[4 + r] * n[1] + m[8 + r] * n[2];
                }
                to.vertices.push_back(w);
            }
            for (const std::uint32_t index : weldedIndices)
                to.indices.push_back(base + index);
        }
    }
    // Buffers where the context has them; client arrays otherwise.
    batch.model.UploadBuffers(m_procs, false);
    batch.built = true;
}

void RestingBatches::Release(KindBatch& batch)
{
    if (batch.built)
        batch.model.ReleaseBuffers(m_procs);
    batch.model.surfaces.clear();
    batch.built = false;
}
