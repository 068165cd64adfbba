#include "view/offscreen_picture.h"

#include "common/kinetta_assert.h"

#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// llvmpipe would draw 8192 x 8192 at once, but its colour and depth buffers
// would then hold 512 MB beside the picture's 256; tiles of 4096 need 128.
constexpr int kDefaultTileSide = 4096;

}  // namespace

PictureDrawer::PictureDrawer(glw::GlProcLookup lookup)
{
    KINETTA_ASSERT(glw::HasCurrentContext(), "make the drawing context current first");
    m_gl = glw::GlProcs::Load(lookup);
    m_usable = m_gl.HasFramebuffers();
    if (!m_usable) {
        m_error = "this OpenGL has no framebuffer objects to draw a picture off the screen";
        return;
    }
    GLint renderbufferSide = 0;
    GLint viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbufferSide);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    m_tileSide = std::min({renderbufferSide, viewport[0], viewport[1], kDefaultTileSide});
    if (m_tileSide <= 0) {
        m_usable = false;
        m_error = "this OpenGL reports no size it can draw at";
    }
}

PictureDrawer::~PictureDrawer()
{
    KINETTA_ASSERT(m_target.Framebuffer() == 0 || glw::HasCurrentContext(),
                   "delete the PictureDrawer with its context current");
}

void PictureDrawer::LimitTileSide(int side)
{
    KINETTA_ASSERT(side > 0, "limit tiles to a positive side");
    m_tileSide = std::min(m_tileSide, side);
}

std::optional<RgbaPicture> PictureDrawer::Draw(FrameRenderer& renderer, const Scene& scene,
                                               const PictureView& view, int width, int height)
{
    KINETTA_ASSERT(glw::HasCurrentContext(), "draw pictures with the scene's context current");
    m_lastTiles = 0;
    if (!m_usable)
        return std::nullopt;
    if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide) {
        m_error = "a picture must be 1 to " + std::to_string(kMaxPictureSide) +
                  " pixels wide and high";
        return std::nullopt;
    }
    RgbaPicture picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.resize(picture.RowBytes() * height);

    GLint previousFramebuffer = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previousFramebuffer);
    glPushAttrib(GL_VIEWPORT_BIT);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);

    // The whole picture's frustum, as gluPerspective makes it; each tile
    // draws its own share of it.
    const double top = view.zNear * std::tan(view.fovY * M_PI / 360.0);
    const double right = top * width / height;
    const int tileWidth = std::min(width, m_tileSide);
    const int tileHeight = std::min(height, m_tileSide);
    bool ok = m_target.Bind(tileWidth, tileHeight, GL_DEPTH_COMPONENT24);
    if (!ok)
        m_error = "OpenGL refused a " + std::to_string(tileWidth) + " x " +
                  std::to_string(tileHeight) + " framebuffer";
    std::vector<unsigned char> tile(static_cast<std::size_t>(tileWidth) * tileHeight * 4);
    // Tiles from the bottom left, in OpenGL's rows.
    for (int y0 = 0; ok && y0 < height; y0 += tileHeight) {
        for (int x0 = 0; x0 < width; x0 += tileWidth) {
            const int w = std::min(tileWidth, width - x0);
            const int h = std::min(tileHeight, height - y0);
            glViewport(0, 0, w, h);
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            glFrustum(-right + 2.0 * right * x0 / width, -right + 2.0 * right * (x0 + w) / width,
                      -top + 2.0 * top * y0 / height, -top + 2.0 * top * (y0 + h) / height,
                      view.zNear, view.zFar);
            glMatrixMode(GL_MODELVIEW);
            renderer.Render(scene, view.camera);
            glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, tile.data());
            for (int row = 0; row < h; ++row)
                std::memcpy(picture.Row(height - 1 - (y0 + row)) + std::size_t(x0) * 4,
                            tile.data() + std::size_t(row) * w * 4, std::size_t(w) * 4);
            ++m_lastTiles;
        }
    }

    m_gl.bindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previousFramebuffer));
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopClientAttrib();
    glPopAttrib();
    if (!ok)
        return std::nullopt;
    return picture;
}
