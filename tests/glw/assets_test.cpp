// The program's own meshes and images, read from the compiled-in table: each
// is present under its id, well-formed, and shaped as the scene expects. The
// LWOB files are parsed here directly, independent of the decoder, which gets
// one end-to-end check of its own at the end.
#include "glw/cube_mapper.h"
#include "glw/lwo_decoder.h"
#include "glw/resources.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

struct TableEntry {
    std::uint32_t id;
    const char* type;
};

constexpr TableEntry kTable[] = {{207, "LWO"}, {213, "LWO"}, {215, "LWO"}, {217, "LWO"},
                                 {220, "PNG"}, {221, "PNG"}, {222, "PNG"}, {224, "PNG"},
                                 {225, "PNG"}, {226, "PNG"}};

std::vector<unsigned char> Resource(std::uint32_t id, const char* type)
{
    glw::ResourceBytes found;
    if (!glw::FindResource(nullptr, id, type, found))
        return {};
    return {found.data, found.data + found.size};
}

std::uint32_t U32(const unsigned char* p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

std::uint16_t U16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}

float F32(const unsigned char* p)
{
    const std::uint32_t bits = U32(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

TEST(EmbeddedAssets, EveryTableEntryIsPresentUnderItsTypeOnly)
{
    for (const TableEntry& e : kTable) {
        EXPECT_FALSE(Resource(e.id, e.type).empty()) << e.type << " " << e.id;
        const char* other = std::strcmp(e.type, "LWO") == 0 ? "PNG" : "LWO";
        EXPECT_TRUE(Resource(e.id, other).empty()) << other << " " << e.id;
    }
}

// ---------------------------------------------------------------- meshes

struct Point {
    float x, y, z;
};

struct Polygon {
    std::vector<std::uint16_t> corners;
    int surface;  // as stored: 1-based
};

struct SubChunk {
    std::string id;
    std::vector<unsigned char> data;
};

struct Lwob {
    std::vector<std::string> chunkIds;
    std::vector<std::string> surfaceNames;
    std::vector<Point> points;  // as in the file, before any mirroring
    std::vector<Polygon> polygons;
    std::map<std::string, std::vector<SubChunk>> settings;
};

// A NUL-terminated name padded to even length, as SRFS and SURF store it.
std::string PaddedName(const unsigned char* body, std::size_t size, std::size_t& at)
{
    std::string name;
    while (at < size && body[at] != 0)
        name += static_cast<char>(body[at++]);
    EXPECT_LT(at, size) << "name '" << name << "' is not terminated";
    at += 1;
    if (at % 2 != 0) {
        EXPECT_LT(at, size);
        EXPECT_EQ(at < size ? body[at] : 1, 0) << "pad byte after '" << name << "'";
        at += 1;
    }
    return name;
}

void ReadPolygons(const unsigned char* body, std::size_t size, Lwob& out)
{
    ASSERT_EQ(size % 2, 0u);
    std::size_t at = 0;
    while (at < size) {
        Polygon polygon;
        const std::size_t count = U16(body + at);
        ASSERT_LE(at + 2 * (count + 2), size) << "polygon runs past POLS";
        for (std::size_t i = 0; i < count; ++i)
            polygon.corners.push_back(U16(body + at + 2 + 2 * i));
        polygon.surface = static_cast<std::int16_t>(U16(body + at + 2 + 2 * count));
        out.polygons.push_back(polygon);
        at += 2 * (count + 2);
    }
}

void ReadSurface(const unsigned char* body, std::size_t size, Lwob& out)
{
    std::size_t at = 0;
    const std::string name = PaddedName(body, size, at);
    std::vector<SubChunk>& subs = out.settings[name];
    while (at < size) {
        ASSERT_LE(at + 6, size) << "sub-chunk header of " << name;
        const std::size_t length = U16(body + at + 4);
        ASSERT_LE(at + 6 + length, size) << "sub-chunk of " << name << " runs past SURF";
        subs.push_back(
            {std::string(body + at, body + at + 4), {body + at + 6, body + at + 6 + length}});
        at += 6 + length;
    }
}

// Checks the container (FORM size, even chunks tiling the file) while reading.
void ParseLwob(const std::vector<unsigned char>& file, Lwob& out)
{
    ASSERT_GE(file.size(), 12u);
    ASSERT_EQ(std::string(file.begin(), file.begin() + 4), "FORM");
    EXPECT_EQ(U32(&file[4]), file.size() - 8);
    ASSERT_EQ(std::string(file.begin() + 8, file.begin() + 12), "LWOB");
    std::size_t at = 12;
    while (at < file.size()) {
        ASSERT_LE(at + 8, file.size()) << "chunk header cut short";
        const std::string id(file.begin() + at, file.begin() + at + 4);
        const std::uint32_t size = U32(&file[at + 4]);
        EXPECT_EQ(size % 2, 0u) << id;
        ASSERT_LE(at + 8 + size, file.size()) << id << " runs past the file";
        const unsigned char* body = &file[at + 8];
        out.chunkIds.push_back(id);
        if (id == "SRFS") {
            for (std::size_t p = 0; p < size;)
                out.surfaceNames.push_back(PaddedName(body, size, p));
        } else if (id == "PNTS") {
            EXPECT_EQ(size % 12, 0u);
            for (std::size_t p = 0; p + 12 <= size; p += 12)
                out.points.push_back({F32(body + p), F32(body + p + 4), F32(body + p + 8)});
        } else if (id == "POLS") {
            ReadPolygons(body, size, out);
        } else if (id == "SURF") {
            ReadSurface(body, size, out);
        }
        at += 8 + size;
    }
    EXPECT_EQ(at, file.size());
}

Lwob LoadLwob(std::uint32_t id)
{
    Lwob lwob;
    const std::vector<unsigned char> file = Resource(id, "LWO");
    EXPECT_FALSE(file.empty()) << id;
    if (!file.empty())
        ParseLwob(file, lwob);
    return lwob;
}

struct SurfaceExpectation {
    std::string name;
    int triangles, quads;
    std::array<int, 3> colour;
    int flags;
    int glossiness;  // -1: no GLOS
    std::vector<std::string> subChunks;
};

struct MeshExpectation {
    std::uint32_t id;
    std::size_t points;
    std::vector<SurfaceExpectation> surfaces;  // in SRFS order
};

const std::vector<std::string> kPlain = {"COLR", "FLAG", "DIFF", "VDIF", "SMAN"};
const std::vector<std::string> kBall = {"COLR", "FLAG", "LUMI", "DIFF",
                                        "SPEC",  // specular level
                                        "REFL", "TRAN", "VLUM", "VDIF", "VSPC", "VRFL",
                                        "VTRN", "GLOS", "RFLT", "RIND", "ALPH"};

const std::vector<MeshExpectation>& Meshes()
{
    static const std::vector<MeshExpectation> meshes = {
        {207,
         218,
         {{"Label", 120, 0, {255, 0, 0}, 4, -1, kPlain},
          {"Metal", 312, 0, {200, 200, 200}, 4, -1, kPlain}}},
        {213, 42, {{"Ball", 80, 0, {198, 198, 198}, 0, 16, kBall}}},
        {215,
         36,
         {{"Face", 0, 1, {255, 255, 255}, 4, -1, kPlain},
          {"sides", 0, 28, {255, 255, 255}, 4, -1, kPlain},
          {"Back", 0, 1, {255, 255, 255}, 4, -1, kPlain}}},
        {217,
         56,
         {{"Faces", 0, 6, {255, 255, 255}, 0, -1, kPlain},
          {"Sides", 48, 24, {255, 255, 255}, 4, -1, kPlain}}},
    };
    return meshes;
}

TEST(EmbeddedMeshes, MatchTheirTable)
{
    for (const MeshExpectation& m : Meshes()) {
        SCOPED_TRACE("LWO " + std::to_string(m.id));
        const Lwob lwob = LoadLwob(m.id);
        // SRFS and PNTS must come before the POLS and SURF that refer to them.
        const std::vector<std::string> order = {"SRFS", "PNTS", "POLS"};
        ASSERT_GE(lwob.chunkIds.size(), 3 + m.surfaces.size());
        EXPECT_TRUE(std::equal(order.begin(), order.end(), lwob.chunkIds.begin()));
        EXPECT_EQ(lwob.points.size(), m.points);

        ASSERT_EQ(lwob.surfaceNames.size(), m.surfaces.size());
        std::vector<int> triangles(m.surfaces.size()), quads(m.surfaces.size());
        for (const Polygon& p : lwob.polygons) {
            ASSERT_GE(p.surface, 1);
            ASSERT_LE(p.surface, static_cast<int>(m.surfaces.size()));
            for (std::uint16_t corner : p.corners)
                ASSERT_LT(corner, lwob.points.size());
            ASSERT_TRUE(p.corners.size() == 3 || p.corners.size() == 4);
            (p.corners.size() == 3 ? triangles : quads)[p.surface - 1] += 1;
        }

        for (std::size_t s = 0; s < m.surfaces.size(); ++s) {
            const SurfaceExpectation& want = m.surfaces[s];
            SCOPED_TRACE(want.name);
            EXPECT_EQ(lwob.surfaceNames[s], want.name);
            EXPECT_EQ(triangles[s], want.triangles);
            EXPECT_EQ(quads[s], want.quads);

            const auto found = lwob.settings.find(want.name);
            ASSERT_NE(found, lwob.settings.end()) << "no SURF chunk";
            std::vector<std::string> ids;
            for (const SubChunk& sub : found->second) {
                ids.push_back(sub.id);
                if (sub.id == "COLR") {
                    ASSERT_EQ(sub.data.size(), 4u);
                    EXPECT_EQ(sub.data[0], want.colour[0]);
                    EXPECT_EQ(sub.data[1], want.colour[1]);
                    EXPECT_EQ(sub.data[2], want.colour[2]);
                } else if (sub.id == "FLAG") {
                    ASSERT_EQ(sub.data.size(), 2u);
                    EXPECT_EQ(U16(sub.data.data()), want.flags);
                } else if (sub.id == "GLOS") {
                    ASSERT_EQ(sub.data.size(), 2u);
                    EXPECT_EQ(U16(sub.data.data()), want.glossiness);
                }
            }
            EXPECT_EQ(ids, want.subChunks);
        }
    }
}

struct Vec {
    double x, y, z;
};
Vec operator-(Vec a, Vec b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
double Dot(Vec a, Vec b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec Cross(Vec a, Vec b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// The triangles as the decoder stores them: z mirrored, each fan triangle
// (p0, pi, pi+1) reversed.
std::vector<std::array<Vec, 3>> DecodedTriangles(const Lwob& lwob)
{
    auto at = [&](std::uint16_t i) {
        const Point& p = lwob.points[i];
        return Vec{p.x, p.y, -p.z};
    };
    std::vector<std::array<Vec, 3>> triangles;
    for (const Polygon& p : lwob.polygons)
        for (std::size_t i = 1; i + 1 < p.corners.size(); ++i)
            triangles.push_back({at(p.corners[i + 1]), at(p.corners[i]), at(p.corners[0])});
    return triangles;
}

TEST(EmbeddedMeshes, TrianglesFaceOutwardAfterDecoding)
{
    // Volume enclosed, from the signed tetrahedra: proves the surface closed
    // and consistently wound as well as the right size.
    const std::map<std::uint32_t, std::pair<double, double>> volume = {
        {207, {1.0, 1.22}}, {213, {0.43, 0.524}}, {215, {0.57, 0.6}}, {217, {0.95, 1.0}}};
    for (const MeshExpectation& m : Meshes()) {
        SCOPED_TRACE("LWO " + std::to_string(m.id));
        const Lwob lwob = LoadLwob(m.id);
        ASSERT_FALSE(lwob.points.empty());
        Vec low{1e9, 1e9, 1e9}, high{-1e9, -1e9, -1e9};
        for (const Point& p : lwob.points) {
            const Vec v{p.x, p.y, -p.z};
            low = {std::min(low.x, v.x), std::min(low.y, v.y), std::min(low.z, v.z)};
            high = {std::max(high.x, v.x), std::max(high.y, v.y), std::max(high.z, v.z)};
        }
        const Vec centre{(low.x + high.x) / 2, (low.y + high.y) / 2, (low.z + high.z) / 2};

        double signedVolume = 0;
        int inward = 0;
        for (const auto& [a, b, c] : DecodedTriangles(lwob)) {
            const Vec n = Cross(b - a, c - a);
            const Vec middle{(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3, (a.z + b.z + c.z) / 3};
            inward += Dot(n, middle - centre) > 0 ? 0 : 1;
            signedVolume += Dot(a, Cross(b, c)) / 6;
        }
        EXPECT_EQ(inward, 0);
        EXPECT_GT(signedVolume, volume.at(m.id).first);
        EXPECT_LE(signedVolume, volume.at(m.id).second);
    }
}

TEST(EmbeddedMeshes, HaveTheirSizes)
{
    auto extent = [](const Lwob& lwob, float Point::*axis) {
        float low = 1e9f, high = -1e9f;
        for (const Point& p : lwob.points)
            low = std::min(low, p.*axis), high = std::max(high, p.*axis);
        return std::pair{low, high};
    };
    const Lwob can = LoadLwob(207);
    EXPECT_FLOAT_EQ(extent(can, &Point::y).first, -0.8f);
    EXPECT_FLOAT_EQ(extent(can, &Point::y).second, 0.8f);
    float widest = 0;
    for (const Point& p : can.points)
        widest = std::max(widest, std::sqrt(p.x * p.x + p.z * p.z));
    EXPECT_NEAR(widest, 0.4923f, 1e-6);

    for (const Point& p : LoadLwob(213).points)
        EXPECT_NEAR(std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z), 0.5f, 1e-6);

    const Lwob domino = LoadLwob(215);
    EXPECT_FLOAT_EQ(extent(domino, &Point::x).second, 0.5f);
    EXPECT_FLOAT_EQ(extent(domino, &Point::y).first, -1.0f);
    EXPECT_FLOAT_EQ(extent(domino, &Point::z).first, -0.15f);
    EXPECT_FLOAT_EQ(extent(domino, &Point::z).second, 0.15f);

    const Lwob cube = LoadLwob(217);
    for (float Point::*axis : {&Point::x, &Point::y, &Point::z}) {
        EXPECT_FLOAT_EQ(extent(cube, axis).first, -0.5f);
        EXPECT_FLOAT_EQ(extent(cube, axis).second, 0.5f);
    }
}

TEST(EmbeddedMeshes, DominoFaceIsTheFlatFrontQuad)
{
    const Lwob domino = LoadLwob(215);
    ASSERT_FALSE(domino.surfaceNames.empty());
    EXPECT_EQ(domino.surfaceNames[0], "Face");
    std::vector<Polygon> face;
    std::copy_if(domino.polygons.begin(), domino.polygons.end(), std::back_inserter(face),
                 [](const Polygon& p) { return p.surface == 1; });
    ASSERT_EQ(face.size(), 1u);
    ASSERT_EQ(face[0].corners.size(), 4u);
    std::vector<std::pair<float, float>> corners;
    for (std::uint16_t i : face[0].corners) {
        const Point& p = domino.points[i];
        EXPECT_FLOAT_EQ(p.z, -0.15f);  // +0.15 once the decoder mirrors z
        EXPECT_FLOAT_EQ(std::fabs(p.x), 0.42f);
        EXPECT_FLOAT_EQ(std::fabs(p.y), 0.92f);
        corners.emplace_back(p.x, p.y);
    }
    std::sort(corners.begin(), corners.end());
    EXPECT_TRUE(std::adjacent_find(corners.begin(), corners.end()) == corners.end());
}

TEST(EmbeddedMeshes, RoundedCubeFacesAreFlatSquaresOnEverySide)
{
    const Lwob cube = LoadLwob(217);
    std::vector<std::string> sides;
    for (const Polygon& p : cube.polygons) {
        if (p.surface != 1)
            continue;
        ASSERT_EQ(p.corners.size(), 4u);
        // One coordinate is +-0.5 at all corners, the other two +-0.4.
        std::string side;
        for (int axis = 0; axis < 3; ++axis) {
            std::vector<float> values;
            for (std::uint16_t i : p.corners) {
                const Point& point = cube.points[i];
                values.push_back(axis == 0 ? point.x : axis == 1 ? point.y : point.z);
            }
            const auto same = [&](float v) { return v == values[0]; };
            if (std::all_of(values.begin(), values.end(), same)) {
                EXPECT_FLOAT_EQ(std::fabs(values[0]), 0.5f);
                side = std::string(values[0] > 0 ? "+" : "-") + "xyz"[axis];
            } else {
                for (float v : values)
                    EXPECT_FLOAT_EQ(std::fabs(v), 0.4f);
            }
        }
        sides.push_back(side);
    }
    std::sort(sides.begin(), sides.end());
    EXPECT_EQ(sides, (std::vector<std::string>{"+x", "+y", "+z", "-x", "-y", "-z"}));
}

// ---------------------------------------------------------------- images

struct Pixels {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;

    std::array<int, 3> At(int x, int y) const
    {
        const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

Pixels DecodeRgb(const std::vector<unsigned char>& file)
{
    Pixels out;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) {
        ADD_FAILURE() << image.message;
        return out;
    }
    image.format = PNG_FORMAT_RGB;
    out.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr)) {
        ADD_FAILURE() << image.message;
        out.rgb.clear();
        return out;
    }
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    return out;
}

bool IsWhite(const std::array<int, 3>& c)
{
    return c[0] > 240 && c[1] > 240 && c[2] > 240;
}
bool IsBlack(const std::array<int, 3>& c)
{
    return c[0] < 16 && c[1] < 16 && c[2] < 16;
}
bool IsBlue(const std::array<int, 3>& c)
{
    return c[2] > c[0] + 80 && c[2] > c[1] + 80;
}
bool IsCyan(const std::array<int, 3>& c)
{
    return c[1] > 200 && c[2] > 200 && c[0] < 128;
}
bool IsGrey(const std::array<int, 3>& c)
{
    return c[0] == c[1] && c[1] == c[2];
}
bool IsYellow(const std::array<int, 3>& c)
{
    return c[0] > 200 && c[1] > 180 && c[2] < 80;
}
bool IsRed(const std::array<int, 3>& c)
{
    return c[0] > 160 && c[1] < 60 && c[2] < 60;
}

TEST(EmbeddedImages, AreEightBitRgbWithOnlyTheEssentialChunks)
{
    const std::map<std::uint32_t, std::pair<std::uint32_t, std::uint32_t>> sizes = {
        {220, {256, 256}}, {221, {192, 128}}, {222, {64, 128}},
        {224, {256, 128}}, {225, {64, 64}},   {226, {256, 256}}};
    const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (const auto& [id, size] : sizes) {
        SCOPED_TRACE("PNG " + std::to_string(id));
        const std::vector<unsigned char> file = Resource(id, "PNG");
        ASSERT_GE(file.size(), 8u + 25u);
        EXPECT_EQ(std::memcmp(file.data(), signature, 8), 0);

        std::vector<std::string> chunks;
        for (std::size_t at = 8; at + 8 <= file.size();) {
            chunks.emplace_back(file.begin() + at + 4, file.begin() + at + 8);
            at += 12 + U32(&file[at]);
        }
        ASSERT_FALSE(chunks.empty());
        EXPECT_EQ(chunks.front(), "IHDR");
        EXPECT_EQ(chunks.back(), "IEND");
        for (const std::string& c : chunks)
            EXPECT_TRUE(c == "IHDR" || c == "IDAT" || c == "IEND") << c;

        const unsigned char* ihdr = &file[16];
        EXPECT_EQ(U32(ihdr), size.first);
        EXPECT_EQ(U32(ihdr + 4), size.second);
        EXPECT_EQ(ihdr[8], 8);   // bit depth
        EXPECT_EQ(ihdr[9], 2);   // colour type: RGB
        EXPECT_EQ(ihdr[12], 0);  // not interlaced

        const Pixels pixels = DecodeRgb(file);
        EXPECT_EQ(pixels.width, static_cast<int>(size.first));
        EXPECT_EQ(pixels.height, static_cast<int>(size.second));
    }
}

TEST(EmbeddedImages, DiceSheetHasTheSixFacesInOrder)
{
    const Pixels dice = DecodeRgb(Resource(221, "PNG"));
    ASSERT_EQ(dice.width, 192);
    ASSERT_EQ(dice.height, 128);
    // A point of face's cell, from the cell's centre.
    auto at = [&](int face, int dx, int dy) {
        return dice.At(64 * ((face - 1) % 3) + 32 + dx, 64 * ((face - 1) / 3) + 32 + dy);
    };
    // An odd count has a centre pip, an even one shows the blue there. A
    // corner pip (top left) on every face but one; the other diagonal only
    // from four up; the middle of the sides only on six.
    for (int face = 1; face <= 6; ++face) {
        EXPECT_TRUE(face % 2 == 1 ? IsWhite(at(face, 0, 0)) : IsBlue(at(face, 0, 0))) << face;
        EXPECT_EQ(IsWhite(at(face, -18, -18)), face >= 2) << face;
        EXPECT_EQ(IsWhite(at(face, 18, -18)), face >= 4) << face;
        EXPECT_EQ(IsWhite(at(face, -18, 0)), face == 6) << face;
        EXPECT_TRUE(IsBlue(at(face, 0, -18))) << face;
    }
}

TEST(EmbeddedImages, DominoFaceShowsFiveOverSix)
{
    const Pixels domino = DecodeRgb(Resource(222, "PNG"));
    ASSERT_EQ(domino.width, 64);
    ASSERT_EQ(domino.height, 128);
    EXPECT_TRUE(IsWhite(domino.At(2, 2)));
    EXPECT_TRUE(IsBlack(domino.At(32, 32)));  // the five's centre pip
    EXPECT_TRUE(IsBlack(domino.At(15, 15)));  // and its corners
    EXPECT_TRUE(IsWhite(domino.At(15, 32)));
    EXPECT_TRUE(IsBlack(domino.At(32, 63)));  // the dividing line
    EXPECT_TRUE(IsWhite(domino.At(32, 96)));  // six has no centre pip
    EXPECT_TRUE(IsBlack(domino.At(15, 96)));  // but a middle row
    EXPECT_TRUE(IsBlack(domino.At(49, 113)));
}

TEST(EmbeddedImages, CheckerAlternatesWhiteAndCyanWithinGreyBorders)
{
    const Pixels checker = DecodeRgb(Resource(226, "PNG"));
    ASSERT_EQ(checker.width, 256);
    EXPECT_TRUE(IsWhite(checker.At(64, 64)));
    EXPECT_TRUE(IsCyan(checker.At(192, 64)));
    EXPECT_TRUE(IsCyan(checker.At(64, 192)));
    EXPECT_TRUE(IsWhite(checker.At(192, 192)));
    for (const auto& [x, y] : {std::pair{0, 0}, {128, 64}, {64, 127}, {255, 200}}) {
        EXPECT_TRUE(IsGrey(checker.At(x, y)) && !IsWhite(checker.At(x, y))) << x << "," << y;
    }
}

TEST(EmbeddedImages, WavesDiscAndStreaksLookTheirPart)
{
    // Two black lines cross every column of the waves.
    const Pixels waves = DecodeRgb(Resource(220, "PNG"));
    ASSERT_EQ(waves.height, 256);
    for (int x : {0, 40, 128, 255}) {
        int lines = 0;
        bool inLine = false;
        for (int y = 0; y < waves.height; ++y) {
            const bool black = IsBlack(waves.At(x, y));
            lines += black && !inLine ? 1 : 0;
            inLine = black;
        }
        EXPECT_EQ(lines, 2) << x;
        EXPECT_TRUE(IsYellow(waves.At(x, 128)));
    }

    const Pixels disc = DecodeRgb(Resource(224, "PNG"));
    ASSERT_EQ(disc.width, 256);
    EXPECT_TRUE(IsWhite(disc.At(128, 64)));
    EXPECT_TRUE(IsRed(disc.At(0, 0)));
    EXPECT_TRUE(IsRed(disc.At(255, 127)));

    // Grey, with streaks across: neighbours differ more down a column than
    // along a row.
    const Pixels metal = DecodeRgb(Resource(225, "PNG"));
    ASSERT_EQ(metal.width, 64);
    int darkest = 255, lightest = 0;
    long across = 0, along = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const auto c = metal.At(x, y);
            ASSERT_TRUE(IsGrey(c));
            darkest = std::min(darkest, c[0]);
            lightest = std::max(lightest, c[0]);
            if (x > 0)
                along += std::abs(c[0] - metal.At(x - 1, y)[0]);
            if (y > 0)
                across += std::abs(c[0] - metal.At(x, y - 1)[0]);
        }
    EXPECT_LT(darkest, 100);
    EXPECT_GT(lightest, 200);
    EXPECT_GT(across, 2 * along);
}

// ---------------------------------------------------------------- end to end

TEST(EmbeddedMeshesDecoded, GiveTheSurfacesTheSceneEdits)
{
    glw::LwoDecoder decoder;
    for (const MeshExpectation& m : Meshes()) {
        SCOPED_TRACE("LWO " + std::to_string(m.id));
        glw::Model model;
        ASSERT_EQ(decoder.DecodeResource(model, m.id, "LWO"), 1);
        ASSERT_EQ(model.SurfaceCount(), m.surfaces.size());
        for (std::size_t s = 0; s < m.surfaces.size(); ++s) {
            const SurfaceExpectation& want = m.surfaces[s];
            const glw::Surface& surface = model.GetSurface(s);
            EXPECT_EQ(surface.material.name, want.name);
            EXPECT_EQ(surface.indices.size(), 3u * (want.triangles + 2 * want.quads));
            EXPECT_EQ(surface.material.smooth, want.flags == 4);
            EXPECT_FLOAT_EQ(surface.material.colour[0], want.colour[0] / 256.0f);
            const float shininess = want.glossiness == 16 ? 8.0f : 128.0f;
            EXPECT_FLOAT_EQ(surface.material.shininess, shininess);

            // The decoder's own triangles face away from the centre (the origin,
            // for all four meshes) too.
            int inward = 0;
            for (std::size_t i = 0; i + 2 < surface.indices.size(); i += 3) {
                const auto corner = [&](std::size_t k) {
                    const float* p = surface.vertices.at(surface.indices[i + k]).position;
                    return Vec{p[0], p[1], p[2]};
                };
                const Vec a = corner(0), b = corner(1), c = corner(2);
                const Vec middle{(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3,
                                 (a.z + b.z + c.z) / 3};
                inward += Dot(Cross(b - a, c - a), middle) > 0 ? 0 : 1;
            }
            EXPECT_EQ(inward, 0);
        }
    }
}

TEST(EmbeddedMeshesDecoded, DominoTextureCoversTheFaceOnce)
{
    // The scene's mapper on the domino's surface 0 (Face, now at z = +0.15).
    glw::Model domino;
    ASSERT_EQ(glw::LwoDecoder().DecodeResource(domino, 215, "LWO"), 1);
    glw::Surface& face = domino.GetSurface(0);
    glw::CubeMapper mapper({0.9f, 1.8f, 0.9f}, {0.5f, 0.5f, 0.0f}, 0);
    face.ApplyMapper(mapper);
    ASSERT_EQ(face.vertices.size(), 6u);
    for (const glw::Vertex& v : face.vertices) {
        EXPECT_FLOAT_EQ(v.position[2], 0.15f);
        EXPECT_NEAR(v.normal[2], 1.0f, 1e-6);  // flat: shares no point with the rim
        // The image's left edge at x = -0.42, its top (v = 0) at y = +0.92.
        EXPECT_NEAR(v.texCoord[0], 1.0 + 0.5 + v.position[0] / 0.9, 1e-5);
        EXPECT_NEAR(v.texCoord[1], 1.0 + 0.5 - v.position[1] / 1.8, 1e-5);
        EXPECT_NEAR(std::fabs(v.texCoord[0] - 1.5f), 0.4667f, 1e-3);
        EXPECT_NEAR(std::fabs(v.texCoord[1] - 1.5f), 0.5111f, 1e-3);
    }
}

}  // namespace
