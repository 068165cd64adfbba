#include "glw/gl_procs.h"

#include <GL/glx.h>

namespace glw {
namespace {

GlProc GlxLookup(const char* name)
{
    return glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name));
}

GlProcLookup g_lookup = &GlxLookup;

}  // namespace

void SetGlProcLookup(GlProcLookup lookup)
{
    g_lookup = lookup ? lookup : &GlxLookup;
}

GlProc LookupGlProc(const char* name)
{
    return g_lookup(name);
}

}  // namespace glw
