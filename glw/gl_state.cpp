#include "glw/gl_state.h"

#include "common/kinetta_assert.h"

namespace glw {
namespace {

void SetGlCap(GLenum cap, bool on)
{
    if (on)
        glEnable(cap);
    else
        glDisable(cap);
}

void SendSphereMap()
{
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
}

void SendSpecular(GLfloat level)
{
    const GLfloat colour[4] = {level, level, level, 1.0f};
    glMaterialfv(GL_FRONT, GL_SPECULAR, colour);
}

template <typename Slot, typename Send>
void SendIfPending(Slot& slot, Send send)
{
    if (slot.Pending()) {
        send(*slot.wanted);
        slot.sent = slot.wanted;
    }
}

}  // namespace

void GlState::ActiveTexture(int unit)
{
    KINETTA_ASSERT(unit >= 0 && unit < kUnits, "select texture unit 0 or 1");
    if (!m_procs.HasMultitexture() || unit < 0 || unit >= kUnits)
        return;
    if (!m_economy) {
        m_procs.activeTexture(GL_TEXTURE0_ARB + unit);
        return;
    }
    m_activeUnit.wanted = unit;
}

GlState::Unit& GlState::ActiveUnit()
{
    if (!m_activeUnit.wanted) {
        // Unknown after Forget: ask OpenGL once.
        GLint unit = GL_TEXTURE0_ARB;
        if (m_procs.HasMultitexture())
            glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &unit);
        const int index = unit - GL_TEXTURE0_ARB;
        m_activeUnit.wanted = m_activeUnit.sent = (index >= 0 && index < kUnits) ? index : 0;
    }
    return m_units[static_cast<std::size_t>(*m_activeUnit.wanted)];
}

GlState::Slot<bool>* GlState::CapSlot(GLenum cap)
{
    switch (cap) {
        case GL_TEXTURE_2D:
            return &ActiveUnit().texture2D;
        case GL_TEXTURE_GEN_S:
            return &ActiveUnit().genS;
        case GL_TEXTURE_GEN_T:
            return &ActiveUnit().genT;
        case GL_CULL_FACE:
            return &m_cullFace;
        case GL_COLOR_MATERIAL:
            return &m_colourMaterial;
        case GL_LIGHTING:
            return &m_lighting;
        default:
            return nullptr;
    }
}

void GlState::SetCap(GLenum cap, bool on)
{
    Slot<bool>* slot = m_economy ? CapSlot(cap) : nullptr;
    if (slot == nullptr) {
        SetGlCap(cap, on);
        return;
    }
    slot->wanted = on;
}

void GlState::BindTexture2D(GLuint texture)
{
    if (!m_economy) {
        glBindTexture(GL_TEXTURE_2D, texture);
        return;
    }
    ActiveUnit().texture.wanted = texture;
}

void GlState::SphereMapGeneration()
{
    if (!m_economy) {
        SendSphereMap();
        return;
    }
    ActiveUnit().sphereMap.wanted = true;
}

void GlState::Colour(const GLfloat rgb[3])
{
    Colour(rgb[0], rgb[1], rgb[2]);
}

void GlState::Colour(GLfloat r, GLfloat g, GLfloat b)
{
    if (!m_economy) {
        glColor3f(r, g, b);
        return;
    }
    m_colour.wanted = Rgb{r, g, b};
}

void GlState::PolygonMode(GLenum mode)
{
    if (!m_economy) {
        glPolygonMode(GL_FRONT_AND_BACK, mode);
        return;
    }
    m_polygonMode.wanted = mode;
}

void GlState::CullFace(GLenum face)
{
    if (!m_economy) {
        glCullFace(face);
        return;
    }
    m_cullFaceMode.wanted = face;
}

void GlState::FrontShininess(GLfloat shininess)
{
    if (!m_economy) {
        glMaterialf(GL_FRONT, GL_SHININESS, shininess);
        return;
    }
    m_shininess.wanted = shininess;
}

void GlState::FrontSpecular(GLfloat level)
{
    if (!m_economy) {
        SendSpecular(level);
        return;
    }
    m_specular.wanted = level;
}

void GlState::SelectUnit(int index)
{
    if (m_activeUnit.sent == index)
        return;
    if (m_procs.HasMultitexture())
        m_procs.activeTexture(GL_TEXTURE0_ARB + index);
    m_activeUnit.sent = index;
}

void GlState::SendUnit(int index, Unit& unit)
{
    if (!unit.texture2D.Pending() && !unit.genS.Pending() && !unit.genT.Pending() &&
        !unit.sphereMap.Pending() && !unit.texture.Pending())
        return;
    SelectUnit(index);
    SendIfPending(unit.texture, [](GLuint name) { glBindTexture(GL_TEXTURE_2D, name); });
    SendIfPending(unit.sphereMap, [](bool) { SendSphereMap(); });
    SendIfPending(unit.texture2D, [](bool on) { SetGlCap(GL_TEXTURE_2D, on); });
    SendIfPending(unit.genS, [](bool on) { SetGlCap(GL_TEXTURE_GEN_S, on); });
    SendIfPending(unit.genT, [](bool on) { SetGlCap(GL_TEXTURE_GEN_T, on); });
}

void GlState::SendGlobals()
{
    SendIfPending(m_polygonMode, [](GLenum mode) { glPolygonMode(GL_FRONT_AND_BACK, mode); });
    SendIfPending(m_cullFaceMode, [](GLenum face) { glCullFace(face); });
    SendIfPending(m_cullFace, [](bool on) { SetGlCap(GL_CULL_FACE, on); });
    SendIfPending(m_colourMaterial, [](bool on) { SetGlCap(GL_COLOR_MATERIAL, on); });
    SendIfPending(m_lighting, [](bool on) { SetGlCap(GL_LIGHTING, on); });
    // The colour after colour-material tracking is on, as the eager order has it.
    SendIfPending(m_colour, [](const Rgb& rgb) { glColor3fv(rgb.data()); });
    SendIfPending(m_shininess, [](GLfloat s) { glMaterialf(GL_FRONT, GL_SHININESS, s); });
    SendIfPending(m_specular, [](GLfloat level) { SendSpecular(level); });
}

void GlState::Commit()
{
    if (!m_economy)
        return;
    for (int i = 0; i < kUnits; ++i)
        SendUnit(i, m_units[static_cast<std::size_t>(i)]);
    if (m_activeUnit.wanted)
        SelectUnit(*m_activeUnit.wanted);
    SendGlobals();
}

void GlState::Forget()
{
    if (!m_economy)
        return;
    Commit();
    m_activeUnit = {};
    m_units = {};
    m_cullFace = m_colourMaterial = m_lighting = {};
    m_colour = {};
    m_polygonMode = m_cullFaceMode = {};
    m_shininess = m_specular = {};
}

}  // namespace glw
