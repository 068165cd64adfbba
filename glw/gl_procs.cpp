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
    // Contexts older than OpenGL 3.0 name them after the extensions.
    Find(lookup, procs.genFramebuffers, "glGenFramebuffers", "glGenFramebuffersEXT");
    Find(lookup, procs.deleteFramebuffers, "glDeleteFramebuffers", "glDeleteFramebuffersEXT");
    Find(lookup, procs.bindFramebuffer, "glBindFramebuffer", "glBindFramebufferEXT");
    Find(lookup, procs.framebufferRenderbuffer, "glFramebufferRenderbuffer", "glFramebufferRenderbufferEXT");
    Find(lookup, procs.checkFramebufferStatus, "glCheckFramebufferStatus", "glCheckFramebufferStatusEXT");
    Find(lookup, procs.genRenderbuffers, "glGenRenderbuffers", "glGenRenderbuffersEXT");
    Find(lookup, procs.deleteRenderbuffers, "glDeleteRenderbuffers", "glDeleteRenderbuffersEXT");
    Find(lookup, procs.bindRenderbuffer, "glBindRenderbuffer", "glBindRenderbufferEXT");
    Find(lookup, procs.renderbufferStorage, "glRenderbufferStorage", "glRenderbufferStorageEXT");
    Find(lookup, procs.blitFramebuffer, "glBlitFramebuffer", "glBlitFramebufferEXT");
    if (!procs.HasFramebuffers()) {
        procs.genFramebuffers = nullptr;
        procs.deleteFramebuffers = nullptr;
        procs.bindFramebuffer = nullptr;
        procs.framebufferRenderbuffer = nullptr;
        procs.checkFramebufferStatus = nullptr;
        procs.genRenderbuffers = nullptr;
        procs.deleteRenderbuffers = nullptr;
        procs.bindRenderbuffer = nullptr;
        procs.renderbufferStorage = nullptr;
        procs.blitFramebuffer = nullptr;
    }
    return procs;
}

bool HasCurrentContext()
{
    // Without a current context OpenGL answers nothing at all.
    return glGetString(GL_VERSION) != nullptr;
}

}  // namespace glw
