// Box projection: the choice of plane per triangle, its signs, the domino
// example and the inputs that name nothing sensible.
#include "glw/cube_mapper.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace {

using Point = std::array<float, 3>;
using Triangle = std::array<Point, 3>;

// Each triangle with its own three vertices; texture coordinates start at a
// sentinel so that untouched vertices are easy to see.
glw::Surface FromTriangles(const std::vector<Triangle>& triangles)
{
    glw::Surface s;
    for (const Triangle& t : triangles) {
        for (const Point& p : t) {
            glw::Vertex v;
            v.position[0] = p[0];
            v.position[1] = p[1];
            v.position[2] = p[2];
            v.texCoord[0] = v.texCoord[1] = -7.0f;
            s.AddIndex(s.AddVertex(v));
        }
    }
    return s;
}

void ExpectUV(const glw::Vertex& v, float u, float vCoord)
{
    EXPECT_NEAR(v.texCoord[0], u, 1e-5f);
    EXPECT_NEAR(v.texCoord[1], vCoord, 1e-5f);
}

// Distinct extents and offsets per axis, so that a wrong axis shows.
glw::CubeMapper TestMapper(int flipU = 0)
{
    return glw::CubeMapper({2.0f, 4.0f, 8.0f}, {0.1f, 0.2f, 0.3f}, flipU);
}

// Counter-clockwise seen from the side each one faces.
const Triangle kFacingPlusX{{{1, 0, 0}, {1, 1, 0}, {1, 0, 1}}};
const Triangle kFacingMinusX{{{1, 0, 0}, {1, 0, 1}, {1, 1, 0}}};
const Triangle kFacingPlusY{{{0, 1, 0}, {0, 1, 1}, {1, 1, 0}}};
const Triangle kFacingMinusY{{{0, 1, 0}, {1, 1, 0}, {0, 1, 1}}};
const Triangle kFacingPlusZ{{{0, 0, 1}, {1, 0, 1}, {0, 1, 1}}};
const Triangle kFacingMinusZ{{{0, 0, 1}, {0, 1, 1}, {1, 0, 1}}};
// Normals (1, 1, 0), (1, 0, 1), (0, 1, 1) and (1, 1, 1): ties.
const Triangle kTieXY{{{1, 0, 0}, {0, 1, 0}, {1, 0, 1}}};
const Triangle kTieXZ{{{1, 0, 0}, {1, 1, 0}, {0, 0, 1}}};
const Triangle kTieYZ{{{1, 1, 0}, {0, 1, 0}, {0, 0, 1}}};
const Triangle kTieXYZ{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
const Triangle kDegenerate{{{1, 2, 3}, {1, 2, 3}, {4, 5, 6}}};

}  // namespace

TEST(CubeMapper, DominoFaceIsCoveredAlmostExactlyOnce)
{
    // The flat +z face of the 1 x 2 x 0.3 domino, as the scene maps it.
    glw::Surface face = FromTriangles({
        {{{0.42f, 0.92f, 0.15f}, {-0.42f, 0.92f, 0.15f}, {-0.42f, -0.92f, 0.15f}}},
        {{{-0.42f, -0.92f, 0.15f}, {0.42f, -0.92f, 0.15f}, {0.42f, 0.92f, 0.15f}}},
    });
    glw::CubeMapper mapper({0.9f, 1.8f, 0.9f}, {0.5f, 0.5f, 0.0f}, 0);
    face.ApplyMapper(mapper);

    EXPECT_NEAR(face.vertices[0].texCoord[0], 1.9667f, 1e-4f);
    EXPECT_NEAR(face.vertices[0].texCoord[1], 0.9889f, 1e-4f);
    EXPECT_NEAR(face.vertices[2].texCoord[0], 1.0333f, 1e-4f);
    EXPECT_NEAR(face.vertices[2].texCoord[1], 2.0111f, 1e-4f);
}

TEST(CubeMapper, EachFacingPicksItsPlaneAndSigns)
{
    glw::Surface s = FromTriangles(
        {kFacingPlusX, kFacingMinusX, kFacingPlusY, kFacingMinusY, kFacingPlusZ, kFacingMinusZ});
    glw::CubeMapper mapper = TestMapper();
    s.ApplyMapper(mapper);

    // Corner 2 of each triangle; x: u from z, v from -y.
    ExpectUV(s.vertices[2], -1.0f / 8 + 0.3f + 1, 0.2f + 1);  // +x (1, 0, 1)
    ExpectUV(s.vertices[5], 0.3f + 1, -1.0f / 4 + 0.2f + 1);  // -x (1, 1, 0)
    ExpectUV(s.vertices[4], 1.0f / 8 + 0.3f + 1, 0.2f + 1);   // -x (1, 0, 1)
    // y: u from +x, v from z signed by the facing.
    ExpectUV(s.vertices[7], 0.1f + 1, 1.0f / 8 + 0.3f + 1);    // +y (0, 1, 1)
    ExpectUV(s.vertices[11], 0.1f + 1, -1.0f / 8 + 0.3f + 1);  // -y (0, 1, 1)
    ExpectUV(s.vertices[10], 1.0f / 2 + 0.1f + 1, 0.3f + 1);   // -y (1, 1, 0)
    // z: u from x signed by the facing, v from -y.
    ExpectUV(s.vertices[13], 1.0f / 2 + 0.1f + 1, 0.2f + 1);   // +z (1, 0, 1)
    ExpectUV(s.vertices[14], 0.1f + 1, -1.0f / 4 + 0.2f + 1);  // +z (0, 1, 1)
    ExpectUV(s.vertices[17], -1.0f / 2 + 0.1f + 1, 0.2f + 1);  // -z (1, 0, 1)
}

