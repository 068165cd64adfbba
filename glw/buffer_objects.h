#pragma once
// OpenGL 1.5 buffer objects for the mesh model: looked up once per process,
// like the multitexture entry points, since the system headers do not promise
// them.

#include "glw/model.h"

namespace glw {

struct BufferProcs {
    void(APIENTRY* genBuffers)(GLsizei n, GLuint* buffers) = nullptr;
    void(APIENTRY* deleteBuffers)(GLsizei n, const GLuint* buffers) = nullptr;
    void(APIENTRY* bindBuffer)(GLenum target, GLuint buffer) = nullptr;
    void(APIENTRY* bufferData)(GLenum target, std::ptrdiff_t size, const void* data,
                               GLenum usage) = nullptr;
};

// Null where the current context has no buffer objects.
const BufferProcs* LookUpBufferProcs();
// Forgets the entry points, for a test that moves to another kind of context.
void ResetBufferProcs();

// Binds the surface's buffers when they still match its lists, and returns
// the entry points to unbind them with; null means "draw from client arrays".
const BufferProcs* BoundBuffersFor(const Surface& surface);
void UnbindBuffers(const BufferProcs& procs);

}  // namespace glw
