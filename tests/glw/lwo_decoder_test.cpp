// The LWOB rules: header, surface names, points, polygons and their
// triangulation, surface settings, chunk framing and the resource entry.
#include "lwo_builder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace lwo_test;
using Indices = std::vector<std::uint32_t>;

// Points 0..8 at (i, 10 i, 100 i) in the file.
Bytes NinePoints()
{
    Bytes out;
    for (int i = 0; i < 9; ++i)
        out.F32(float(i)).F32(float(10 * i)).F32(float(100 * i));
    return out;
}

glw::Model DecodeOk(const Bytes& file)
{
    glw::Model model;
    EXPECT_EQ(Decode(file, model), 1);
    return model;
}

glw::Model DecodePolygons(const Bytes& pols)
{
    return DecodeOk(
        Lwob({Chunk("SRFS", Names({"A", "B"})), Chunk("PNTS", NinePoints()), Chunk("POLS", pols)}));
}

glw::Material Settings(std::initializer_list<Bytes> subChunks)
{
    return DecodeOk(Lwob({Chunk("SRFS", Names({"S"})), Chunk("SURF", Surf("S", subChunks))}))
        .surfaces.at(0)
        .material;
}

TEST(LwoDecoder, RefusesAnythingButFormLwobAndLeavesNoSurfaces)
{
    Bytes lwo2 = Lwob({Chunk("SRFS", Names({"A"}))}), notForm = lwo2;
    std::memcpy(lwo2.data() + 8, "LWO2", 4);
    notForm[0] = 'X';
    for (const Bytes& file : {lwo2, notForm, Bytes{}.Text("FORM").U32(4), Bytes{}, Lwob({})}) {
        glw::Model model;
        model.AddSurface(glw::Surface{});
        EXPECT_EQ(Decode(file, model), file.size() == 12 ? 1 : 0);  // the last is an empty LWOB
        EXPECT_TRUE(model.surfaces.empty());
    }
}

TEST(LwoDecoder, PaddedSurfaceNamesBecomeSurfacesInOrderUntilAnEmptyName)
{
    const Bytes names = Names({"Face", "sides", "Back"});
    ASSERT_EQ(names.size(), 18u);  // 6 bytes each, odd length or even
    const glw::Model model =
        DecodeOk(Lwob({Chunk("SRFS", Join({names, Bytes{0, 0}, Names({"Lost"})}))}));
    ASSERT_EQ(model.surfaces.size(), 3u);
    EXPECT_EQ(model.surfaces[0].material.name, "Face");
    EXPECT_EQ(model.surfaces[1].material.name, "sides");
    EXPECT_EQ(model.surfaces[2].material.name, "Back");
}

TEST(LwoDecoder, QuadBecomesTwoReversedTrianglesOfUnsharedMirroredVertices)
{
    const glw::Model model = DecodePolygons(Polygon({5, 6, 7, 8}, 2));
    EXPECT_TRUE(model.surfaces.at(0).vertices.empty());
    const glw::Surface& s = model.surfaces.at(1);
    EXPECT_EQ(PointIndices(s), (Indices{7, 6, 5, 8, 7, 5}));
    EXPECT_EQ(s.indices, (Indices{0, 1, 2, 3, 4, 5}));
    for (const glw::Vertex& v : s.vertices) {
        const float i = float(v.pointIndex);
        EXPECT_EQ(v.position[0], i);
        EXPECT_EQ(v.position[1], 10 * i);
        EXPECT_EQ(v.position[2], -100 * i);  // z mirrored
    }
}

TEST(LwoDecoder, PolygonsOfAnySizeBecomeFansOrDegenerateTriangles)
{
    const glw::Model model = DecodePolygons(
        Join({Polygon({0, 1, 2, 3, 4}, 1), Polygon({}, 1), Polygon({4}, 1), Polygon({3, 6}, 1)}));
    EXPECT_EQ(PointIndices(model.surfaces.at(0)),
              (Indices{2, 1, 0, 3, 2, 0, 4, 3, 0, 4, 4, 4, 6, 6, 3}));
}

TEST(LwoDecoder, DetailPolygonsFollowTheirParentAsOrdinaryOnes)
{
    // A negative number: the surface is its absolute value, and the next word
    // counts the details that follow.
    const glw::Model model = DecodePolygons(Join(
        {Polygon({0, 1, 2}, -1), Bytes{}.U16(1), Polygon({3, 4, 5}, 2), Polygon({6, 7, 8}, 2)}));
    EXPECT_EQ(PointIndices(model.surfaces.at(0)), (Indices{2, 1, 0}));
    EXPECT_EQ(PointIndices(model.surfaces.at(1)), (Indices{5, 4, 3, 8, 7, 6}));
}

TEST(LwoDecoder, WindingAndNormalsFaceWhereLightWavesFrontFaces)
{
    // Clockwise seen from LightWave's eye at -z, so its front faces -z, which
    // the mirror turns into +z; the reversed order keeps it counter-clockwise.
    const glw::Model model = DecodeOk(
        Lwob({Chunk("SRFS", Names({"A"})), Chunk("PNTS", Points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}})),
              Chunk("POLS", Polygon({0, 1, 2}, 1))}));
    for (const glw::Vertex& v : model.surfaces.at(0).vertices) {
        EXPECT_FLOAT_EQ(v.normal[0], 0.0f);
        EXPECT_FLOAT_EQ(v.normal[1], 0.0f);
        EXPECT_FLOAT_EQ(v.normal[2], 1.0f);
    }
}

