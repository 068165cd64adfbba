#pragma once
// Looks up OpenGL extension entry points through the platform's loader.

namespace glw {

using GlProc = void (*)();
using GlProcLookup = GlProc (*)(const char* name);

// The default is GLX's loader. Contexts that GLX does not know (Mesa's
// off-screen contexts in tests) install their own; null restores the default.
void SetGlProcLookup(GlProcLookup lookup);

// Needs a current context. Null when the entry point is unknown.
GlProc LookupGlProc(const char* name);

}  // namespace glw
