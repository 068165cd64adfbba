#pragma once
// The OpenGL entry points beyond 1.1 that drawing code calls. They belong to
// one context: whoever sets up drawing in a context loads them once, keeps
// them, and hands them to whatever draws there.

#include <GL/gl.h>

#include <cstddef>

namespace glw {

using GlProc = void (*)();
// The platform's loader for the context that is current (GLX, EGL through
// Qt, Mesa's off-screen library...).
using GlProcLookup = GlProc (*)(const char* name);

struct GlProcs {
    // ARB multitexture. Null where the context has a single texture unit:
    // drawing then takes its one-unit path.
    void(APIENTRY* activeTexture)(GLenum texture) = nullptr;

    // Buffer objects (OpenGL 1.5 or ARB_vertex_buffer_object). All four or
    // none: a partial set counts as none.
    void(APIENTRY* genBuffers)(GLsizei n, GLuint* buffers) = nullptr;
    void(APIENTRY* deleteBuffers)(GLsizei n, const GLuint* buffers) = nullptr;
    void(APIENTRY* bindBuffer)(GLenum target, GLuint buffer) = nullptr;
    void(APIENTRY* bufferData)(GLenum target, std::ptrdiff_t size, const void* data,
                               GLenum usage) = nullptr;

    // Framebuffer objects with blits (OpenGL 3.0 or ARB_framebuffer_object).
    // All or none, as the buffer objects.
    void(APIENTRY* genFramebuffers)(GLsizei n, GLuint* names) = nullptr;
    void(APIENTRY* deleteFramebuffers)(GLsizei n, const GLuint* names) = nullptr;
    void(APIENTRY* bindFramebuffer)(GLenum target, GLuint name) = nullptr;
    void(APIENTRY* framebufferRenderbuffer)(GLenum target, GLenum attachment,
                                            GLenum renderbufferTarget, GLuint name) = nullptr;
    GLenum(APIENTRY* checkFramebufferStatus)(GLenum target) = nullptr;
    void(APIENTRY* genRenderbuffers)(GLsizei n, GLuint* names) = nullptr;
    void(APIENTRY* deleteRenderbuffers)(GLsizei n, const GLuint* names) = nullptr;
    void(APIENTRY* bindRenderbuffer)(GLenum target, GLuint name) = nullptr;
    void(APIENTRY* renderbufferStorage)(GLenum target, GLenum format, GLsizei width,
                                        GLsizei height) = nullptr;
    void(APIENTRY* blitFramebuffer)(GLint srcX0, GLint srcY0, GLint srcX1, GLint srcY1,
                                    GLint dstX0, GLint dstY0, GLint dstX1, GLint dstY1,
                                    GLbitfield mask, GLenum filter) = nullptr;

    // Asks lookup for every entry point of the context that is current now.
    static GlProcs Load(GlProcLookup lookup);

    bool HasMultitexture() const { return activeTexture != nullptr; }
    bool HasBufferObjects() const
    {
        return genBuffers && deleteBuffers && bindBuffer && bufferData;
    }
    bool HasFramebuffers() const
    {
        return genFramebuffers && deleteFramebuffers && bindFramebuffer &&
               framebufferRenderbuffer && checkFramebufferStatus && genRenderbuffers &&
               deleteRenderbuffers && bindRenderbuffer && renderbufferStorage && blitFramebuffer;
    }
};

// True when this thread has a current OpenGL context: what contract checks
// of code that calls OpenGL ask. Not for drawing paths: it is a query.
bool HasCurrentContext();

}  // namespace glw
