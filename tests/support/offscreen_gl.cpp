#include "support/offscreen_gl.h"

#include <GL/gl.h>

#include <cstring>

namespace testing_support {

glw::GlProc OffscreenGl::ProcLookup(const char* name)
{
    return reinterpret_cast<glw::GlProc>(OSMesaGetProcAddress(name));
}

OffscreenGl::OffscreenGl(int width, int height)
    : m_pixels(static_cast<std::size_t>(width) * height * 4), m_width(width), m_height(height)
{
    m_context = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
    if (!m_context) {
        m_error = "OSMesaCreateContextExt failed";
        return;
    }
    if (!OSMesaMakeCurrent(m_context, m_pixels.data(), GL_UNSIGNED_BYTE, width, height)) {
        m_error = "OSMesaMakeCurrent failed";
        return;
    }
    // If gl* resolved to the GLX dispatcher instead of OSMesa, nothing answers.
    const GLubyte* renderer = glGetString(GL_RENDERER);
    if (renderer == nullptr) {
        m_error = "glGetString returned null: gl* symbols are not Mesa's off-screen ones";
        return;
    }
    m_procs = glw::GlProcs::Load(&ProcLookup);
    m_ok = true;
}

OffscreenGl::~OffscreenGl()
{
    if (m_context)
        OSMesaDestroyContext(m_context);
}

}  // namespace testing_support
