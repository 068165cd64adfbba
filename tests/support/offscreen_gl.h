#pragma once
// A real OpenGL context without a display, from Mesa's off-screen library.
// Tests that need OpenGL create one of these and check Ok() first.

#include "glw/gl_procs.h"

#include <GL/osmesa.h>

#include <string>
#include <vector>

namespace testing_support {

class OffscreenGl {
public:
    explicit OffscreenGl(int width = 64, int height = 64);
    ~OffscreenGl();
    OffscreenGl(const OffscreenGl&) = delete;
    OffscreenGl& operator=(const OffscreenGl&) = delete;

    // True when the context is current and really is Mesa's off-screen one.
    bool Ok() const { return m_ok; }
    const std::string& Error() const { return m_error; }

    // This kind of context's loader, and what it found in this context.
    static glw::GlProc ProcLookup(const char* name);
    const glw::GlProcs& Procs() const { return m_procs; }

    // RGBA bytes of the colour buffer, bottom row first (OpenGL's order).
    const std::vector<unsigned char>& Pixels() const { return m_pixels; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

private:
    OSMesaContext m_context = nullptr;
    std::vector<unsigned char> m_pixels;
    int m_width;
    int m_height;
    glw::GlProcs m_procs;
    bool m_ok = false;
    std::string m_error;
};

}  // namespace testing_support