TEST(CubeMapper, FlipUNegatesInsteadOfShifting)
{
    glw::Surface s = FromTriangles({kFacingPlusZ, kFacingPlusX});
    glw::CubeMapper mapper = TestMapper(1);
    s.ApplyMapper(mapper);
    ExpectUV(s.vertices[1], -(1.0f / 2 + 0.1f), 0.2f + 1);   // +z (1, 0, 1)
    ExpectUV(s.vertices[5], -(-1.0f / 8 + 0.3f), 0.2f + 1);  // +x (1, 0, 1)
}

TEST(CubeMapper, TiesFollowTheOrderOfTheRows)
{
    glw::CubeMapper mapper = TestMapper();

    // ax = ay > az goes to x; ax = az > ay goes to z.
    glw::Surface s = FromTriangles({kTieXY, kTieXZ});
    s.ApplyMapper(mapper);
    ExpectUV(s.vertices[2], -1.0f / 8 + 0.3f + 1, 0.2f + 1);             // (1, 0, 1) as +x
    ExpectUV(s.vertices[4], 1.0f / 2 + 0.1f + 1, -1.0f / 4 + 0.2f + 1);  // (1, 1, 0) as +z

    // ay = az > ax, all-equal and degenerate keep the previous projection.
    glw::Surface kept = FromTriangles({kFacingMinusX, kTieYZ, kFacingPlusY, kTieXYZ, kDegenerate});
    kept.ApplyMapper(mapper);
    ExpectUV(kept.vertices[3], 0.3f + 1, -1.0f / 4 + 0.2f + 1);             // (1, 1, 0) as -x
    ExpectUV(kept.vertices[5], 1.0f / 8 + 0.3f + 1, 0.2f + 1);              // (0, 0, 1) as -x
    ExpectUV(kept.vertices[9], 1.0f / 2 + 0.1f + 1, 0.3f + 1);              // (1, 0, 0) as +y
    ExpectUV(kept.vertices[11], 0.1f + 1, 1.0f / 8 + 0.3f + 1);             // (0, 0, 1) as +y
    ExpectUV(kept.vertices[14], 4.0f / 2 + 0.1f + 1, 6.0f / 8 + 0.3f + 1);  // (4, 5, 6) as +y
}

TEST(CubeMapper, FirstTriangleThatFitsNoRowUsesTheZRow)
{
    glw::CubeMapper mapper = TestMapper();
    glw::Surface tie = FromTriangles({kTieYZ});  // normal (0, 1, 1): faces +z as well
    tie.ApplyMapper(mapper);
    ExpectUV(tie.vertices[0], 1.0f / 2 + 0.1f + 1, -1.0f / 4 + 0.2f + 1);  // (1, 1, 0)

    glw::Surface degenerate = FromTriangles({kDegenerate});
    degenerate.ApplyMapper(mapper);
    ExpectUV(degenerate.vertices[2], 4.0f / 2 + 0.1f + 1, -5.0f / 4 + 0.2f + 1);  // (4, 5, 6) as +z
}

TEST(CubeMapper, ZeroExtentKeepsThatCoordinateAtItsOffset)
{
    glw::Surface s = FromTriangles({kFacingPlusZ});
    glw::CubeMapper mapper({0.0f, 4.0f, 8.0f}, {0.1f, 0.2f, 0.3f}, 0);
    s.ApplyMapper(mapper);
    for (const glw::Vertex& v : s.vertices) {
        EXPECT_FLOAT_EQ(v.texCoord[0], 0.1f + 1);
        EXPECT_TRUE(std::isfinite(v.texCoord[1]));
    }
}

TEST(CubeMapper, WritesOnlyTextureCoordinatesAndTheLastTriangleWins)
{
    glw::Surface s = FromTriangles({kFacingPlusX, kFacingPlusZ});
    s.indices.insert(s.indices.end(), {2, 5, 3});  // facing +z, through +x's (1, 0, 1)
    for (glw::Vertex& v : s.vertices)
        v.normal[1] = 0.5f;
    const glw::Surface before = s;
    glw::CubeMapper mapper = TestMapper();
    s.ApplyMapper(mapper);

    EXPECT_EQ(s.indices, before.indices);
    ASSERT_EQ(s.vertices.size(), before.vertices.size());
    for (std::size_t i = 0; i < s.vertices.size(); ++i) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(s.vertices[i].position[k], before.vertices[i].position[k]);
            EXPECT_EQ(s.vertices[i].normal[k], before.vertices[i].normal[k]);
        }
    }
    ExpectUV(s.vertices[2], 1.0f / 2 + 0.1f + 1, 0.2f + 1);
}

TEST(CubeMapper, EmptyOrBrokenIndexListsLeaveTheirVerticesAlone)
{
    glw::CubeMapper mapper = TestMapper();

    glw::Surface empty = FromTriangles({kFacingPlusX});
    empty.indices.clear();
    empty.ApplyMapper(mapper);
    for (const glw::Vertex& v : empty.vertices)
        ExpectUV(v, -7.0f, -7.0f);

    // Triangle 0 names a missing vertex, triangle 1 is whole, and two
    // trailing indices make no triangle.
    glw::Surface broken = FromTriangles({kFacingPlusX, kFacingPlusZ, kFacingPlusY});
    broken.indices = {0, 1, 1000, 3, 4, 5, 6, 7};
    broken.ApplyMapper(mapper);
    for (const std::uint32_t i : {0u, 1u, 2u, 6u, 7u, 8u})
        ExpectUV(broken.vertices[i], -7.0f, -7.0f);
    ExpectUV(broken.vertices[4], 1.0f / 2 + 0.1f + 1, 0.2f + 1);  // +z (1, 0, 1)
}
