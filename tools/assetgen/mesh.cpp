#include "tools/assetgen/mesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace assetgen {

Vec3 operator+(const Vec3& a, const Vec3& b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 operator-(const Vec3& a, const Vec3& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 operator*(const Vec3& a, double s)
{
    return {a.x * s, a.y * s, a.z * s};
}
double Dot(const Vec3& a, const Vec3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3 Cross(const Vec3& a, const Vec3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vec3 Normalised(const Vec3& v)
{
    return v * (1.0 / std::sqrt(Dot(v, v)));
}

namespace {

void AppendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

}  // namespace

SubChunk Colour(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return {"COLR", {r, g, b, 0}};
}

SubChunk Word(const char* id, std::uint16_t value)
{
    SubChunk chunk{id, {}};
    AppendBigEndian(chunk.data, value, 2);
    return chunk;
}

SubChunk Float(const char* id, float value)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    SubChunk chunk{id, {}};
    AppendBigEndian(chunk.data, bits, 4);
    return chunk;
}

SurfaceSettings PlainSurface(const std::string& name, std::uint8_t r, std::uint8_t g,
                             std::uint8_t b, std::uint16_t flags)
{
    // DIFF is the 8.8 fixed-point twin of VDIF; SMAN is LightWave's default
    // smoothing angle in degrees.
    return {name,
            {Colour(r, g, b), Word("FLAG", flags), Word("DIFF", 204), Float("VDIF", 0.8f),
             Float("SMAN", 89.5f)}};
}

std::uint16_t Mesh::AddPoint(const Vec3& p)
{
    if (points.size() >= 0xFFFF)
        throw std::length_error("LWOB point indices are 16-bit");
    points.push_back(p);
    return static_cast<std::uint16_t>(points.size() - 1);
}

void Mesh::AddFacing(std::vector<std::uint16_t> corners, std::uint16_t surface, const Vec3& outward)
{
    const Vec3& a = points.at(corners.at(0));
    const Vec3& b = points.at(corners.at(1));
    const Vec3& c = points.at(corners.at(2));
    if (Dot(Cross(b - a, c - a), outward) < 0.0)
        std::reverse(corners.begin() + 1, corners.end());
    polygons.push_back({std::move(corners), surface});
}

}  // namespace assetgen
