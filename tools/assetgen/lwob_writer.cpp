#include "tools/assetgen/lwob_writer.h"

#include <cstring>
#include <stdexcept>
#include <string>

namespace assetgen {
namespace {

class ByteWriter {
public:
    std::vector<std::uint8_t> bytes;

    void Id(const std::string& id)
    {
        if (id.size() != 4)
            throw std::invalid_argument("LWOB ids have four characters: " + id);
        bytes.insert(bytes.end(), id.begin(), id.end());
    }
    void U16(std::uint32_t value)
    {
        if (value > 0xFFFF)
            throw std::overflow_error("value does not fit in 16 bits");
        bytes.push_back(static_cast<std::uint8_t>(value >> 8));
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    void U32(std::uint32_t value)
    {
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
    void F32(double value)
    {
        const float f = static_cast<float>(value);
        std::uint32_t bits = 0;
        std::memcpy(&bits, &f, sizeof bits);
        U32(bits);
    }
    // A name with its terminating NUL, plus one more NUL when that makes the
    // length odd, so that what follows starts on an even offset.
    void PaddedName(const std::string& name)
    {
        bytes.insert(bytes.end(), name.begin(), name.end());
        bytes.push_back(0);
        if (bytes.size() % 2 != 0)
            bytes.push_back(0);
    }
    void Append(const std::vector<std::uint8_t>& more)
    {
        bytes.insert(bytes.end(), more.begin(), more.end());
    }
};

void AppendChunk(ByteWriter& file, const char* id, const ByteWriter& body)
{
    if (body.bytes.size() % 2 != 0)
        throw std::logic_error(std::string("odd-sized chunk ") + id);
    file.Id(id);
    file.U32(static_cast<std::uint32_t>(body.bytes.size()));
    file.Append(body.bytes);
}

ByteWriter SurfaceNames(const Mesh& mesh)
{
    ByteWriter body;
    for (const SurfaceSettings& s : mesh.surfaces)
        body.PaddedName(s.name);
    return body;
}

ByteWriter Points(const Mesh& mesh)
{
    ByteWriter body;
    for (const Vec3& p : mesh.points) {
        body.F32(p.x);
        body.F32(p.y);
        body.F32(-p.z);
    }
    return body;
}

ByteWriter Polygons(const Mesh& mesh)
{
    ByteWriter body;
    for (const Polygon& polygon : mesh.polygons) {
        if (polygon.points.size() < 3 || polygon.surface >= mesh.surfaces.size())
            throw std::logic_error("malformed polygon");
        body.U16(static_cast<std::uint32_t>(polygon.points.size()));
        body.U16(polygon.points[0]);
        for (std::size_t i = polygon.points.size() - 1; i >= 1; --i) {
            if (polygon.points[i] >= mesh.points.size())
                throw std::logic_error("polygon names a missing point");
            body.U16(polygon.points[i]);
        }
        body.U16(polygon.surface + 1u);  // LWOB numbers surfaces from 1
    }
    return body;
}

ByteWriter Surface(const SurfaceSettings& settings)
{
    ByteWriter body;
    body.PaddedName(settings.name);
    for (const SubChunk& sub : settings.subChunks) {
        body.Id(sub.id);
        body.U16(static_cast<std::uint32_t>(sub.data.size()));
        body.Append(sub.data);
    }
    return body;
}

}  // namespace

std::vector<std::uint8_t> WriteLwob(const Mesh& mesh)
{
    ByteWriter chunks;
    chunks.Id("LWOB");
    AppendChunk(chunks, "SRFS", SurfaceNames(mesh));
    AppendChunk(chunks, "PNTS", Points(mesh));
    AppendChunk(chunks, "POLS", Polygons(mesh));
    for (const SurfaceSettings& s : mesh.surfaces)
        AppendChunk(chunks, "SURF", Surface(s));

    ByteWriter file;
    file.Id("FORM");
    file.U32(static_cast<std::uint32_t>(chunks.bytes.size()));
    file.Append(chunks.bytes);
    return file.bytes;
}

}  // namespace assetgen
