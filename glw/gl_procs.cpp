#include "glw/gl_procs.h"

#include "common/kinetta_assert.h"

namespace glw {
namespace {

template <typename Proc>
void Find(GlProcLookup lookup, Proc& proc, const char* name, const char* alternative = nullptr)
{
    proc = reinterpret_cast<Proc>(lookup(name));
    if (proc == nullptr && alternative != nullptr)
        proc = reinterpret_cast<Proc>(lookup(alternative));
}

}  // namespace

GlProcs GlProcs::Load(GlProcLookup lookup)
{
    KINETTA_ASSERT(lookup != nullptr, "pass the loader of the current context's platform");
    KINETTA_ASSERT(HasCurrentContext(), "make the context current before loading its entry points");
    GlProcs procs;
    Find(lookup, procs.activeTexture, "glActiveTextureARB");
    Find(lookup, procs.genBuffers, "glGenBuffers", "glGenBuffersARB");
    Find(lookup, procs.deleteBuffers, "glDeleteBuffers", "glDeleteBuffersARB");
    Find(lookup, procs.bindBuffer, "glBindBuffer", "glBindBufferARB");
    Find(lookup, procs.bufferData, "glBufferData", "glBufferDataARB");
    if (!procs.HasBufferObjects()) {
        procs.genBuffers = nullptr;
        procs.deleteBuffers = nullptr;
        procs.bindBuffer = nullptr;
        procs.bufferData = nullptr;
    }
    return procs;
}

bool HasCurrentContext()
{
    // Without a current context OpenGL answers nothing at all.
    return glGetString(GL_VERSION) != nullptr;
}

}  // namespace glw
