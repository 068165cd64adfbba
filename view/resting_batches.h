#pragma once
// Bodies at rest drawn in one go: for each of the scene's mesh kinds (cans,
// balls, dice, dominoes), the meshes of its sleeping bodies put together in
// world space, one buffer per surface, so that a frame draws each kind's
// resting bodies with one call per surface instead of one body at a time.
// Rebuilt only when a kind's set of sleeping bodies, or where one of them
// lies, changes: when a body wakes, falls asleep or goes.
//
// Lighting, sphere mapping and texturing are computed by OpenGL in eye
// space, so world-space vertices under the camera alone give the picture of
// body-space vertices under camera and body; only rounding and the order of
// equal-depth fragments may differ.

#include "glw/gl_procs.h"
#include "glw/model.h"
#include "physics/body_kind.h"

#include <btBulletDynamicsCommon.h>

#include <array>
#include <vector>

class Scene;

class RestingBatches {
public:
    // procs belong to the current context and outlive this object, which must
    // be destroyed with that context current (its buffers go then).
    explicit RestingBatches(const glw::GlProcs& procs) : m_procs(procs) {}
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

    // The batch of a kind, or null when none of its bodies rests.
    const glw::Model* Batch(BodyKind kind) const;

    // How many times a batch was built, for tests and measurements.
    int Rebuilds() const { return m_rebuilds; }

private:
    struct Placed {
        const btCollisionObject* object;
        btScalar matrix[16];
        bool operator==(const Placed& other) const;
    };
    struct KindBatch {
        std::vector<Placed> placed;  // what the batch was built from
        glw::Model model;
        bool built = false;
    };

    void Rebuild(KindBatch& batch, const glw::Model& source);
    void Release(KindBatch& batch);

    const glw::GlProcs& m_procs;
    std::array<KindBatch, kBodyKindCount> m_batches;
    // Where each kind's resting bodies are this frame; kept between frames so
    // that a steady frame allocates nothing.
    std::array<std::vector<Placed>, kBodyKindCount> m_now;
    int m_rebuilds = 0;
};
