#pragma once
// The ARB multitexture entry point that drawing code calls. It is looked up by
// Material::Apply (with the other three) in whatever context is current.

#include <GL/gl.h>

namespace glw {

using ActiveTextureProc = void(APIENTRY*)(GLenum texture);

// Null until a material has been applied in a context that has multitexture.
ActiveTextureProc ActiveTextureEntryPoint();

}  // namespace glw
