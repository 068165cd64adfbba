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

template <typename Function>
void Find(glw::GlProcLookup lookup, Function& function, const char* name)
{
    glw::GlProc proc = lookup(name);
    // Contexts older than OpenGL 3.0 name them after the extension.
    if (proc == nullptr)
        proc = lookup((std::string(name) + "EXT").c_str());
    function = reinterpret_cast<Function>(proc);
}

}  // namespace

PictureDrawer::PictureDrawer(glw::GlProcLookup lookup)
{
    KINETTA_ASSERT(glw::HasCurrentContext(), "make the drawing context current first");
    Find(lookup, m_gl.genFramebuffers, "glGenFramebuffers");
    Find(lookup, m_gl.deleteFramebuffers, "glDeleteFramebuffers");
    Find(lookup, m_gl.bindFramebuffer, "glBindFramebuffer");
    Find(lookup, m_gl.genRenderbuffers, "glGenRenderbuffers");
    Find(lookup, m_gl.deleteRenderbuffers, "glDeleteRenderbuffers");
    Find(lookup, m_gl.bindRenderbuffer, "glBindRenderbuffer");
    Find(lookup, m_gl.renderbufferStorage, "glRenderbufferStorage");
    Find(lookup, m_gl.framebufferRenderbuffer, "glFramebufferRenderbuffer");
    Find(lookup, m_gl.checkFramebufferStatus, "glCheckFramebufferStatus");
    m_usable = m_gl.genFramebuffers && m_gl.deleteFramebuffers && m_gl.bindFramebuffer &&
               m_gl.genRenderbuffers && m_gl.deleteRenderbuffers && m_gl.bindRenderbuffer &&
               m_gl.renderbufferStorage && m_gl.framebufferRenderbuffer &&
               m_gl.checkFramebufferStatus;
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
    KINETTA_ASSERT(m_framebuffer == 0 || glw::HasCurrentContext(),
                   "delete the PictureDrawer with its context current");
    ReleaseTarget();
}

void PictureDrawer::LimitTileSide(int side)
{
    KINETTA_ASSERT(side > 0, "limit tiles to a positive side");
    m_tileSide = std::min(m_tileSide, side);
}

void PictureDrawer::ReleaseTarget()
{
    if (m_framebuffer != 0)
        m_gl.deleteFramebuffers(1, &m_framebuffer);
    const GLuint renderbuffers[2] = {m_colour, m_depth};
    if (m_colour != 0 || m_depth != 0)
        m_gl.deleteRenderbuffers(2, renderbuffers);
    m_framebuffer = m_colour = m_depth = 0;
    m_targetWidth = m_targetHeight = 0;
}

bool PictureDrawer::BindTarget(int width, int height)
{
    if (m_framebuffer != 0 && width == m_targetWidth && height == m_targetHeight) {
        m_gl.bindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
        return true;
    }
    ReleaseTarget();
    m_gl.genFramebuffers(1, &m_framebuffer);
    m_gl.genRenderbuffers(1, &m_colour);
    m_gl.genRenderbuffers(1, &m_depth);
    m_gl.bindRenderbuffer(GL_RENDERBUFFER, m_colour);
    m_gl.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    m_gl.bindRenderbuffer(GL_RENDERBUFFER, m_depth);
    m_gl.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    m_gl.bindRenderbuffer(GL_RENDERBUFFER, 0);
    m_gl.bindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
    m_gl.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_colour);
    m_gl.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, m_depth);
    if (m_gl.checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        ReleaseTarget();
        return false;
    }
    m_targetWidth = width;
    m_targetHeight = height;
    return true;
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
    bool ok = BindTarget(tileWidth, tileHeight);
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
