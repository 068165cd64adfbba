#pragma once
// A mesh as the generator builds it, in the program's own coordinates
// (right-handed, +y up) with every polygon counter-clockwise seen from outside.
// The LWOB writer converts it to LightWave's conventions on the way out.

#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

struct Vec3 {
    double x = 0, y = 0, z = 0;
};

Vec3 operator+(const Vec3& a, const Vec3& b);
Vec3 operator-(const Vec3& a, const Vec3& b);
Vec3 operator*(const Vec3& a, double s);
double Dot(const Vec3& a, const Vec3& b);
Vec3 Cross(const Vec3& a, const Vec3& b);
Vec3 Normalised(const Vec3& v);

// One SURF sub-chunk: a 4-character id and its raw (big-endian) data.
struct SubChunk {
    std::string id;
    std::vector<std::uint8_t> data;
};

SubChunk Colour(std::uint8_t r, std::uint8_t g, std::uint8_t b);
SubChunk Word(const char* id, std::uint16_t value);
SubChunk Float(const char* id, float value);

struct SurfaceSettings {
    std::string name;
    std::vector<SubChunk> subChunks;  // in file order
};

// COLR, FLAG, DIFF, VDIF, SMAN: the set every surface but the ball's carries.
SurfaceSettings PlainSurface(const std::string& name, std::uint8_t r, std::uint8_t g,
                             std::uint8_t b, std::uint16_t flags);

constexpr std::uint16_t kSmoothing = 4;  // LWOB FLAG bit for smooth shading

struct Polygon {
    std::vector<std::uint16_t> points;
    std::uint16_t surface = 0;  // 0-based index into Mesh::surfaces
};

struct Mesh {
    std::vector<SurfaceSettings> surfaces;
    std::vector<Vec3> points;
    std::vector<Polygon> polygons;

    std::uint16_t AddPoint(const Vec3& p);
    // Adds the polygon, reversing its order if needed so that it faces
    // `outward`; generators whose winding depends on mirrored parts use it.
    void AddFacing(std::vector<std::uint16_t> points, std::uint16_t surface, const Vec3& outward);
};

}  // namespace assetgen
