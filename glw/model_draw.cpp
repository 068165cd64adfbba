// Drawing of surfaces and models with OpenGL 1.1 client-side vertex arrays.
#include "glw/model.h"

#include "glw/buffer_objects.h"
#include "glw/gl_state.h"

#include <climits>
#include <cstddef>
#include <cstdint>

namespace glw {
namespace {

constexpr GLsizei kStride = sizeof(Vertex);

// glDrawElements reads vertices[index] straight from our memory, so one bad
// index would read past the array.
bool IndicesAreDrawable(const Surface& surface)
{
    if (surface.indices.size() > static_cast<std::size_t>(INT_MAX))
        return false;
    const std::size_t vertexCount = surface.vertices.size();
    for (const std::uint32_t index : surface.indices) {
        if (index >= vertexCount)
            return false;
    }
    return true;
}

// Unknown kinds draw nothing; that is not an error.
bool PrimitiveMode(int primitive, GLenum& mode)
{
    switch (primitive) {
        case 0:
            mode = GL_TRIANGLES;
            return true;
        case 1:
            mode = GL_TRIANGLE_STRIP;
            return true;
        case 2:
            mode = GL_TRIANGLE_FAN;
            return true;
        default:
            return false;
    }
}

// An address in client memory, or an offset into the bound buffer object.
const void* At(const char* base, std::size_t offset)
{
    return reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(base) + offset);
}

// Buffer objects are used when procs are given and the buffers still match
// the lists; the client arrays otherwise.
int DrawSurface(const Surface& surface, int flags, const GlProcs* procs)
{
    if (surface.vertices.empty() || surface.indices.empty())
        return 0;
    GLenum mode = GL_TRIANGLES;
    const bool drawable = PrimitiveMode(surface.primitive, mode);
    const bool fromBuffers =
        drawable && procs != nullptr && procs->HasBufferObjects() && BuffersMatch(surface);
    // Buffers are made only from lists whose indices were checked.
    if (drawable && !fromBuffers && !IndicesAreDrawable(surface))
        return 0;

    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);

    // With buffer objects bound, the pointers below are offsets into them.
    if (fromBuffers)
        BindBuffersFor(surface, *procs);
    const char* base = fromBuffers ? nullptr : reinterpret_cast<const char*>(surface.vertices.data());
    const void* indexData = fromBuffers ? nullptr : surface.indices.data();

    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, kStride, At(base, offsetof(Vertex, position)));

    if (flags & kDrawTexCoords) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, kStride, At(base, offsetof(Vertex, texCoord)));
    } else {
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }

    if (flags & kDrawNormals) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, kStride, At(base, offsetof(Vertex, normal)));
    } else {
        glDisableClientState(GL_NORMAL_ARRAY);
    }

    if (drawable)
        glDrawElements(mode, static_cast<GLsizei>(surface.indices.size()), GL_UNSIGNED_INT,
                       indexData);

    if (fromBuffers)
        UnbindBuffers(*procs);
    glPopClientAttrib();
    return 1;
}

}  // namespace

int Surface::Draw(int flags) const
{
    return DrawSurface(*this, flags, nullptr);
}

int Surface::Draw(int flags, const GlProcs& procs) const
{
    return DrawSurface(*this, flags, &procs);
}

int Model::Draw(const GlProcs& procs) const
{
    GlState direct(procs);
    return Draw(direct);
}

int Model::Draw(GlState& state) const
{
    for (const Surface& surface : surfaces) {
        surface.material.Apply(state);
        state.Commit();
        if (surface.Draw(drawFlags, state.Procs()) == 0)
            return 0;
    }
    return 1;
}

}  // namespace glw
