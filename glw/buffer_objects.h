#pragma once
// OpenGL buffer objects for the mesh model, through the entry points of the
// context that draws.

#include "glw/gl_procs.h"
#include "glw/model.h"

namespace glw {

// The surface has buffers made from lists of the sizes it has now.
bool BuffersMatch(const Surface& surface);

// Binds the surface's buffers when they still match its lists and the
// context has buffer objects: 1; 0 means "draw from client arrays".
int BindBuffersFor(const Surface& surface, const GlProcs& procs);
void UnbindBuffers(const GlProcs& procs);

}  // namespace glw
