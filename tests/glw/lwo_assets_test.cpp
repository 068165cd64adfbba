// The program's own meshes, decoded from the executable's resource table.
#include "glw/lwo_decoder.h"
#include "glw/resources.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

struct ExpectedSurface {
    std::string name;
    std::size_t triangles;
    bool smooth;
    float red;
};

struct ExpectedMesh {
    std::uint32_t id;
    std::vector<ExpectedSurface> surfaces;
    float shininess;  // of the first surface
};

class LwoAssets : public ::testing::TestWithParam<ExpectedMesh> {};

// Each mesh is convex around the origin: every triangle must be
// counter-clockwise seen from outside, and every normal of unit length.
TEST_P(LwoAssets, DecodesIntoTheListedSurfacesFacingOutwards)
{
    const ExpectedMesh& expected = GetParam();
    glw::ResourceBytes bytes;
    if (!glw::FindResource(nullptr, expected.id, "LWO", bytes))
        GTEST_SKIP() << "LWO " << expected.id << " is not embedded";
    glw::Model model;
    ASSERT_EQ(glw::LwoDecoder{}.DecodeResource(model, expected.id, "LWO"), 1);
    ASSERT_EQ(model.surfaces.size(), expected.surfaces.size());
    EXPECT_EQ(model.surfaces[0].material.shininess, expected.shininess);
    for (std::size_t i = 0; i < expected.surfaces.size(); ++i) {
        const glw::Surface& s = model.surfaces[i];
        const ExpectedSurface& e = expected.surfaces[i];
        EXPECT_EQ(s.material.name, e.name);
        EXPECT_EQ(s.indices.size(), 3 * e.triangles) << e.name;
        EXPECT_EQ(s.material.smooth, e.smooth) << e.name;
        EXPECT_EQ(s.material.colour[0], e.red) << e.name;
        for (std::size_t k = 0; k + 2 < s.indices.size(); k += 3) {
            const float* a = s.vertices[s.indices[k]].position;
            const float* b = s.vertices[s.indices[k + 1]].position;
            const float* c = s.vertices[s.indices[k + 2]].position;
            const float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
            const float v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
            const float n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                                u[0] * v[1] - u[1] * v[0]};
            EXPECT_GT(n[0] * (a[0] + b[0] + c[0]) + n[1] * (a[1] + b[1] + c[1]) +
                          n[2] * (a[2] + b[2] + c[2]),
                      0.0f)
                << e.name << " triangle " << k / 3;
        }
        for (const glw::Vertex& v : s.vertices)
            EXPECT_NEAR(std::hypot(v.normal[0], v.normal[1], v.normal[2]), 1.0f, 1e-4f) << e.name;
    }
}

const float kWhite = 255.0f / 256;
INSTANTIATE_TEST_SUITE_P(
    Embedded, LwoAssets,
    ::testing::Values(
        ExpectedMesh{207, {{"Label", 120, true, kWhite}, {"Metal", 312, true, 200.0f / 256}}, 128},
        ExpectedMesh{213, {{"Ball", 80, false, 198.0f / 256}}, 8},
        ExpectedMesh{
            215,
            {{"Face", 2, true, kWhite}, {"sides", 56, true, kWhite}, {"Back", 2, true, kWhite}},
            128},
        ExpectedMesh{217, {{"Faces", 12, false, kWhite}, {"Sides", 96, true, kWhite}}, 128}),
    [](const auto& info) { return "Lwo" + std::to_string(info.param.id); });

TEST(LwoAssetDomino, FaceLiesOnThePositiveZSideAfterTheMirror)
{
    glw::Model model;
    if (glw::LwoDecoder{}.DecodeResource(model, 215, "LWO") == 0)
        GTEST_SKIP() << "LWO 215 is not embedded";
    for (const glw::Vertex& v : model.GetSurface(0).vertices) {
        EXPECT_FLOAT_EQ(v.position[2], 0.15f);
        EXPECT_NEAR(std::fabs(v.position[0]), 0.42f, 1e-6f);
        EXPECT_NEAR(std::fabs(v.position[1]), 0.92f, 1e-6f);
    }
}

}  // namespace
