#pragma once
// Draws one frame of a scene in the current OpenGL context: the camera, the
// lights with their markers, then every body of the world, in the world's
// order, by the drawing path its kind selects; a body of no kind of the
// scene's own goes to the shape drawer. The selected body, if any, gets an
// outline over everything. Plain C++: it runs in the view's window and in
// off-screen contexts alike.

#include "drawer/gl_debug_drawer.h"
#include "drawer/handle_drawing.h"
#include "glw/gl_state.h"
#include "view/camera_control.h"
#include "view/scene.h"

#include <array>
#include <cstddef>
#include <optional>
#include <unordered_map>

// Every switch changes the time a frame takes, never its picture.
struct RenderOptions {
    // Send only the state changes that leave OpenGL different.
    bool stateEconomy = true;
    // A software renderer rasterises only what has been flushed; flushing
    // every so many bodies lets its threads start while the rest is sent.
    // 0: one flush at the end of the frame. Every 100 bodies measured best:
    // as fast as one flush for the start scene, faster for a busy one.
    int flushEvery = 100;
    // Light markers from the scene's compiled sphere rather than made anew
    // each time (OpenGL's feedback mode in Mesa cannot replay a list).
    bool markerList = true;
    // Sleeping bodies of the mesh kinds drawn from prepared world-space
    // batches (view/resting_batches.h), before the bodies drawn one by one.
    bool restingBatches = true;
    // Bodies seen small drawn with simpler meshes (view/detail_levels.h),
    // resting ones chunk by chunk, moving ones body by body. Changes the
    // picture of small bodies only.
    bool detailLevels = true;
    // What stands still kept between frames (view/still_layer.h): a frame
    // where nothing of it changed draws only what moves.
    StillLayerKeeping stillLayer = StillLayerKeeping::Framebuffer;
};

// What an editor shows over the frame: the joints' marks, and a rubber
// band being drawn (its corners in device pixels from the top-left).
struct EditOverlay {
    bool jointMarks = false;
    bool band = false;
    float bandX0 = 0, bandY0 = 0, bandX1 = 0, bandY1 = 0;
};

class FrameRenderer {
public:
    explicit FrameRenderer(RenderOptions options = {});

    // Needs the modelview matrix mode selected and the scene built in the
    // current context. Ends with glFlush; presenting is the caller's.
    void Render(const Scene& scene, const CameraState& camera);

    const RenderOptions& Options() const { return m_options; }
    // For the frames that follow.
    void SetOverlay(const EditOverlay& overlay) { m_overlay = overlay; }
    // Joints the last frame marked.
    int JointsMarked() const { return m_jointsMarked; }
    void SetOptions(const RenderOptions& options);

    // What Bullet's debug drawing adds over the bodies (GL_DebugDrawer's
    // parts); 0, the default, adds nothing to a frame.
    void SetDebugMode(int mode) { m_debug.setDebugMode(mode); }
    int DebugMode() const { return m_debug.getDebugMode(); }
    const GL_DebugDrawer& DebugDrawer() const { return m_debug; }
    // The move and turn handles over the next frames, or none.
    void SetHandles(const std::optional<HandleDrawing>& handles) { m_handles = handles; }

    // Triangles of the scene's meshes the last frame sent, resting and
    // moving bodies alike (the ground, markers and other shapes aside).
    std::size_t MeshTriangles() const { return m_meshTriangles; }

private:
    // The lights themselves every frame; their markers with the still part.
    void SetLights(const Scene& scene);
    void DrawLightMarkers(const Scene& scene);
    // What the still layer depends on this frame, into m_key.
    void FillStillKey(const Scene& scene, const btCollisionObjectArray& objects,
                      const btCollisionObject* selected);
    void DrawDebugLines(CDynamicsWorld& world);
    void DrawBody(const Scene& scene, const btCollisionObject& object, int index);
    void DrawSelectionOutline(const btRigidBody& body, bool primary);
    void DrawJointMarks(const Scene& scene);
    void DrawBand();
    // Lines in one colour over the scene: no texture on either unit, no light.
    void BeginUnlitLines();
    void DrawHandles(const HandleDrawing& handles);
    // The drawing of a mesh kind's row: model under the body's matrix m, or,
    // with both null, the kind's resting batch, in world space already.
    void DrawMeshRow(const Scene& scene, BodyKind kind, const glw::Model* model,
                     const btScalar* m);
    void DrawRestingBatches(const Scene& scene);
    // The mesh a moving body of a mesh kind is drawn with, at its size on
    // screen; matrix m as DrawBody has it.
    const glw::Model* MeshFor(const Scene& scene, const btCollisionObject& object, BodyKind kind,
                              const btScalar* m);
    void DrawWithShapeDrawer(const Scene& scene, const btScalar* m, const btCollisionShape& shape,
                             int index);

    RenderOptions m_options;
    EditOverlay m_overlay;
    int m_jointsMarked = 0;
    glw::GlState m_state;
    GL_DebugDrawer m_debug;
    std::optional<HandleDrawing> m_handles;
    // This frame's eye in world space, and one unit at unit distance in
    // pixels; the simpler meshes, or null when bodies get their full ones.
    btVector3 m_eye{0, 0, 0};
    float m_pixelsPerUnit = 0.0f;
    // What the projection divides by at a distance: a * distance + b.
    std::array<float, 2> m_depthScale{1.0f, 0.0f};
    const DetailLevels* m_levels = nullptr;
    // Each moving body's level in the last frame it was drawn, for the
    // hysteresis; bodies that went are dropped now and then.
    std::unordered_map<const btCollisionObject*, int> m_levelOf;
    std::size_t m_meshTriangles = 0;
    StillLayer::Key m_key;  // kept so that a steady frame allocates nothing
};
