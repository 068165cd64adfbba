// The LWOB chunks the model uses: surface names, points, polygons and
// surface settings. Every read is bounded by the chunk body; data that would
// run past it is skipped.
#include "glw/lwo_decoder.h"

#include "glw/big_endian.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace glw {
namespace {

// Reads a NUL-terminated name that is padded with one more NUL when its
// length is even, so that name, terminator and pad fill an even number of
// bytes. False when the terminator lies beyond the body.
bool ReadPaddedName(const std::vector<unsigned char>& body, std::size_t offset, std::string& name,
                    std::size_t& next)
{
    if (offset >= body.size())
        return false;
    const auto* start = body.data() + offset;
    const auto* terminator =
        static_cast<const unsigned char*>(std::memchr(start, 0, body.size() - offset));
    if (terminator == nullptr)
        return false;
    const std::size_t length = static_cast<std::size_t>(terminator - start);
    name.assign(reinterpret_cast<const char*>(start), length);
    next = offset + length + 1 + (length % 2 == 0 ? 1 : 0);
    return true;
}

float ShininessFromGlossiness(std::uint32_t glossiness)
{
    switch (glossiness) {
        case 16:
            return 8.0f;
        case 64:
            return 43.0f;
        case 256:
            return 96.0f;
        default:
            return 128.0f;
    }
}

}  // namespace

void LwoDecoder::ReadSurfaceNames()
{
    std::size_t offset = 0;
    std::string name;
    while (offset < m_body.size() && m_body[offset] != 0 &&
           ReadPaddedName(m_body, offset, name, offset)) {
        Surface surface;
        surface.material.name = name;
        m_model->AddSurface(surface);
    }
}

void LwoDecoder::ReadPoints()
{
    const std::size_t count = m_body.size() / 12;
    m_points.resize(count);
    const unsigned char* p = m_body.data();
    for (Point& point : m_points) {
        // Mirroring z turns LightWave's left-handed axes into OpenGL's
        // right-handed ones.
        point = {big_endian::F32(p), big_endian::F32(p + 4), -big_endian::F32(p + 8)};
        p += 12;
    }
}

void LwoDecoder::ReadPolygons()
{
    const std::size_t wordCount = m_body.size() / 2;  // an odd trailing byte is ignored
    const auto word = [this](std::size_t i) { return big_endian::U16(m_body.data() + 2 * i); };

    std::size_t w = 0;
    while (w < wordCount) {
        const std::size_t cornerCount = word(w++);
        // The corners and the surface number must both lie inside the chunk.
        if (wordCount - w < cornerCount + 1)
            return;
        m_corners.resize(cornerCount);
        for (std::size_t i = 0; i < cornerCount; ++i)
            m_corners[i] = word(w + i);
        const int number = static_cast<std::int16_t>(word(w + cornerCount));
        w += cornerCount + 1;
        // A negative number announces detail polygons: their count is
        // skipped and they follow as ordinary polygons. The polygon itself
        // belongs to the surface of the absolute value, as in LightWave.
        if (number < 0)
            ++w;
        const std::size_t surfaceNumber = static_cast<std::size_t>(std::abs(number));
        if (surfaceNumber == 0 || surfaceNumber > m_model->surfaces.size())
            continue;
        AddPolygon(m_model->surfaces[surfaceNumber - 1], m_corners.data(), cornerCount);
    }
}

// Splits a polygon into a fan around its first corner; one- and two-corner
// polygons become a degenerate triangle. A polygon naming a missing point is
// skipped whole.
void LwoDecoder::AddPolygon(Surface& surface, const std::uint32_t* corners, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (corners[i] >= m_points.size())
            return;
    }
    const std::size_t triangles = count < 3 ? (count == 0 ? 0 : 1) : count - 2;
    if (surface.vertices.size() + 3 * triangles > std::numeric_limits<std::uint32_t>::max())
        return;  // vertex indices are 32-bit

    const auto addTriangle = [&](std::uint32_t a, std::uint32_t b, std::uint32_t c) {
        // Stored as (c, b, a): the z mirror flipped the winding, this flips
        // it back to counter-clockwise seen from outside.
        AddCorner(surface, c);
        AddCorner(surface, b);
        AddCorner(surface, a);
    };
    if (count == 1) {
        addTriangle(corners[0], corners[0], corners[0]);
    } else if (count == 2) {
        addTriangle(corners[0], corners[1], corners[1]);
    } else {
        for (std::size_t i = 1; i + 1 < count; ++i)
            addTriangle(corners[0], corners[i], corners[i + 1]);
    }
}

void LwoDecoder::AddCorner(Surface& surface, std::uint32_t pointIndex)
{
    const Point& p = m_points[pointIndex];
    Vertex vertex;
    vertex.pointIndex = pointIndex;
    vertex.position[0] = p.x;
    vertex.position[1] = p.y;
    vertex.position[2] = p.z;
    surface.AddIndex(surface.AddVertex(vertex));
}

void LwoDecoder::ReadSurfaceSettings()
{
    std::string name;
    std::size_t offset = 0;
    if (!ReadPaddedName(m_body, 0, name, offset))
        return;
    Surface* surface = nullptr;
    for (Surface& candidate : m_model->surfaces) {
        if (candidate.material.name == name) {
            surface = &candidate;
            break;
        }
    }
    if (surface == nullptr)
        return;  // no such surface, or no SRFS yet

    Material& material = surface->material;
    std::uint32_t glossiness = 0;
    // Sub-chunk: identifier, 16-bit size, data; no padding between them.
    while (m_body.size() >= 6 && offset <= m_body.size() - 6) {
        const unsigned char* id = m_body.data() + offset;
        const std::size_t size = big_endian::U16(id + 4);
        const unsigned char* data = id + 6;
        if (m_body.size() - offset - 6 < size)
            break;  // runs past the chunk
        if (big_endian::IdEquals(id, "COLR") && size >= 3) {
            // 256, not 255: full intensity is 0.99609375.
            for (int i = 0; i < 3; ++i)
                material.colour[i] = data[i] / 256.0f;
        } else if (big_endian::IdEquals(id, "FLAG") && size >= 2) {
            material.smooth = (data[1] & 4) != 0;
        } else if (big_endian::IdEquals(id, "GLOS") && size >= 2) {
            glossiness = big_endian::U16(data);
        }
        offset += 6 + size;
    }
    material.shininess = ShininessFromGlossiness(glossiness);
}

}  // namespace glw
