#pragma once
// The texture-unit, culling, colour and material state that drawing code sets
// again for every body. A software renderer revalidates its whole pipeline
// after each state change, so a frame that re-sends unchanged state spends
// more time on that than on its vertices.
//
// In economy mode the record keeps what the drawing code asked for and what
// OpenGL has, and sends only the differences, just before something is drawn
// (Commit). Otherwise every call goes straight to OpenGL as it is made. Both
// modes leave OpenGL in the same state at every draw call.

#include "glw/gl_procs.h"

#include <GL/gl.h>

#include <array>
#include <optional>

namespace glw {

class GlState {
public:
    static constexpr int kUnits = 2;

    // procs: the entry points of the context this record stands for.
    explicit GlState(const GlProcs& procs, bool economy = false)
        : m_procs(procs), m_economy(economy)
    {
    }

    const GlProcs& Procs() const { return m_procs; }
    bool Economy() const { return m_economy; }

    // Selects the texture unit (0 or 1) that the texture calls below act on.
    // Ignored where OpenGL has a single texture unit.
    void ActiveTexture(int unit);
    // GL_TEXTURE_2D, GL_TEXTURE_GEN_S and GL_TEXTURE_GEN_T act on the active
    // unit; GL_CULL_FACE, GL_COLOR_MATERIAL and GL_LIGHTING are global.
    void Enable(GLenum cap) { SetCap(cap, true); }
    void Disable(GLenum cap) { SetCap(cap, false); }
    void BindTexture2D(GLuint texture);
    // Sphere-mapped generation for S and T on the active unit.
    void SphereMapGeneration();

    void Colour(const GLfloat rgb[3]);
    void Colour(GLfloat r, GLfloat g, GLfloat b);
    void PolygonMode(GLenum mode);  // front and back
    void CullFace(GLenum face);
    void FrontShininess(GLfloat shininess);
    void FrontSpecular(GLfloat level);  // (level, level, level, 1)

    // Brings OpenGL up to what was asked for. Call before anything is drawn.
    void Commit();

    // Other code is about to change OpenGL or has done so: sends what is
    // pending, then assumes nothing about OpenGL's state from here on.
    void Forget();

private:
    template <typename T>
    struct Slot {
        std::optional<T> wanted;
        std::optional<T> sent;
        bool Pending() const { return wanted && wanted != sent; }
    };
    struct Unit {
        Slot<bool> texture2D, genS, genT, sphereMap;
        Slot<GLuint> texture;
    };
    using Rgb = std::array<GLfloat, 3>;

    void SetCap(GLenum cap, bool on);
    Slot<bool>* CapSlot(GLenum cap);
    Unit& ActiveUnit();
    void SendUnit(int index, Unit& unit);
    void SelectUnit(int index);
    void SendGlobals();

    GlProcs m_procs;
    bool m_economy;
    Slot<int> m_activeUnit;
    std::array<Unit, kUnits> m_units;
    Slot<bool> m_cullFace, m_colourMaterial, m_lighting;
    Slot<Rgb> m_colour;
    Slot<GLenum> m_polygonMode, m_cullFaceMode;
    Slot<GLfloat> m_shininess, m_specular;
};

}  // namespace glw
