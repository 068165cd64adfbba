// Material state: colour, specular, culling and the one or two texture units.
#include "glw/model.h"

#include "glw/gl_procs.h"

namespace glw {
namespace {

// The ARB multitexture signatures, spelled out: the system headers declare
// some of them only as prototypes.
using ActiveTextureProc = void(APIENTRY*)(GLenum texture);
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

void EnableSphereMap()
{
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
}

void DisableTexGen()
{
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
}

// Diffuse texture on unit 0, sphere-mapped reflection on unit 1.
void ApplyTwoUnits(GLuint diffuseTexture, GLuint reflectionTexture)
{
    g_activeTexture(GL_TEXTURE0_ARB);
    if (diffuseTexture != 0) {
        glBindTexture(GL_TEXTURE_2D, diffuseTexture);
        glEnable(GL_TEXTURE_2D);
        DisableTexGen();
    } else {
        glDisable(GL_TEXTURE_2D);
    }

    g_activeTexture(GL_TEXTURE1_ARB);
    if (reflectionTexture != 0) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, reflectionTexture);
        EnableSphereMap();
    } else {
        glDisable(GL_TEXTURE_2D);
    }
    // Unit 1 stays active: callers' later texture calls act on it.
}

// Without multitexture the diffuse texture wins over the reflection.
void ApplyOneUnit(GLuint diffuseTexture, GLuint reflectionTexture)
{
    if (diffuseTexture != 0) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, diffuseTexture);
        DisableTexGen();
    } else if (reflectionTexture != 0) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, reflectionTexture);
        EnableSphereMap();
    } else {
        glDisable(GL_TEXTURE_2D);
    }
}

}  // namespace

void Material::Apply() const
{
    LookUpMultitextureIfMissing();

    glPolygonMode(GL_FRONT_AND_BACK, polygonMode);
    glCullFace(GL_BACK);
    if (doubleSided)
        glDisable(GL_CULL_FACE);
    else
        glEnable(GL_CULL_FACE);
    glEnable(GL_COLOR_MATERIAL);
    glColor3fv(colour);

    glMaterialf(GL_FRONT, GL_SHININESS, shininess);
    const GLfloat specularColour[4] = {specular, specular, specular, 1.0f};
    glMaterialfv(GL_FRONT, GL_SPECULAR, specularColour);

    if (g_activeTexture)
        ApplyTwoUnits(diffuseTexture, reflectionTexture);
    else
        ApplyOneUnit(diffuseTexture, reflectionTexture);
}

void Material::ResetGlProcs()
{
    g_activeTexture = nullptr;
    g_multiTexCoord2fv = nullptr;
    g_multiTexCoord2f = nullptr;
    g_clientActiveTexture = nullptr;
}

}  // namespace glw
