// Material state in a real off-screen context: fixed-function state, the two
// texture-unit paths and the lookup of the entry points they use.
#include "glw/gl_procs.h"
#include "glw/gl_state.h"
#include "glw/model.h"
#include "support/offscreen_gl.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_lookedUp;

void Fake() {}

// Knows every name except those of the buffer objects' core spelling and
// one of their ARB spellings.
glw::GlProc LookupWithoutCoreBuffers(const char* name)
{
    g_lookedUp.push_back(name);
    const std::string n = name;
    if (n == "glGenBuffers" || n == "glDeleteBuffers" || n == "glBindBuffer" ||
        n == "glBufferData" || n == "glBufferDataARB")
        return nullptr;
    return &Fake;
}

struct UnitState {
    bool texture2d;
    GLint boundTexture;
    bool genS, genT;
    GLint genModeS, genModeT;
};

GLint ActiveUnit()
{
    GLint unit = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    return unit;
}

// Reads one unit's state and makes the previously active unit active again.
UnitState ReadUnit(GLenum unit)
{
    const GLint previous = ActiveUnit();
    glActiveTexture(unit);
    UnitState s{};
    s.texture2d = glIsEnabled(GL_TEXTURE_2D);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.boundTexture);
    s.genS = glIsEnabled(GL_TEXTURE_GEN_S);
    s.genT = glIsEnabled(GL_TEXTURE_GEN_T);
    glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &s.genModeS);
    glGetTexGeniv(GL_T, GL_TEXTURE_GEN_MODE, &s.genModeT);
    glActiveTexture(static_cast<GLenum>(previous));
    return s;
}

// Texturing and generation on, so that a test sees what Apply turns off.
void EnableEverythingOn(GLenum unit)
{
    glActiveTexture(unit);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
}

class MaterialApply : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_gl.Ok()) << m_gl.Error();
        ASSERT_TRUE(m_gl.Procs().HasMultitexture());
        glGenTextures(2, m_textures);
        m_material.diffuseTexture = m_textures[0];
        m_material.reflectionTexture = m_textures[1];
        EnableEverythingOn(GL_TEXTURE1);
        EnableEverythingOn(GL_TEXTURE0);
    }

    void TearDown() override
    {
        glDeleteTextures(2, m_textures);
    }

    testing_support::OffscreenGl m_gl{8, 8};
    GLuint m_textures[2] = {};
    glw::Material m_material;
};

}  // namespace

TEST_F(MaterialApply, SetsColourPolygonModeCullingAndSpecular)
{
    using Floats = std::array<GLfloat, 4>;
    glCullFace(GL_FRONT);
    glDisable(GL_COLOR_MATERIAL);
    m_material.colour[0] = 0.25f;
    m_material.colour[1] = 0.5f;
    m_material.colour[2] = 0.75f;
    m_material.specular = 0.5f;
    m_material.shininess = 40.0f;
    m_material.polygonMode = GL_LINE;
    m_material.Apply(m_gl.Procs());

    Floats colour{}, specular{};
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    EXPECT_EQ(colour, (Floats{0.25f, 0.5f, 0.75f, 1.0f}));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    GLint cullFace = 0, polygonMode[2] = {};
    glGetIntegerv(GL_CULL_FACE_MODE, &cullFace);
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    EXPECT_EQ(cullFace, GL_BACK);
    EXPECT_EQ(polygonMode[0], GL_LINE);
    EXPECT_EQ(polygonMode[1], GL_LINE);
    GLfloat shininess = 0;
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, specular.data());
    EXPECT_EQ(shininess, 40.0f);
    EXPECT_EQ(specular, (Floats{0.5f, 0.5f, 0.5f, 1.0f}));

    m_material.doubleSided = true;
    m_material.specular = 0.125f;
    m_material.Apply(m_gl.Procs());
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, specular.data());
    EXPECT_EQ(specular, (Floats{0.125f, 0.125f, 0.125f, 1.0f}));
}

