#pragma once
// The cheapest drawing of the same triangles with the same picture that we
// know how to write, as the yardstick for the program's own: every material
// set once per frame, each kind of body drawn in one run with its buffers
// bound once, one matrix load per body. Only the scene's own kinds of body
// (ground, cylinders, balls, dice) are drawn.

#include "view/camera_control.h"
#include "view/scene.h"

#include <array>
#include <vector>

class FloorRenderer {
public:
    // With restingBatches, sleeping bodies come from the scene's batches of
    // resting bodies, as in the program: first, nearest first, only the
    // chunks in view.
    // With a keeping other than Off (and resting batches), the markers, the
    // resting bodies and the ground are kept in the scene's still layer.
    explicit FloorRenderer(bool restingBatches = true,
                           StillLayerKeeping keeping = StillLayerKeeping::Framebuffer)
        : m_restingBatches(restingBatches), m_keeping(keeping)
    {
    }

    void Render(const Scene& scene, const CameraState& camera);

private:
    using Matrix = std::array<float, 16>;
    void DrawRun(const glw::Model* model, const std::vector<Matrix>& bodies,
                 const glw::GlProcs& procs);
    // Draws every level's run of a kind.
    void DrawKind(const Scene& scene, BodyKind kind);

    // The run of each kind at each level of detail, for this frame; kept
    // between frames so that a steady frame allocates nothing.
    std::array<std::array<std::vector<Matrix>, detail_levels::kMaxLevels>, kBodyKindCount> m_runs;
    int m_sinceFlush = 0;
    bool m_restingBatches;
    StillLayerKeeping m_keeping;
    StillLayer::Key m_key;
};
