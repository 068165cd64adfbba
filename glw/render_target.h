#pragma once
// A framebuffer object of our own with a colour and a depth renderbuffer of
// one size: what off-screen drawing draws into. Kept while its size and
// depth format stay the same, made anew otherwise.

#include "glw/gl_procs.h"

#include <GL/gl.h>

namespace glw {

class RenderTarget {
public:
    // procs belong to the context the target is made in, have framebuffers
    // and outlive the target; destroyed with that context current.
    explicit RenderTarget(const GlProcs& procs) : m_procs(procs) {}
    ~RenderTarget() { Release(); }
    RenderTarget(const RenderTarget&) = delete;
    RenderTarget& operator=(const RenderTarget&) = delete;

    // A target of this size whose depth is depthFormat (with a stencil
    // attached as well for GL_DEPTH24_STENCIL8), bound to GL_FRAMEBUFFER.
    // False, with nothing kept and nothing bound, when OpenGL refuses it.
    bool Bind(int width, int height, GLenum depthFormat);
    void Release();

    GLuint Framebuffer() const { return m_framebuffer; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

private:
    const GlProcs& m_procs;
    GLuint m_framebuffer = 0;
    GLuint m_colour = 0;
    GLuint m_depth = 0;
    int m_width = 0;
    int m_height = 0;
    GLenum m_depthFormat = 0;
};

}  // namespace glw
