#pragma once
// Builds LWOB files byte by byte for the decoder tests.

#include "glw/lwo_decoder.h"
#include "glw/memory_stream.h"

#include <array>
#include <bit>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace lwo_test {

struct Bytes : std::vector<unsigned char> {
    using std::vector<unsigned char>::vector;
    Bytes& U16(unsigned v)
    {
        return Add({static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)});
    }
    Bytes& U32(std::uint32_t v) { return U16(v >> 16).U16(v); }
    Bytes& F32(float f) { return U32(std::bit_cast<std::uint32_t>(f)); }
    Bytes& Text(std::string_view s)
    {
        insert(end(), s.begin(), s.end());
        return *this;
    }
    // Terminator, and a pad byte when the length is even.
    Bytes& Name(std::string_view s)
    {
        return Text(s).Add(s.size() % 2 == 0 ? Bytes{0, 0} : Bytes{0});
    }
    Bytes& Add(const Bytes& b)
    {
        insert(end(), b.begin(), b.end());
        return *this;
    }
};

inline Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.Add(p);
    return out;
}

inline Bytes Names(std::initializer_list<std::string_view> names)
{
    Bytes out;
    for (const std::string_view n : names)
        out.Name(n);
    return out;
}

inline Bytes Points(std::initializer_list<std::array<float, 3>> points)
{
    Bytes out;
    for (const auto& p : points)
        out.F32(p[0]).F32(p[1]).F32(p[2]);
    return out;
}

// Count, corners, signed surface number.
inline Bytes Polygon(std::initializer_list<unsigned> corners, int surface)
{
    Bytes out;
    out.U16(unsigned(corners.size()));
    for (const unsigned c : corners)
        out.U16(c);
    return out.U16(unsigned(surface));
}

inline Bytes Sub(std::string_view id, const Bytes& data)
{
    return Bytes{}.Text(id).U16(unsigned(data.size())).Add(data);
}

inline Bytes Surf(std::string_view name, std::initializer_list<Bytes> subChunks)
{
    Bytes out;
    out.Name(name);
    for (const Bytes& s : subChunks)
        out.Add(s);
    return out;
}

// No pad byte is added after an odd body.
inline Bytes Chunk(std::string_view id, const Bytes& body)
{
    return Bytes{}.Text(id).U32(std::uint32_t(body.size())).Add(body);
}

inline Bytes Lwob(std::initializer_list<Bytes> chunks)
{
    const Bytes body = Bytes{}.Text("LWOB").Add(Join(chunks));
    return Bytes{}.Text("FORM").U32(std::uint32_t(body.size())).Add(body);
}

inline int Decode(const Bytes& file, glw::Model& model)
{
    glw::MemoryStream stream(file.data(), file.size());
    return glw::LwoDecoder{}.Decode(model, stream);
}

inline std::vector<std::uint32_t> PointIndices(const glw::Surface& surface)
{
    std::vector<std::uint32_t> out;
    for (const glw::Vertex& v : surface.vertices)
        out.push_back(v.pointIndex);
    return out;
}

}  // namespace lwo_test
