#include "glw/render_target.h"

#include "common/kinetta_assert.h"

#include <GL/glext.h>

namespace glw {

void RenderTarget::Release()
{
    if (m_framebuffer != 0)
        m_procs.deleteFramebuffers(1, &m_framebuffer);
    const GLuint renderbuffers[2] = {m_colour, m_depth};
    if (m_colour != 0 || m_depth != 0)
        m_procs.deleteRenderbuffers(2, renderbuffers);
    m_framebuffer = m_colour = m_depth = 0;
    m_width = m_height = 0;
    m_depthFormat = 0;
}

bool RenderTarget::Bind(int width, int height, GLenum depthFormat)
{
    KINETTA_ASSERT(m_procs.HasFramebuffers(),
                   "make a render target only where the context has framebuffer objects");
    KINETTA_ASSERT(width > 0 && height > 0, "give a render target a size of at least one pixel");
    if (m_framebuffer != 0 && width == m_width && height == m_height &&
        depthFormat == m_depthFormat) {
        m_procs.bindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
        return true;
    }
    Release();
    m_procs.genFramebuffers(1, &m_framebuffer);
    m_procs.genRenderbuffers(1, &m_colour);
    m_procs.genRenderbuffers(1, &m_depth);
    m_procs.bindRenderbuffer(GL_RENDERBUFFER, m_colour);
    m_procs.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    m_procs.bindRenderbuffer(GL_RENDERBUFFER, m_depth);
    m_procs.renderbufferStorage(GL_RENDERBUFFER, depthFormat, width, height);
    m_procs.bindRenderbuffer(GL_RENDERBUFFER, 0);
    m_procs.bindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
    m_procs.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                    m_colour);
    // A depth copy to or from a frame that has a stencil needs ours alike.
    m_procs.framebufferRenderbuffer(GL_FRAMEBUFFER,
                                    depthFormat == GL_DEPTH24_STENCIL8
                                        ? GL_DEPTH_STENCIL_ATTACHMENT
                                        : GL_DEPTH_ATTACHMENT,
                                    GL_RENDERBUFFER, m_depth);
    if (m_procs.checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        // Deleting the bound framebuffer binds the window system's again.
        Release();
        return false;
    }
    m_width = width;
    m_height = height;
    m_depthFormat = depthFormat;
    return true;
}

}  // namespace glw
