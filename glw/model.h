#pragma once
// The renderable mesh: a list of surfaces, each a triangle list with its own
// vertices and material, drawn with client-side vertex arrays.

#include "glw/gl_procs.h"

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace glw {

class GlState;
class TextureMapper;

// One triangle corner, handed to OpenGL as an interleaved array.
struct Vertex {
    std::uint32_t pointIndex = 0;  // source point; corners sharing it are smoothed together
    float position[3] = {0, 0, 0};
    float normal[3] = {0, 0, 0};
    float texCoord[2] = {0, 0};
};
static_assert(sizeof(Vertex) == 36, "vertex arrays use a 36-byte stride");
static_assert(offsetof(Vertex, position) == 4);
static_assert(offsetof(Vertex, normal) == 16);
static_assert(offsetof(Vertex, texCoord) == 28);

// The drawing state of a surface. Texture names are borrowed, never deleted here.
struct Material {
    std::string name;
    float colour[4] = {1.0f, 1.0f, 1.0f, 0.0f};  // the fourth value is carried, not used
    float specular = 0.0f;
    float shininess = 128.0f;
    bool doubleSided = false;
    bool smooth = true;
    GLuint reflectionTexture = 0;  // sphere-mapped, on the second texture unit
    GLuint diffuseTexture = 0;
    GLenum polygonMode = GL_FILL;

    // Sets colour, material, culling and texture state in the context that
    // procs belong to. With multitexture, returns with texture unit 1 active.
    void Apply(const GlProcs& procs) const;
    // The same through a state record, which may hold changes back until its
    // next Commit.
    void Apply(GlState& state) const;
};

enum DrawFlags : int {
    kDrawTexCoords = 1,
    kDrawNormals = 2,
};

// A surface's vertices and indices copied into OpenGL buffer objects, so that
// drawing does not hand OpenGL the client arrays afresh every time. Names
// belong to one surface only: a copy, or a surface assigned to, has none
// (Model::ReleaseBuffers deletes them first where that matters).
struct SurfaceBuffers {
    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
    std::size_t vertexCount = 0;
    std::size_t indexCount = 0;

    SurfaceBuffers() = default;
    SurfaceBuffers(const SurfaceBuffers&) {}
    SurfaceBuffers& operator=(const SurfaceBuffers&)
    {
        Clear();
        return *this;
    }
    void Clear()
    {
        vertexBuffer = indexBuffer = 0;
        vertexCount = indexCount = 0;
    }
};

class Surface {
public:
    std::vector<Vertex> vertices;
    std::vector<std::uint32_t> indices;
    int primitive = 0;  // 0 triangles, 1 strip, 2 fan; anything else draws nothing
    Material material;

    std::uint32_t AddVertex(const Vertex& vertex);
    std::uint32_t AddIndex(std::uint32_t index);
    void ComputeNormals();
    void ApplyMapper(TextureMapper& mapper);

    // 0, with no OpenGL call, when there is nothing to draw or an index names
    // no vertex; else 1. Draws from the client arrays.
    int Draw(int flags) const;
    // The same, from the buffer objects while they match the lists.
    int Draw(int flags, const GlProcs& procs) const;

    SurfaceBuffers buffers;
};

class Model {
public:
    std::vector<Surface> surfaces;
    int drawFlags = kDrawTexCoords | kDrawNormals;

    // index < SurfaceCount().
    Surface& GetSurface(std::size_t index);
    const Surface& GetSurface(std::size_t index) const;
    std::size_t SurfaceCount() const { return surfaces.size(); }
    std::size_t AddSurface(const Surface& surface);
    void SetDrawFlags(int flags) { drawFlags = flags; }

    // Smooths across every smooth surface of the model.
    void ComputeNormals();

    // Applies each surface's material and draws it; stops at the first
    // surface that has nothing to draw and returns 0.
    int Draw(const GlProcs& procs) const;
    int Draw(GlState& state) const;

    // Copies every drawable surface into buffer objects of the current
    // context, once the model will not change any more; corners that OpenGL
    // cannot tell apart are welded into one vertex unless weld is false.
    // 0 where OpenGL has no buffer objects; the model then draws from client
    // arrays.
    int UploadBuffers(const GlProcs& procs, bool weld = true);
    // Deletes the buffer objects, in the context that made them.
    void ReleaseBuffers(const GlProcs& procs);
};

}  // namespace glw
