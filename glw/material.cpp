// Material state: colour, specular, culling and the one or two texture units.
#include "glw/model.h"

#include "glw/buffer_objects.h"
#include "glw/gl_procs.h"
#include "glw/gl_state.h"
#include "glw/multitexture.h"

namespace glw {
namespace {

// The ARB multitexture signatures, spelled out: the system headers declare
// some of them only as prototypes.
using MultiTexCoord2fvProc = void(APIENTRY*)(GLenum target, const GLfloat* v);
using MultiTexCoord2fProc = void(APIENTRY*)(GLenum target, GLfloat s, GLfloat t);
using ClientActiveTextureProc = void(APIENTRY*)(GLenum texture);

// The multitexture entry points, shared by every material. They are looked up
// together; while any one is missing, every Apply looks them all up again.
ActiveTextureProc g_activeTexture = nullptr;
MultiTexCoord2fvProc g_multiTexCoord2fv = nullptr;
MultiTexCoord2fProc g_multiTexCoord2f = nullptr;
ClientActiveTextureProc g_clientActiveTexture = nullptr;

template <typename Proc>
Proc Lookup(const char* name)
{
    return reinterpret_cast<Proc>(LookupGlProc(name));
}

void LookUpMultitextureIfMissing()
{
    if (g_activeTexture && g_multiTexCoord2fv && g_multiTexCoord2f && g_clientActiveTexture)
        return;
    g_activeTexture = Lookup<ActiveTextureProc>("glActiveTextureARB");
    g_multiTexCoord2fv = Lookup<MultiTexCoord2fvProc>("glMultiTexCoord2fvARB");
    g_multiTexCoord2f = Lookup<MultiTexCoord2fProc>("glMultiTexCoord2f");
    g_clientActiveTexture = Lookup<ClientActiveTextureProc>("glClientActiveTextureARB");
}

void DisableTexGen(GlState& state)
{
    state.Disable(GL_TEXTURE_GEN_S);
    state.Disable(GL_TEXTURE_GEN_T);
}

void EnableSphereMap(GlState& state)
{
    state.SphereMapGeneration();
    state.Enable(GL_TEXTURE_GEN_S);
    state.Enable(GL_TEXTURE_GEN_T);
}

// Diffuse texture on unit 0, sphere-mapped reflection on unit 1.
void ApplyTwoUnits(GlState& state, GLuint diffuseTexture, GLuint reflectionTexture)
{
    state.ActiveTexture(0);
    if (diffuseTexture != 0) {
        state.BindTexture2D(diffuseTexture);
        state.Enable(GL_TEXTURE_2D);
        DisableTexGen(state);
    } else {
        state.Disable(GL_TEXTURE_2D);
    }

    state.ActiveTexture(1);
    if (reflectionTexture != 0) {
        state.Enable(GL_TEXTURE_2D);
        state.BindTexture2D(reflectionTexture);
        EnableSphereMap(state);
    } else {
        state.Disable(GL_TEXTURE_2D);
    }
    // Unit 1 stays active: callers' later texture calls act on it.
}

// Without multitexture the diffuse texture wins over the reflection.
void ApplyOneUnit(GlState& state, GLuint diffuseTexture, GLuint reflectionTexture)
{
    if (diffuseTexture != 0) {
        state.Enable(GL_TEXTURE_2D);
        state.BindTexture2D(diffuseTexture);
        DisableTexGen(state);
    } else if (reflectionTexture != 0) {
        state.Enable(GL_TEXTURE_2D);
        state.BindTexture2D(reflectionTexture);
        EnableSphereMap(state);
    } else {
        state.Disable(GL_TEXTURE_2D);
    }
}

}  // namespace

void Material::Apply() const
{
    GlState direct;
    Apply(direct);
}

void Material::Apply(GlState& state) const
{
    LookUpMultitextureIfMissing();

    state.PolygonMode(polygonMode);
    state.CullFace(GL_BACK);
    if (doubleSided)
        state.Disable(GL_CULL_FACE);
    else
        state.Enable(GL_CULL_FACE);
    state.Enable(GL_COLOR_MATERIAL);
    state.Colour(colour);

    state.FrontShininess(shininess);
    state.FrontSpecular(specular);

    if (g_activeTexture)
        ApplyTwoUnits(state, diffuseTexture, reflectionTexture);
    else
        ApplyOneUnit(state, diffuseTexture, reflectionTexture);
}

ActiveTextureProc ActiveTextureEntryPoint()
{
    return g_activeTexture;
}

void Material::ResetGlProcs()
{
    ResetBufferProcs();
    g_activeTexture = nullptr;
    g_multiTexCoord2fv = nullptr;
    g_multiTexCoord2f = nullptr;
    g_clientActiveTexture = nullptr;
}

}  // namespace glw