TEST(LwoDecoder, SurfaceSettingsSetColourSmoothingAndShininess)
{
    const glw::Material grey = Settings({Sub("COLR", {200, 200, 200, 0})});
    EXPECT_EQ(grey.colour[0], 0.78125f);
    EXPECT_EQ(grey.colour[2], 0.78125f);
    const glw::Material red = Settings({Sub("COLR", {255, 0, 1, 77})});
    EXPECT_EQ(red.colour[0], 0.99609375f);  // divided by 256, not 255
    EXPECT_EQ(red.colour[2], 1.0f / 256);
    EXPECT_EQ(red.colour[3], 0.0f);  // the fourth byte is ignored

    EXPECT_FALSE(Settings({Sub("FLAG", Bytes{}.U16(0))}).smooth);
    EXPECT_TRUE(Settings({Sub("FLAG", Bytes{}.U16(4))}).smooth);
    EXPECT_FALSE(Settings({Sub("FLAG", Bytes{}.U16(0x04FB))}).smooth);  // 4 in the high byte only
    EXPECT_TRUE(Settings({Sub("DIFF", Bytes{}.U16(200))}).smooth);      // no FLAG: the default

    const std::pair<unsigned, float> glossToShininess[] = {
        {16, 8}, {64, 43}, {256, 96}, {1024, 128}, {0, 128}};
    for (const auto& [gloss, shininess] : glossToShininess)
        EXPECT_EQ(Settings({Sub("GLOS", Bytes{}.U16(gloss))}).shininess, shininess) << gloss;
    EXPECT_EQ(Settings({}).shininess, 128.0f);
    EXPECT_EQ(Settings({Sub("GLOS", Bytes{}.U16(16)), Sub("GLOS", Bytes{}.U16(256))}).shininess,
              96.0f);
}

TEST(LwoDecoder, EachSurfChunkGoesToTheFirstExactNameAndStartsWithoutGlossiness)
{
    const glw::Model model =
        DecodeOk(Lwob({Chunk("SRFS", Names({"Face", "face", "face"})),
                       Chunk("SURF", Surf("face", {Sub("GLOS", Bytes{}.U16(16))})),
                       Chunk("SURF", Surf("face", {Sub("FLAG", Bytes{}.U16(0))}))}));
    EXPECT_EQ(model.surfaces.at(0).material.shininess, 128.0f);
    EXPECT_TRUE(model.surfaces.at(0).material.smooth);
    EXPECT_EQ(model.surfaces.at(1).material.shininess, 128.0f);  // the second SURF had no GLOS
    EXPECT_FALSE(model.surfaces.at(1).material.smooth);
    EXPECT_TRUE(model.surfaces.at(2).material.smooth);
}

TEST(LwoDecoder, ChunkIdsIgnoreCaseAndEmptyOddOrUnknownChunksDoNotStopDecoding)
{
    const Bytes odd = Chunk("XODD", {1, 2, 3});
    const Bytes file =
        Lwob({Chunk("srfs", {}), Chunk("CRVS", {}), Chunk("Srfs", Names({"S"})), odd, Bytes{0},
              Chunk("pnts", NinePoints()), odd, Chunk("POLS", {}), Chunk("PCHS", {0, 0}),
              Chunk("pOLs", Join({Polygon({0, 1, 2}, 1), Bytes{7}})), Bytes{0},
              Chunk("surf", Surf("S", {Sub("colr", {0, 128, 0, 0})}))});
    const glw::Model model = DecodeOk(file);
    ASSERT_EQ(model.surfaces.size(), 1u);
    EXPECT_EQ(model.surfaces[0].vertices.size(), 3u);
    EXPECT_EQ(model.surfaces[0].material.colour[1], 0.5f);
}

TEST(LwoDecoder, DecodeResourceDecodesInTurnWithoutCarryingPoints)
{
    static const Bytes first = Lwob({Chunk("SRFS", Names({"A"})), Chunk("PNTS", NinePoints()),
                                     Chunk("POLS", Polygon({0, 1, 2}, 1))});
    static const Bytes second =
        Lwob({Chunk("SRFS", Names({"B"})), Chunk("POLS", Polygon({0, 1, 2}, 1))});
    static const unsigned char text[] = "plain text";
    const glw::ResourceEntry entries[] = {{"LWO", 5, first.data(), std::uint32_t(first.size())},
                                          {"LWO", 6, second.data(), std::uint32_t(second.size())},
                                          {"LWO", 7, text, sizeof text}};
    const glw::ResourceModule module{entries, 3};
    glw::LwoDecoder decoder;
    glw::Model model;
    EXPECT_EQ(decoder.DecodeResource(model, 5, "LWO", &module), 1);
    EXPECT_EQ(model.surfaces.at(0).vertices.size(), 3u);
    EXPECT_EQ(decoder.DecodeResource(model, 6, "LWO", &module), 1);
    EXPECT_EQ(model.surfaces.at(0).material.name, "B");
    EXPECT_TRUE(model.surfaces[0].vertices.empty());  // the first file's points are gone

    EXPECT_EQ(decoder.DecodeResource(model, 8, "LWO", &module), 0);  // missing: model untouched
    EXPECT_EQ(model.surfaces.size(), 1u);
    EXPECT_EQ(decoder.DecodeResource(model, 7, "LWO", &module), 0);  // not LWOB: emptied
    EXPECT_TRUE(model.surfaces.empty());
}

}  // namespace
