#pragma once
// Bodies at rest drawn in one go: for each of the scene's mesh kinds (cans,
// balls, dice, dominoes), the meshes of its sleeping bodies put together in
// world space, one buffer per surface, so that a frame draws each kind's
// resting bodies with a few calls per surface instead of one body at a time.
// Rebuilt only when a kind's set of sleeping bodies, or where one of them
// lies, changes: when a body wakes, falls asleep or goes.
//
// Each buffer is laid out in chunks, one per cube of space the bodies lie
// in, with the box around each chunk's vertices. A frame draws only the
// chunks the view can show, nearest first: what lies outside the view costs
// nothing, and a software rasteriser that tests depth before it shades skips
// most of what nearer bodies hide.
//
// Each chunk is drawn with the mesh its size on screen picks
// (view/detail_levels.h): every kind's batch holds its bodies once per level.
//
// Lighting, sphere mapping and texturing are computed by OpenGL in eye
// space, so world-space vertices under the camera alone give the picture of
// body-space vertices under camera and body; only rounding and the order of
// equal-depth fragments may differ.

#include "glw/gl_procs.h"
#include "glw/gl_state.h"
#include "glw/model.h"
#include "physics/body_kind.h"
#include "view/detail_levels.h"
#include "view/still_layer.h"

#include <btBulletDynamicsCommon.h>

#include <array>
#include <cstdint>
#include <vector>

class Scene;

class RestingBatches {
public:
    // procs belong to the current context and outlive this object, which must
    // be destroyed with that context current (its buffers go then).
    explicit RestingBatches(const glw::GlProcs& procs)
        : m_procs(procs), m_levels(procs), m_layer(procs)
    {
    }
    ~RestingBatches();
    RestingBatches(const RestingBatches&) = delete;
    RestingBatches& operator=(const RestingBatches&) = delete;

    // Whether a body is drawn from its kind's batch: a sleeping body of a
    // batched kind, other than the one singled out (the selected body, drawn
    // on its own).
    static bool Batches(const btCollisionObject& object, const btCollisionObject* singledOut);

    // Brings every kind's batch in step with the world; call once per frame
    // before drawing with the same singledOut.
    void Update(const Scene& scene, const btCollisionObjectArray& objects,
                const btCollisionObject* singledOut);

    // The batch of a kind, all its chunks at full detail, or null when none
    // of its bodies rests.
    const glw::Model* Batch(BodyKind kind) const;

    // The simpler meshes of the scene's kinds, built on first use, and the
    // kept picture of what rests (view/still_layer.h): they live here
    // because they belong to the scene's context as the batches do.
    const DetailLevels& Levels(const Scene& scene);
    StillLayer& Layer() { return m_layer; }
    // Counts every change of any batch: a body that joined or left one, or
    // moved in one.
    std::uint64_t Changes() const { return m_changes; }

    // Picks the chunks that the current projection and modelview matrices
    // can show, nearest to the eye first, and the level each is drawn at
    // (all at full detail when detail is false). Call after the camera
    // transform, before Draw, with the modelview matrix holding the camera
    // alone and the viewport set.
    void Cull(bool detail = true);
    // Draws the chunks of a kind that the last Cull picked, each surface
    // with its material. Returns how many chunks it drew.
    int Draw(BodyKind kind, glw::GlState& state) const;

    // How far the eye is from the cube of space that holds a body's origin,
    // the cube its resting chunk is made of: what sets the level of a body's
    // mesh, whether it rests or moves, so that a body drawn on its own looks
    // as it does in its chunk. 0 inside the cube.
    static float DistanceToCell(const btVector3& eye, const btVector3& origin);

    // How many times a batch was built, for tests and measurements.
    int Rebuilds() const { return m_rebuilds; }
    // A kind's chunks, and how many of them the last Cull picked.
    int ChunkCount(BodyKind kind) const;
    int PickedCount(BodyKind kind) const;
    // Triangles the Draw calls since the last Cull sent, and how many of the
    // picked chunks of a kind the last Cull put at a level.
    std::size_t TrianglesDrawn() const { return m_triangles; }
    int PickedAtLevel(BodyKind kind, int level) const;

private:
    struct Placed {
        const btCollisionObject* object;
        btScalar matrix[16];
        bool operator==(const Placed& other) const;
    };
    // A run of indices of one surface, in its buffer.
    struct Range {
        std::uint32_t first = 0;
        std::uint32_t count = 0;
    };
    using Cell = std::array<int, 3>;
    struct Chunk {
        btVector3 low, high;  // around its vertices, in world space
        Cell cell;
        int level = -1;  // chosen by the last Cull with detail; -1 before any
        int drawn = 0;   // the level the last Cull picked it at
        // For each level, one per surface.
        std::array<std::vector<Range>, detail_levels::kMaxLevels> ranges;
    };
    struct KindBatch {
        std::vector<Placed> placed;  // what the batch was built from
        std::array<glw::Model, detail_levels::kMaxLevels> models;  // one per level
        int levels = 0;
        std::vector<Chunk> chunks;
        std::vector<int> picked;  // by the last Cull, nearest first
        bool built = false;
    };

    void Rebuild(KindBatch& batch, const Scene& scene, BodyKind kind);
    void Release(KindBatch& batch);

    const glw::GlProcs& m_procs;
    DetailLevels m_levels;
    StillLayer m_layer;
    std::array<KindBatch, kBodyKindCount> m_batches;
    // Where each kind's resting bodies are this frame; kept between frames so
    // that a steady frame allocates nothing.
    std::array<std::vector<Placed>, kBodyKindCount> m_now;
    // Chunk and squared distance, for Cull's ordering.
    std::vector<std::pair<float, int>> m_order;
    int m_rebuilds = 0;
    std::uint64_t m_changes = 0;
    mutable std::size_t m_triangles = 0;
};
