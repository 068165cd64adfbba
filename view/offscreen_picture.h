#pragma once
// Draws the scene into a picture of any size up to kMaxPictureSide, off the
// window: into a framebuffer object of the current context, with the same
// renderer, camera, lights and selection outline as the window, so a picture
// is drawn anew at its own size rather than scaled from the screen's pixels.
// A picture larger than the context can draw at once is drawn in tiles, each
// with its part of the whole picture's frustum, and joined.
//
// Plain C++ over OpenGL: the window's context, Mesa's off-screen one or a
// headless one alike. The drawer leaves the context's framebuffer binding,
// viewport and projection as it found them.

#include "glw/gl_procs.h"
#include "glw/render_target.h"
#include "media/picture.h"
#include "view/camera_control.h"
#include "view/frame_renderer.h"
#include "view/scene.h"

#include <GL/gl.h>

#include <optional>
#include <string>

// The eye and lens of a picture: the view's camera and projection.
struct PictureView {
    CameraState camera;
    float fovY = 30.0f;  // degrees, vertical, whatever the picture's width
    float zNear = 1.0f;
    float zFar = 100.0f;
};

class PictureDrawer {
public:
    // The context that will draw must be current; lookup finds its
    // framebuffer-object entry points.
    explicit PictureDrawer(glw::GlProcLookup lookup);
    // With the same context current (checked), which gets its objects back.
    ~PictureDrawer();
    PictureDrawer(const PictureDrawer&) = delete;
    PictureDrawer& operator=(const PictureDrawer&) = delete;

    // False when the context has no framebuffer objects; Error() says so.
    bool Usable() const { return m_usable; }
    const std::string& Error() const { return m_error; }
    // The largest tile this context draws: its renderbuffer and viewport
    // limits, or the smaller limit set below.
    int TileSide() const { return m_tileSide; }
    // Draws in tiles no larger than side (for tests, and to bound memory).
    void LimitTileSide(int side);

    // The scene as the camera sees it, width x height pixels; nothing, with
    // Error() set, for a size out of 1..kMaxPictureSide or a framebuffer the
    // context refuses.
    std::optional<RgbaPicture> Draw(FrameRenderer& renderer, const Scene& scene,
                                    const PictureView& view, int width, int height);
    // The number of tiles the last Draw joined.
    int LastTileCount() const { return m_lastTiles; }

private:

    glw::GlProcs m_gl;
    glw::RenderTarget m_target{m_gl};
    bool m_usable = false;
    std::string m_error;
    int m_tileSide = 0;
    int m_lastTiles = 0;
};
