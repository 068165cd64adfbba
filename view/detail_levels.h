#pragma once
// Simpler meshes for the scene's mesh kinds, and which one a body gets by its
// size on screen. Level 0 is the scene's own mesh, drawn whenever a body is
// seen large: near bodies look exactly as they always did. Further levels
// come from the program's embedded meshes (made by tools/assetgen) with the
// materials, mapping and normals of the scene's own, so that only the
// outline and the shading's subdivision change as a body shrinks.
//
// A kind with no simpler mesh (the die, already a box with its pips as
// texture) has one level.

#include "glw/gl_procs.h"
#include "glw/model.h"
#include "physics/body_kind.h"

#include <array>
#include <memory>

class Scene;

namespace detail_levels {

inline constexpr int kMaxLevels = 3;

// The level for a body whose bounding sphere spans `pixels` on screen, among
// `count` levels, given the level it had last frame (-1 for none): it stays
// at that level until its size leaves the band around the threshold by a
// margin, so that a body on a threshold does not flicker between two meshes.
int ChooseLevel(float pixels, int count, int previous);

// The bounding sphere's size on screen: its diameter, in pixels, where the
// projection divides by `depthScale` (the distance from the eye, or 1 for a
// parallel projection) and maps one unit at unit scale to `pixelsPerUnit`
// pixels.
float PixelsAcross(float radius, float depthScale, float pixelsPerUnit);

// The scene's own mesh of a kind, or null for the kinds drawn otherwise.
const glw::Model* SceneMesh(const Scene& scene, BodyKind kind);

}  // namespace detail_levels

class DetailLevels {
public:
    // procs belong to the scene's context; destroyed with it current.
    explicit DetailLevels(const glw::GlProcs& procs) : m_procs(procs) {}
    ~DetailLevels();
    DetailLevels(const DetailLevels&) = delete;
    DetailLevels& operator=(const DetailLevels&) = delete;

    // Makes the simpler meshes after the scene's own, once; a mesh that
    // does not decode leaves its kind with fewer levels.
    void Build(const Scene& scene);
    bool Built() const { return m_built; }

    // 1 for the kinds without simpler meshes, and before Build.
    int LevelCount(BodyKind kind) const;
    // The mesh of a level; level 0 is the scene's own.
    const glw::Model* Mesh(const Scene& scene, BodyKind kind, int level) const;
    // Of the scene's mesh, around its origin; 0 before Build.
    float Radius(BodyKind kind) const;

private:
    struct Kind {
        std::array<std::unique_ptr<glw::Model>, detail_levels::kMaxLevels> simpler;  // [0] unused
        int levels = 1;
        float radius = 0.0f;
    };

    const glw::GlProcs& m_procs;
    std::array<Kind, kBodyKindCount> m_kinds;
    bool m_built = false;
};