TEST_F(MaterialApply, MultitexturePutsDiffuseOnUnitZeroAndReflectionOnUnitOne)
{
    m_material.Apply(m_gl.Procs());

    EXPECT_EQ(ActiveUnit(), GL_TEXTURE1);
    const UnitState diffuse = ReadUnit(GL_TEXTURE0);
    EXPECT_TRUE(diffuse.texture2d);
    EXPECT_EQ(diffuse.boundTexture, static_cast<GLint>(m_textures[0]));
    EXPECT_FALSE(diffuse.genS);
    EXPECT_FALSE(diffuse.genT);
    const UnitState reflection = ReadUnit(GL_TEXTURE1);
    EXPECT_TRUE(reflection.texture2d);
    EXPECT_EQ(reflection.boundTexture, static_cast<GLint>(m_textures[1]));
    EXPECT_TRUE(reflection.genS);
    EXPECT_TRUE(reflection.genT);
    EXPECT_EQ(reflection.genModeS, GL_SPHERE_MAP);
    EXPECT_EQ(reflection.genModeT, GL_SPHERE_MAP);

    m_material.diffuseTexture = 0;
    m_material.reflectionTexture = 0;
    m_material.Apply(m_gl.Procs());
    EXPECT_EQ(ActiveUnit(), GL_TEXTURE1);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(ReadUnit(GL_TEXTURE0).texture2d);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(GlProcsLoad, AsksForEachEntryPointOnceAndTakesBufferObjectsWhole)
{
    testing_support::OffscreenGl gl(8, 8);
    ASSERT_TRUE(gl.Ok()) << gl.Error();
    g_lookedUp.clear();
    const glw::GlProcs procs = glw::GlProcs::Load(&LookupWithoutCoreBuffers);
    const std::vector<std::string> expected{
        "glActiveTextureARB", "glGenBuffers",    "glGenBuffersARB", "glDeleteBuffers",
        "glDeleteBuffersARB", "glBindBuffer",    "glBindBufferARB", "glBufferData",
        "glBufferDataARB", "glGenFramebuffers", "glDeleteFramebuffers", "glBindFramebuffer",
        "glFramebufferRenderbuffer", "glCheckFramebufferStatus", "glGenRenderbuffers",
        "glDeleteRenderbuffers", "glBindRenderbuffer", "glRenderbufferStorage",
        "glBlitFramebuffer"};
    EXPECT_EQ(g_lookedUp, expected);
    EXPECT_TRUE(procs.HasMultitexture());
    // Three of four buffer entry points are no use: none is kept.
    EXPECT_FALSE(procs.HasBufferObjects());
    EXPECT_EQ(procs.genBuffers, nullptr);
    EXPECT_EQ(procs.bindBuffer, nullptr);
    EXPECT_TRUE(procs.HasFramebuffers());
}

TEST(GlProcsLoadDeathTest, NeedsACurrentContext)
{
    EXPECT_DEATH(glw::GlProcs::Load(&testing_support::OffscreenGl::ProcLookup),
                 "make the context current");
}

// The state record selects units from its first call on, before any
// material has been applied in the context, in both of its modes.
TEST_F(MaterialApply, StateRecordSelectsUnitsFromTheStart)
{
    for (const bool economy : {false, true}) {
        glw::GlState state(m_gl.Procs(), economy);
        state.ActiveTexture(0);
        state.Disable(GL_TEXTURE_2D);
        state.ActiveTexture(1);
        state.Disable(GL_TEXTURE_2D);
        state.Commit();
        EXPECT_EQ(ActiveUnit(), GL_TEXTURE1) << "economy " << economy;
        EXPECT_FALSE(ReadUnit(GL_TEXTURE0).texture2d) << "economy " << economy;
        EXPECT_FALSE(ReadUnit(GL_TEXTURE1).texture2d) << "economy " << economy;
        EnableEverythingOn(GL_TEXTURE1);
        EnableEverythingOn(GL_TEXTURE0);
    }
}

TEST_F(MaterialApply, WithoutMultitextureOneUnitPrefersTheDiffuseTexture)
{
    const glw::GlProcs oneUnit;  // what a context without multitexture offers

    m_material.Apply(oneUnit);
    EXPECT_EQ(ActiveUnit(), GL_TEXTURE0);
    UnitState unit = ReadUnit(GL_TEXTURE0);
    EXPECT_TRUE(unit.texture2d);
    EXPECT_EQ(unit.boundTexture, static_cast<GLint>(m_textures[0]));
    EXPECT_FALSE(unit.genS);
    EXPECT_FALSE(unit.genT);

    m_material.diffuseTexture = 0;
    m_material.Apply(oneUnit);
    unit = ReadUnit(GL_TEXTURE0);
    EXPECT_TRUE(unit.texture2d);
    EXPECT_EQ(unit.boundTexture, static_cast<GLint>(m_textures[1]));
    EXPECT_TRUE(unit.genS);
    EXPECT_TRUE(unit.genT);
    EXPECT_EQ(unit.genModeS, GL_SPHERE_MAP);
    EXPECT_EQ(unit.genModeT, GL_SPHERE_MAP);

    m_material.reflectionTexture = 0;
    m_material.Apply(oneUnit);
    EXPECT_EQ(ActiveUnit(), GL_TEXTURE0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    // The second unit is never touched on this path.
    EXPECT_TRUE(ReadUnit(GL_TEXTURE1).texture2d);
}
