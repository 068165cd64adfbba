#include "view/detail_levels.h"

#include "common/kinetta_assert.h"
#include "glw/cube_mapper.h"
#include "glw/lwo_decoder.h"
#include "view/scene.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace detail_levels {
namespace {

// Where a body leaves each level for the next, as its diameter on screen in
// pixels. At the start camera in the 1024 x 768 window every can of the
// tower spans some 80 pixels and the nearest thrown balls some 40: both keep
// their full meshes.
constexpr float kThresholds[kMaxLevels - 1] = {30.0f, 12.0f};
// How far past a threshold a body's size must go before it changes level.
constexpr float kMargin = 0.15f;

int PlainLevel(float pixels, int count)
{
    int level = 0;
    while (level + 1 < count && pixels < kThresholds[level])
        ++level;
    return level;
}

}  // namespace

int ChooseLevel(float pixels, int count, int previous)
{
    KINETTA_ASSERT(count >= 1 && count <= kMaxLevels, "a kind has 1 to kMaxLevels levels");
    const int plain = PlainLevel(pixels, count);
    if (previous < 0 || previous >= count)
        return plain;
    // The levels the body would have a margin larger and a margin smaller:
    // between them, it keeps its own.
    const int finest = PlainLevel(pixels * (1.0f + kMargin), count);
    const int coarsest = PlainLevel(pixels / (1.0f + kMargin), count);
    return previous >= finest && previous <= coarsest ? previous : plain;
}

float PixelsAcross(float radius, float depthScale, float pixelsPerUnit)
{
    // At the eye, or not a number: as large as can be.
    if (!(depthScale > 0.0f) || !(pixelsPerUnit >= 0.0f))
        return std::numeric_limits<float>::max();
    return 2.0f * radius * pixelsPerUnit / depthScale;
}


const glw::Model* SceneMesh(const Scene& scene, BodyKind kind)
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
        default:
            return nullptr;
    }
}

}  // namespace detail_levels

namespace {

// The embedded simpler meshes of each kind, coarsest last.
struct SimplerMeshes {
    BodyKind kind;
    std::uint32_t ids[detail_levels::kMaxLevels - 1];  // 0: none
};
constexpr SimplerMeshes kSimpler[] = {
    {BodyKind::Can, {208, 209}},
    {BodyKind::Ball, {210, 211}},
    {BodyKind::Domino, {216, 0}},
};

float RadiusOf(const glw::Model& model)
{
    float squared = 0.0f;
    for (const glw::Surface& surface : model.surfaces)
        for (const glw::Vertex& v : surface.vertices)
            squared = std::max(squared, v.position[0] * v.position[0] +
                                            v.position[1] * v.position[1] +
                                            v.position[2] * v.position[2]);
    return std::sqrt(squared);
}

// The simpler mesh takes the scene's materials surface by surface, the
// domino's face mapping, and its normals smoothed as the scene smooths its
// own; false when it does not match the scene's mesh surface for surface.
bool Dress(glw::Model& simpler, const glw::Model& own, BodyKind kind)
{
    if (simpler.surfaces.size() != own.surfaces.size())
        return false;
    for (std::size_t s = 0; s < own.surfaces.size(); ++s) {
        if (simpler.surfaces[s].primitive != 0 || simpler.surfaces[s].indices.empty())
            return false;
        simpler.surfaces[s].material = own.surfaces[s].material;
    }
    if (kind == BodyKind::Domino) {
        // As the scene maps its own domino's face.
        glw::CubeMapper mapper({0.9f, 1.8f, 0.9f}, {0.5f, 0.5f, 0.0f}, 0);
        simpler.surfaces[0].ApplyMapper(mapper);
    }
    simpler.ComputeNormals();
    simpler.SetDrawFlags(own.drawFlags);
    return true;
}

}  // namespace

using detail_levels::SceneMesh;

DetailLevels::~DetailLevels()
{
    for (Kind& kind : m_kinds)
        for (auto& model : kind.simpler)
            if (model)
                model->ReleaseBuffers(m_procs);
}

void DetailLevels::Build(const Scene& scene)
{
    if (m_built)
        return;
    m_built = true;
    for (int k = 0; k < kBodyKindCount; ++k) {
        if (const glw::Model* own = SceneMesh(scene, static_cast<BodyKind>(k)))
            m_kinds[std::size_t(k)].radius = RadiusOf(*own);
    }
    glw::LwoDecoder decoder;
    for (const SimplerMeshes& entry : kSimpler) {
        Kind& kind = m_kinds[std::size_t(entry.kind)];
        const glw::Model* own = SceneMesh(scene, entry.kind);
        if (own == nullptr)
            continue;
        for (const std::uint32_t id : entry.ids) {
            if (id == 0)
                break;
            auto simpler = std::make_unique<glw::Model>();
            if (decoder.DecodeResource(*simpler, id, "LWO") == 0 ||
                !Dress(*simpler, *own, entry.kind))
                break;
            simpler->UploadBuffers(m_procs);
            kind.simpler[std::size_t(kind.levels++)] = std::move(simpler);
        }
    }
}

int DetailLevels::LevelCount(BodyKind kind) const
{
    return m_kinds[std::size_t(kind)].levels;
}

const glw::Model* DetailLevels::Mesh(const Scene& scene, BodyKind kind, int level) const
{
    KINETTA_ASSERT(level >= 0 && level < LevelCount(kind), "ask for a level below LevelCount");
    if (level == 0)
        return SceneMesh(scene, kind);
    return m_kinds[std::size_t(kind)].simpler[std::size_t(level)].get();
}

float DetailLevels::Radius(BodyKind kind) const
{
    return m_kinds[std::size_t(kind)].radius;
}
