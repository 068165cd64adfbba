// Material state: colour, specular, culling and the one or two texture units.
#include "glw/model.h"

#include "glw/gl_state.h"

namespace glw {
namespace {

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

void Material::Apply(const GlProcs& procs) const
{
    GlState direct(procs);
    Apply(direct);
}

void Material::Apply(GlState& state) const
{
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

    if (state.Procs().HasMultitexture())
        ApplyTwoUnits(state, diffuseTexture, reflectionTexture);
    else
        ApplyOneUnit(state, diffuseTexture, reflectionTexture);
}

}  // namespace glw
